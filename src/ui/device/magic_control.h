#pragma once
// CMagicControlUI: the headset's voice changer panel ("MagicControlItem",
// built from XML/CustomControlXML/MagicControl.xml): the on/off option
// "magic_enable_option" and the four type options "magic_option_1".."4"
// inside "magic_option_layout" (available only while the changer is on).
//
// The panel holds no settings: Bind() ties it to the page's HeadsetAudio,
// each notification becomes one HeadsetAudio operation, then the panel shows
// the controller again. When the chip has no voice changer the whole group is
// unavailable and "magic_unavailable_text" says why in one line.
#include <functional>

#include "audio/audio_chip.h"
#include "ui/toolkit/controls.h"

namespace tessel {
class HeadsetAudio;
}

namespace tessel::ui {

class CMagicControlUI : public CVerticalLayoutUI {
 public:
  QString GetClass() const override { return QStringLiteral("MagicControl"); }

  void SetDeviceType(int typeCode) { deviceType_ = typeCode; }
  int GetDeviceType() const { return deviceType_; }

  // The page's controller; null unbinds.
  void Bind(HeadsetAudio* audio);
  HeadsetAudio* Bound() const { return audio_; }
  // Sets every control from the controller without raising notifications.
  void ShowState();

  // A notification of one of the page's controls; true when it was the panel's.
  bool HandleNotify(TNotifyUI& msg);

  // Called after an operation changed the controller (the page refreshes the rest).
  std::function<void()> onChanged;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  bool Contains(const CControlUI* control) const;

  int deviceType_ = 7;
  HeadsetAudio* audio_ = nullptr;
  bool showing_ = false;
};

}  // namespace tessel::ui
