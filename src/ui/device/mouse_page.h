#pragma once
// CBrelvikMouseDevice: the page of one mouse. The page only maps its
// controls' notifications to the mouse controller's operations
// (devices/mouse/mouse_controller.h) and shows the controller's state:
//   performance tab  "DPI_slider_N", "DPI_edit_N", "DPI_enable_check_N",
//                    "DPI_select_check_N", "DPI_layout_N", "DPI_color_option_N",
//                    "polling_rate_option_N", the pointer sliders and checks
//   buttons tab      the picture's key buttons "key_N" and the rows of the list
//                    of assignments ("mouse_button_name_N" with the button's
//                    name, "mouse_button_function_N" with what it does now)
//                    open the assignment editor
//   lighting tab     the live picture of the zones "light_0_N" and the "logo",
//                    and the light editor "LightControlItem"
//   macros tab       the macro editor "MacroControlItem": every change the
//                    mouse must get downloads the bound macros, then the key table
//   recoil tab       the recoil editor "ShootControlItem"
// "mouse_option_layout"'s options "mouse_device_seting_option_N" switch the
// tabs of "mouse_device_seting_layout"; the profile selector's own row of
// function tabs would only repeat them, so the page hides it. The "zelto_DPI_"
// pairs only mirror each other.
#include <functional>
#include <optional>
#include <vector>

#include "devices/mouse/mouse_controller.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/light_control.h"

namespace tessel::ui {

class CDeviceKeyButtonUI;
class CKeySetControlUI;
class CMacroControlUI;
class CShootControlUI;

class CBrelvikMouseDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikMouseDevice(hid::HidBackend& backend = hid::defaultBackend(),
                               Clock& clock = SystemClock::instance());
  ~CBrelvikMouseDevice() override;
  QString GetClass() const override { return QStringLiteral("BrelvikMouseDevice"); }
  // The logo zone of the device XML table (-1: none).
  void SetMouseParameter(int value) { mouseParameter_ = value; }
  int GetMouseParameter() const { return mouseParameter_; }
  MouseController& Mouse() { return static_cast<MouseController&>(Controller()); }

  // Base's tables, then the page's own controls; selects tab 0.
  void InitPage() override;
  // Shows the document and the mouse's state on every control.
  void RefreshView() override;
  void ShowFrame(const std::vector<uint8_t>& frame) override;
  void BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) override;
  // The list of assignments names functions in the language now loaded.
  void ReloadText() override;

  // Tab n of "mouse_device_seting_layout" with its option set; an index past
  // the tabs selects 0.
  void SelectTab(int n);
  // Another program changed the macro library: the editor and the assignment
  // list show it now (an open draft stays).
  void MacroLibraryChangedElsewhere();
  int GetTab() const;
  CLightControlUI* LightEditor() const { return lightEditor_; }
  CKeySetControlUI* KeyEditor() const { return keyEditor_; }
  CMacroControlUI* MacroEditor() const { return macroEditor_; }
  CShootControlUI* RecoilEditor() const { return shootEditor_; }
  // The default data folder the recoil editor resets guns from (tests set it
  // before the page's controls are bound; the installed one by default).
  void SetDefaultFolder(std::filesystem::path folder) { defaultFolder_ = std::move(folder); }
  // "shootdate_save_btn": the four recoil patterns to the mouse; a failure is shown.
  void DownloadRecoil();
  // The macros the buttons are bound to, then the key table, to the mouse.
  void DownloadMacros();
  // Makes button `index` (0..10) current and shows the assignment editor
  // with its record; the button being edited, or -1.
  void OpenKeyEditor(int index);
  int GetEditedButton() const { return editedButton_; }
  CDeviceKeyButtonUI* GetZonePicture(int n) const;
  int GetZonePictureCount() const { return static_cast<int>(zonePictures_.size()); }
  CDeviceKeyButtonUI* GetLogoPicture() const { return logo_; }

  // The palette dialog for stage colours and the light editor; tests replace it.
  void SetColourChooser(CLightControlUI::ColourChooser chooser);
  // How the page tells the user that the mouse did not take a change (the
  // message box over the main window by default; tests replace it).
  void SetMessageSink(std::function<void(const QString& textKey)> sink) { messageSink_ = std::move(sink); }
  // Whether the light editor may offer "deng_same_mode" (the main window
  // decides: more than one device shown), and what the button does.
  void SetSameModeAllowed(bool allowed);
  std::function<void(CBrelvikMouseDevice&)> onSameMode;

 protected:
  void OnNotify(TNotifyUI& msg) override;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  void BindPageControls();
  // What RefreshView shows; the controller's "state changed" comes here.
  void ShowState();
  void LoadLightLists();
  void ShowLightRecord();
  void ShowLogoTooltip();
  // Each button's name and current function in the list beside the picture;
  // the row of the button being edited stands out.
  void ShowButtonList();
  void ChooseStageColour(int stage);
  bool HandleStageNotify(TNotifyUI& msg, const QString& name);
  bool HandlePointerNotify(TNotifyUI& msg, const QString& name);
  bool HandleMirrorNotify(TNotifyUI& msg, const QString& name);
  void WriteFailed(MouseController::Write what);
  void MacrosTooLarge(int exceedUnits);
  void BindKeyEditor();
  void BindMacroEditor();
  void InitMacroEditor();
  void BindShootEditor();
  void InitShootEditor();
  void MacroNamesChanged();
  void MacroBindingsChanged();
  // Writes the key table after the assignment editor stored `button`'s code;
  // that button gets its default back when the macros then do not fit.
  void WriteKeyTableFor(int button);
  void ShowKeyEditor(bool show);

  Clock& clock_;  // names new macros
  std::filesystem::path dataFolder_;  // the device data folder, once the document is bound
  int mouseParameter_ = -1;
  std::vector<CDeviceKeyButtonUI*> zonePictures_;
  CDeviceKeyButtonUI* logo_ = nullptr;
  CLightControlUI* lightEditor_ = nullptr;
  CKeySetControlUI* keyEditor_ = nullptr;
  CMacroControlUI* macroEditor_ = nullptr;
  CShootControlUI* shootEditor_ = nullptr;
  std::filesystem::path defaultFolder_;
  int editedButton_ = -1;
  int tooLargeButton_ = -1;  // the button whose edit the pending key table write carries
  CLightControlUI::ColourChooser chooser_;
  std::function<void(const QString&)> messageSink_;
  bool showing_ = false;
  std::vector<std::string> sequenceNames_;
};

}  // namespace tessel::ui
