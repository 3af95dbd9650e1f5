#pragma once
// CDeviceProfileUI: the profile selector of a device page ("DeviceProfileItem",
// built from XML/CustomControlXML/DeviceProfile.xml). It shows the profile
// store of its device model in "device_profile_combo", the current name in
// "device_profile_name_edit", the profile buttons in "profile_menu_layout" and
// the page's row of eight function tabs.
//
// The store (profiles/profile_store.h) does the work and keeps the list file;
// after every operation the selector is filled again from the file, so the
// entries and "profilelist" never drift apart.
#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

#include "profiles/profile_store.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CComboUI;
class CEditUI;
class COptionUI;

class CDeviceProfileUI : public CHorizontalLayoutUI {
 public:
  CDeviceProfileUI();
  ~CDeviceProfileUI() override;
  QString GetClass() const override { return QStringLiteral("DeviceProfileUI"); }

  // The function tabs by number: 1 lighting ... 8 virtual surround.
  static constexpr const char* kTabNames[8] = {"deng_Op_tab",  "key_Op_tab",        "macro_Op_tab",
                                               "system_Op_tab", "cursor_Op_tab",    "6533_voice_Op_tab",
                                               "magic_Op_tab",  "Virtual7.1_Op_tab"};

  // ---- in the order a device page uses them
  void SetDeviceType(int typeCode) { deviceType_ = typeCode; }
  int GetDeviceType() const { return deviceType_; }
  // Stores both paths; no file is touched.
  void BindPaths(const std::filesystem::path& dataFolder, const std::filesystem::path& defaultDocument);
  // Loads or creates the list, fills the selector, selects the stored
  // profile, shows the tabs of the device type.
  profiles::ProfileOutcome Initialise();
  profiles::ProfileOutcome Select(int index, bool raiseEvent);
  int GetCurrentIndex() const;
  QString GetCurrentUUID() const { return currentUuid_; }
  // data folder + current UUID + ".Json"; nullopt when there is none to use.
  std::optional<std::filesystem::path> CurrentDocumentPath() const;
  QString GetNameBoxText() const;
  void SetNameBoxText(const QString& text);

  // ---- the profile buttons (the current profile is the selector's)
  // Add makes the new profile current, in the list file and on screen; copy
  // and import append without moving the selection; delete selects the
  // profile before the deleted one (the first when it was the first) before
  // the document goes. The caller rebinds the page when the current changed.
  profiles::ProfileOutcome Add();
  profiles::ProfileOutcome Delete();
  profiles::ProfileOutcome Rename(const QString& name);
  profiles::ProfileOutcome Copy();
  profiles::ProfileOutcome Export(const std::filesystem::path& target);
  profiles::ProfileOutcome Import(const std::filesystem::path& source);
  profiles::ProfileOutcome Reset();

  // Another program changed the profile list: the selector shows the list
  // file's profiles and current one again. True when the current profile is
  // now another one (the page must rebind).
  bool FollowStore();

  int GetProfileCount();
  std::optional<std::filesystem::path> GetProfileDocumentPath(int index);
  profiles::ProfileStore* Store() { return store_.get(); }

  void ShowProfileMenu(bool show);
  bool IsProfileMenuShown() const;
  // Selects tab `number` (1..8) without raising notifications; any other
  // number unselects the first seven.
  void SelectTab(int number);

  CComboUI* GetCombo() const;
  CEditUI* GetNameBox() const;

 private:
  template <typename T>
  T* Find(const char* name) const;
  // Fills the selector from the store's list; keeps the selection index.
  void Refill(int selection);
  // Refills and shows `index` as the current profile (name box, document).
  void ShowCurrent(int index);
  void ShowTabsForType();
  profiles::ProfileOutcome NotBound() const;

  int deviceType_ = 0;
  std::unique_ptr<profiles::ProfileStore> store_;
  QString currentUuid_;
};

}  // namespace tessel::ui
