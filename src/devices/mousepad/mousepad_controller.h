#pragma once
// The mousepad's controller. It has no battery, but its status block says
// which phone lies on its charging area (byte 5), so the tile polls it like a
// battery device's and the indicator shows the phone.
#include "device/base/usb_device_controller.h"

namespace tessel {

class MousepadController : public UsbDeviceController {
 public:
  using UsbDeviceController::UsbDeviceController;
  ~MousepadController() override { shutdown(); }
  bool pollsStatus() const override { return true; }
  std::optional<StatusBlock> readStatusBlock() override;
};

}  // namespace tessel
