#pragma once
// The page halves of the four device kinds. Their controllers, below the Qt
// line in devices/<kind>/, hold what the kinds do with the device (link
// query, status block, lighting commands); the pages will grow their views.
#include "devices/keyboard/keyboard_controller.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/mouse_page.h"
#include "ui/device/mousepad_page.h"

namespace tessel::ui {

class CBrelvikKeyboardDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikKeyboardDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikKeyboardDevice"); }
};

class CBrelvikHS6533Device : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikHS6533Device(hid::HidBackend& backend = hid::defaultBackend(),
                                Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikHS6533Device"); }
  int SettingsChangedDelay() const override { return 500; }
};

}  // namespace tessel::ui
