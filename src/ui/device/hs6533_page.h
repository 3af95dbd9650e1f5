#pragma once
// CBrelvikHS6533Device: the page of the USB headset. It maps its controls'
// notifications to the headset's controller (devices/headset/headset_device.h)
// and shows the controller's state:
//   picture        "hs6533_device_key_light": the 13 zone pictures "light_N"
//                  of the headset's LEDs, which show the zones' colours
//                  (only while they are visible)
//   profile        "DeviceProfileItem" with the function tabs of device type 7:
//                  "deng_Op_tab" lighting, "6533_voice_Op_tab" equaliser and
//                  microphone, "magic_Op_tab" voice changer, "Virtual7.1_Op_tab"
//                  surround; they switch "hs6533_function_layout"
//   lighting       the light editor "LightControlItem"
//   audio          "Voice6533ControlItem" (equaliser, microphone, monitor) and
//                  "MagicControlItem" (voice changer), bound to the page's
//                  HeadsetAudio once the page has its document; the chip's
//                  state is read again whenever their tab is shown, so mixer
//                  changes made elsewhere show up
// The audio side starts with the page's document (the binding's start-up,
// then the chip's state when the headset connects); its problems go to the
// debug output. When the headset's sound card comes or goes the controller
// has the chip bound again and the panels show which controls work now.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices/headset/headset_device.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/light_control.h"

namespace tessel {
class HeadsetAudio;
}

namespace tessel::ui {

class CDeviceKeyButtonUI;
class CMagicControlUI;
class CVoice6533ControlUI;

class CBrelvikHS6533Device : public CBrelvikUSBDevice {
 public:
  // The function tabs, in the order of "hs6533_function_layout".
  enum Tab { kLightTab = 0, kVoiceTab = 1, kMagicTab = 2, kSurroundTab = 3 };

  explicit CBrelvikHS6533Device(hid::HidBackend& backend = hid::defaultBackend(),
                                Clock& clock = SystemClock::instance());
  ~CBrelvikHS6533Device() override;
  QString GetClass() const override { return QStringLiteral("BrelvikHS6533Device"); }
  int SettingsChangedDelay() const override { return 500; }
  headset::HeadsetDevice& Headset() { return static_cast<headset::HeadsetDevice&>(Controller()); }

  // The zone pictures of "hs6533_device_key_light" (every one starts white),
  // then the page's own controls; shows the lighting tab.
  void InitPage() override;
  // Shows the document on the light editor (and the panels).
  void RefreshView() override;
  void BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) override;

  // Tab n of "hs6533_function_layout" with its option selected; an index
  // past the tabs selects the lighting tab.
  void SelectTab(int n);
  int GetTab() const;
  CLightControlUI* LightEditor() const { return lightEditor_; }
  // Whether the light editor may offer "deng_same_mode" (the main window
  // decides), and what its click does.
  void SetSameModeAllowed(bool allowed);
  std::function<void(CBrelvikHS6533Device&)> onSameMode;
  CVoice6533ControlUI* VoicePanel() const { return voicePanel_; }
  CMagicControlUI* MagicPanel() const { return magicPanel_; }
  // The audio side (null until the page has its document).
  HeadsetAudio* Audio() const { return audio_.get(); }
  // What the audio binding's start-up reported ("ConfLibInit called failed!", ...).
  const std::vector<std::string>& AudioProblems() const { return audioProblems_; }
  void SetColourChooser(CLightControlUI::ColourChooser chooser);
  // How the page tells the user that the headset did not take a change.
  void SetMessageSink(std::function<void(const QString& textKey)> sink) { messageSink_ = std::move(sink); }

 protected:
  void OnNotify(TNotifyUI& msg) override;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  void LoadLightLists();
  void ShowState();
  void ShowPanels();
  void BindPanels();
  void WriteFailed();

  std::unique_ptr<HeadsetAudio> audio_;
  std::vector<std::string> audioProblems_;
  CLightControlUI* lightEditor_ = nullptr;
  CVoice6533ControlUI* voicePanel_ = nullptr;
  CMagicControlUI* magicPanel_ = nullptr;
  CLightControlUI::ColourChooser chooser_;
  std::function<void(const QString&)> messageSink_;
  std::vector<std::string> sequenceNames_;
  bool showing_ = false;
};

}  // namespace tessel::ui
