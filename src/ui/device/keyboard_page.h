#pragma once
// CBrelvikKeyboardDevice: the page of one keyboard. It maps its controls'
// notifications to the keyboard controller (devices/keyboard/
// keyboard_controller.h) and shows the controller's state:
//   "keyboard_device_key_light"  the picture: a light cell "light_N" under a
//                                key button "key_N" for each layout position
//                                N; a key shows its assignment's name, is
//                                drawn highlighted when that is not its own
//                                key, and a click selects it (key tab) or
//                                paints it (lighting tab, custom mode)
//   function tabs                the profile selector's "deng_Op_tab" (1),
//                                "key_Op_tab" (2), "macro_Op_tab" (3) and
//                                "system_Op_tab" (4)
//                                switch "keyboard_function_layout" and
//                                "keyboard_picture_tools" together
//   "LightControlItem"           the light editor, with the keyboard's mode
//                                list, "light_combo_ZZCCmodeSelect", the
//                                custom group list and the direction checks
//                                named after the mode
//   "KeySetControlItem"          the assignment editor of the selected key
//   "MacroControlItem"           the macro library ("macro_Op_tab", 3); a
//                                change the keyboard must get downloads the
//                                bound macros with the key table
//   options                      "6flag_option", "wflag_option",
//                                "winlockflag_option", "polling_rate_option_N",
//                                "repeat_rate_slider", "repeat_delay_check_N"
//                                with "repeat_delay_time_label1", and the
//                                repeat test box "repeat_input_richedit"
//                                emptied by "reset_repeat_btn"
// The picture follows the controller's frame only while the page is shown.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "devices/keyboard/keyboard_controller.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/light_control.h"

namespace tessel::ui {

class CDeviceKeyButtonUI;
class CKeySetControlUI;
class CMacroControlUI;

class CBrelvikKeyboardDevice : public CBrelvikUSBDevice {
 public:
  // Another program changed the macro library: the editor and the key
  // editor's list show it now (an open draft stays).
  void MacroLibraryChangedElsewhere();
  // The page index of each function tab in "keyboard_function_layout".
  static constexpr int kLightingPage = 0;
  static constexpr int kKeysPage = 1;
  static constexpr int kMacrosPage = 2;
  static constexpr int kOptionsPage = 3;

  explicit CBrelvikKeyboardDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  ~CBrelvikKeyboardDevice() override;
  QString GetClass() const override { return QStringLiteral("BrelvikKeyboardDevice"); }
  KeyboardController& Keyboard() { return static_cast<KeyboardController&>(Controller()); }

  // Base's tables, then the picture's cells (build page) and the controls.
  void InitPage() override;
  // Shows the document and the keyboard's state on every control.
  void RefreshView() override;
  // The tile's light tick (only while the page is selected and the window
  // shown): the light cells take the controller's picture, and keep taking it
  // at the light's pace (kPicturePaceMs) until the page is hidden or light
  // control goes off. The tick's own frame is the live frame of the
  // host-driven modes only, so the picture comes from the controller.
  void ShowFrame(const std::vector<uint8_t>& frame) override;
  void DoEvent(TEventUI& event) override;
  static constexpr UINT kPictureTimer = 1;
  static constexpr UINT kPicturePaceMs = 31;  // two light clock advances
  bool PictureTimerRunning() const;
  void BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) override;

  // Function tab `tabCode` (1 lighting, 2 keys, 3 macros, 4 options); another code
  // selects the lighting tab.
  void SelectFunctionTab(int tabCode);
  int GetFunctionTab() const { return tab_; }
  // A click on key button `position`: selects it on the key tab, paints it on
  // the lighting tab in the custom mode.
  void ClickKey(int position);

  CDeviceKeyButtonUI* KeyButton(int position) const;
  CDeviceKeyButtonUI* LightCell(int position) const;
  CLightControlUI* LightEditor() const { return lightEditor_; }
  CKeySetControlUI* KeyEditor() const { return keyEditor_; }
  CMacroControlUI* MacroEditor() const { return macroEditor_; }

  void SetColourChooser(CLightControlUI::ColourChooser chooser);
  // Whether the light editor may offer "deng_same_mode" (the main window
  // decides), and what its click does.
  void SetSameModeAllowed(bool allowed);
  std::function<void(CBrelvikKeyboardDevice&)> onSameMode;
  // Audio-reactive lighting: whether the page's light plays the audio mode,
  // and who hears when that changes (the main window starts and stops the
  // audio companion by it).
  bool PlaysAudioMode() const { return playsAudio_; }
  void SetAudioModeListener(std::function<void()> listener) { audioModeListener_ = std::move(listener); }
  // How the page tells the user that the keyboard did not take a change (the
  // message box over the main window by default; tests replace it).
  void SetMessageSink(std::function<void(const QString& textKey)> sink) { messageSink_ = std::move(sink); }

 protected:
  void OnNotify(TNotifyUI& msg) override;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  void BuildPicture();
  void BindControls();
  void BindKeyEditor();
  void BindMacroEditor();
  void InitMacroEditor();
  void MacroNamesChanged(const std::vector<std::string>& names);
  void LoadOptionLists();
  void ShowState();
  void ShowKeyList();
  void ShowLight();
  void ShowOptions();
  void ShowRepeatTip();
  void PaintFrame();
  bool PageShown() const;
  void OpenKeyEditor(int position);
  void WriteKeys();
  void FillCustomGroup(bool on);
  void ReloadProfileList();
  bool HandleOptionNotify(TNotifyUI& msg, const QString& name);
  bool HandleLightNotify(TNotifyUI& msg, const QString& name);
  void WriteFailed(KeyboardController::Write what);
  void MacrosTooLarge(int exceedUnits);

  std::array<CDeviceKeyButtonUI*, keyboard::kPositions> keys_{};
  std::array<CDeviceKeyButtonUI*, keyboard::kPositions> lights_{};
  std::array<bool, keyboard::kPositions> skinHidden_{};  // keys the picture has no key for
  std::array<bool, keyboard::kPositions> lightSkinHidden_{};
  std::array<int, keyboard::kPositions> keyFonts_{};     // each key's font in the skin
  CLightControlUI* lightEditor_ = nullptr;
  CKeySetControlUI* keyEditor_ = nullptr;
  CMacroControlUI* macroEditor_ = nullptr;
  Clock& clock_;  // names new macros
  std::filesystem::path dataFolder_;
  std::vector<std::string> sequenceNames_;
  CLightControlUI::ColourChooser chooser_;
  std::function<void(const QString&)> messageSink_;
  int tab_ = keyboard::kLightingTab;
  int editedPosition_ = -1;
  bool showing_ = false;
  bool playsAudio_ = false;
  std::function<void()> audioModeListener_;
};

}  // namespace tessel::ui
