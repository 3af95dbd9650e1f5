#pragma once
// CShootControlUI: the recoil editor of the mouse page ("ShootControlItem",
// built from XML/CustomControlXML/ShootControl.xml, whose root element is
// this control). It maps its controls to the recoil editor's state
// (macros/recoil_editor.h) and shows that state:
//
//   "shoot_gun_op_" + g      the gun (0..3); "shoot_image_display_switch" shows its picture
//   "bullet_op_" + s         the shot (0..29); "bullet_selected_prev" / "_next" step;
//                            "bullet_select_index" shows the shot counted from 1
//   "bullet_x_eidt", "bullet_y_eidt", "bullet_delay_eidt"
//                            the shot's distances and delay, stored in the gun's
//                            file when a field loses the focus (or on return)
//   "bullet_x_check", "bullet_y_check"
//                            the directions, labelled "Move left" and "Move down":
//                            a tick means what the label says (as tesselctl
//                            recoil counts: X < 0 left, Y > 0 down); a change
//                            is stored at once like a field
//   "shootdate_save_btn"     writes the four patterns to the mouse (the page's download)
//   "shootdate_reset_btn", "shootdate_import_btn", "shootdate_export_btn"
//                            the selected gun's file: factory copy, import, export
//                            ("Shoot Files(*.shoot)")
//
// Messages and file choices go through hooks, so tests answer them.
#include <QString>
#include <filesystem>
#include <functional>

#include "macros/recoil_editor.h"
#include "ui/device/write_status.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CWindowWnd;

class CShootControlUI : public CVerticalLayoutUI, public INotifyUI {
 public:
  struct Hooks {
    std::function<void(const QString& text)> show;  // a message: a language text key or a sentence
    std::function<QString(bool save)> chooseFile;   // empty when cancelled
  };

  CShootControlUI();
  ~CShootControlUI() override;
  QString GetClass() const override { return QStringLiteral("ShootControl"); }

  // The device data folder and the default data folder: recreates missing
  // recoil files from the factory ones, selects gun 0 and shot 0.
  void Init(const std::filesystem::path& dataFolder, const std::filesystem::path& defaultFolder);
  void SetOwnerWindow(CWindowWnd* owner) { owner_ = owner; }
  void SetHooks(Hooks hooks);
  // "shootdate_save_btn": the page writes the four patterns to the mouse,
  // and tells how that went with ShowWriteResult ("shoot_write_status").
  std::function<void()> onDownload;
  void ShowWriteResult(WriteOutcome outcome);

  // Every control of the editor was found.
  bool IsReady() const { return ready_; }
  const macros::RecoilEditor& Editor() const { return editor_; }
  // Reads the selected shot again (the files may have changed on disk).
  void Reload();
  // Shows the editor's state on every control.
  void ShowState();

  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void DoInit() override;
  void Notify(TNotifyUI& msg) override;
  void ReloadText() override;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  void FindParts();
  bool IsMine(const CControlUI* control) const;
  void StoreShot();
  void ShowDirectionTexts();
  void Report(const macros::RecoilResult& result);
  void OnClick(const QString& name);

  macros::RecoilEditor editor_;
  Hooks hooks_;
  CWindowWnd* owner_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
  bool ready_ = false;
  bool showing_ = false;
  CEditUI* x_ = nullptr;
  CEditUI* y_ = nullptr;
  CEditUI* delay_ = nullptr;
  CCheckBoxUI* xCheck_ = nullptr;
  CCheckBoxUI* yCheck_ = nullptr;
  CControlUI* index_ = nullptr;
  CTabLayoutUI* pictures_ = nullptr;
};

}  // namespace tessel::ui
