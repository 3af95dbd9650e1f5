#pragma once
// CVoice6533ControlUI: the headset's audio panel ("Voice6533ControlItem",
// built from XML/CustomControlXML/Voice6533Control.xml):
//   equaliser  options "6533_eq_option_1".."13" (13 = custom), band sliders
//              "6533_eq_hz_slider_0".."9", the custom area
//              "custom_eq_option_layout" with the name box "custom_eq_name_edit",
//              the list "custom_eq_name_combo" and the buttons "hs_EQ_btn_save"
//              and "hs_EQ_btn_delete"
//   microphone "6533_MicIn_option" and "6533_MicIn_slider"
//   monitor    "6533_MicMoniter_option" and "6533_MicMoniter_slider"
//
// The panel holds no settings: Bind() ties it to the page's HeadsetAudio,
// each notification becomes one HeadsetAudio operation, then the panel shows
// the controller again. A group the chip cannot drive on this system is
// unavailable, with one line saying why ("6533_eq_unavailable_text",
// "6533_mic_unavailable_text", "6533_moniter_unavailable_text").
#include <functional>
#include <map>
#include <string>

#include "audio/audio_chip.h"
#include "ui/toolkit/controls.h"

namespace tessel {
class HeadsetAudio;
}

namespace tessel::ui {

class CVoice6533ControlUI : public CVerticalLayoutUI {
 public:
  QString GetClass() const override { return QStringLiteral("Voice6533Control"); }

  void SetDeviceType(int typeCode) { deviceType_ = typeCode; }
  int GetDeviceType() const { return deviceType_; }

  // The page's controller; null unbinds.
  void Bind(HeadsetAudio* audio);
  HeadsetAudio* Bound() const { return audio_; }
  // Sets every control from the controller without raising notifications.
  void ShowState();

  // A notification of one of the page's controls; true when it was the panel's.
  bool HandleNotify(TNotifyUI& msg);

  // Save custom preset answered "name taken": the page shows the message
  // with text key "message_text_5".
  std::function<void(const char* textKey)> onMessage;
  // Called after an operation changed the controller.
  std::function<void()> onChanged;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  bool Contains(const CControlUI* control) const;
  void ShowGroup(audio::AudioGroup group, const char* layout, const char* textName);

  int deviceType_ = 7;
  // The groups' own heights; a shown reason line adds to them.
  std::map<QString, int> baseHeights_;
  HeadsetAudio* audio_ = nullptr;
  bool showing_ = false;
};

}  // namespace tessel::ui
