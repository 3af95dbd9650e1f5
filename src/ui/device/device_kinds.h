#pragma once
// The page halves of the four device kinds. Their controllers, below the Qt
// line in devices/<kind>/, hold what the kinds do with the device (link
// query, status block, lighting commands); the pages will grow their views.
#include "devices/keyboard/keyboard_controller.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/hs6533_page.h"
#include "ui/device/mouse_page.h"
#include "ui/device/mousepad_page.h"

namespace tessel::ui {

class CBrelvikKeyboardDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikKeyboardDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikKeyboardDevice"); }
};

}  // namespace tessel::ui
