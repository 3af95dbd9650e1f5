#pragma once
// The page's side of its profiles: the selector found in the page, and the
// configuration document bound to the selector's current profile. A profile
// switch (and a delete or reset) rebinds the document, reloads it, refreshes
// the page and lets the controller write the settings to the device.
#include <filesystem>
#include <memory>
#include <string_view>

#include "profiles/profile_store.h"

namespace tessel {
class CBasicProfiledata;
}

namespace tessel::ui {

// The document of the current profile, held behind a pointer so that the
// page headers need not pull in the document classes.
class PageDocument {
 public:
  PageDocument();
  ~PageDocument();
  // The document class of a device type: the mouse's (types 2 and 6) keeps
  // its stages and pointer settings, the keyboard's (1 and 9) its options. Only before anything was bound.
  void SetDeviceType(int typeCode);
  void SetDefaultPath(const std::filesystem::path& path);
  // Binds the document (every cached section is forgotten) and loads it.
  void BindAndLoad(const std::filesystem::path& path);
  CBasicProfiledata& Get() { return *document_; }
  std::filesystem::path Path() const;
  bool Save();

 private:
  std::unique_ptr<CBasicProfiledata> document_;
};

class CBrelvikUSBDevice;
class CDeviceProfileUI;

class PageProfile {
 public:
  explicit PageProfile(CBrelvikUSBDevice& page);
  ~PageProfile();

  // Finds "DeviceProfileItem" in the page, hands it the device type, the
  // kind's data folder and factory document, initialises it, selects tab 1
  // and binds the document to the current profile. Without folders given:
  // the user's device data folder and the installed factory document.
  profiles::ProfileOutcome Init(int typeCode, std::string_view kindName);
  profiles::ProfileOutcome Init(int typeCode, const std::filesystem::path& dataFolder,
                                const std::filesystem::path& defaultDocument);

  CDeviceProfileUI* Selector() const { return selector_; }
  CBasicProfiledata& Document() { return document_.Get(); }
  // The bound document's path, and saving it (what every later edit does).
  std::filesystem::path DocumentPath() const { return document_.Path(); }
  bool SaveDocument() { return document_.Save(); }

  // Binds the document to the selector's current profile, reloads it,
  // refreshes the page and has the controller reload and write its settings.
  // False when there is no usable current profile (nothing is bound then).
  bool Rebind();
  // Only binds and loads the document of the selector's current profile (a
  // device that changed its profiles itself reloads from it afterwards).
  bool BindCurrent();

 private:
  CBrelvikUSBDevice& page_;
  CDeviceProfileUI* selector_ = nullptr;
  PageDocument document_;
};

}  // namespace tessel::ui
