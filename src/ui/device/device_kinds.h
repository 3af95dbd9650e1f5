#pragma once
// The page halves of the four device kinds. Their controllers, below the Qt
// line in devices/<kind>/, hold what the kinds do with the device (link
// query, status block, lighting commands); the pages will grow their views.
#include "devices/keyboard/keyboard_controller.h"
#include "devices/mouse/mouse_controller.h"
#include "devices/mousepad/mousepad_controller.h"
#include "ui/device/brelvik_usb_device.h"

namespace tessel::ui {

class CBrelvikMouseDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikMouseDevice(hid::HidBackend& backend = hid::defaultBackend(),
                               Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikMouseDevice"); }
  // Passed only to mouse pages.
  void SetMouseParameter(int value) { mouseParameter_ = value; }
  int GetMouseParameter() const { return mouseParameter_; }
  MouseController& Mouse() { return static_cast<MouseController&>(Controller()); }

 private:
  int mouseParameter_ = -1;
};

class CBrelvikKeyboardDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikKeyboardDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikKeyboardDevice"); }
};

class CBrelvikMousePadDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikMousePadDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikMousePadDevice"); }
  int SettingsChangedDelay() const override { return 500; }
};

class CBrelvikHS6533Device : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikHS6533Device(hid::HidBackend& backend = hid::defaultBackend(),
                                Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikHS6533Device"); }
  int SettingsChangedDelay() const override { return 500; }
};

}  // namespace tessel::ui
