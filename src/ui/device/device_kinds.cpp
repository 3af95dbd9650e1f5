#include "ui/device/device_kinds.h"

namespace tessel::ui {

CBrelvikKeyboardDevice::CBrelvikKeyboardDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<KeyboardController>(backend, clock)) {}

CBrelvikHS6533Device::CBrelvikHS6533Device(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<UsbDeviceController>(backend, clock)) {}

}  // namespace tessel::ui
