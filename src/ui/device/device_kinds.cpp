#include "ui/device/device_kinds.h"

namespace tessel::ui {

CBrelvikKeyboardDevice::CBrelvikKeyboardDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<KeyboardController>(backend, clock)) {}


}  // namespace tessel::ui
