#include "ui/device/device_kinds.h"

#include <array>

#include "ui/device/mp_device_power.h"

namespace tessel::ui {

void MouseController::pollStatus() {
  // Hidden in the tray: nobody looks at the battery, so the mouse is left alone.
  if (windowHidden()) return;
  std::array<uint8_t, transport::kStatusBlockSize> block{};
  if (transport().readStatus(block) != ResultCode::Success) return;
  if (statusHandler_) statusHandler_(block.data(), block.size());
}

CBrelvikMouseDevice::CBrelvikMouseDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<MouseController>(backend, clock)) {
  Mouse().setStatusHandler([this](const uint8_t* block, size_t length) {
    if (CMpDevicePowerUI* indicator = GetBatteryIndicator()) indicator->Update(block, length);
  });
}

CBrelvikKeyboardDevice::CBrelvikKeyboardDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<UsbDeviceController>(backend, clock)) {}

CBrelvikMousePadDevice::CBrelvikMousePadDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<UsbDeviceController>(backend, clock)) {}

CBrelvikHS6533Device::CBrelvikHS6533Device(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<UsbDeviceController>(backend, clock)) {}

}  // namespace tessel::ui
