#pragma once
// The mouse's controller: awake when the receiver's link query says so (on
// the cable always); its status block feeds the battery indicator, except
// while the window is hidden in the tray.
#include "device/base/usb_device_controller.h"

namespace tessel {

class MouseController : public UsbDeviceController {
 public:
  using UsbDeviceController::UsbDeviceController;
  ~MouseController() override { shutdown(); }
  // On the device's queue.
  bool isAwake() override { return transport().linkQuery(); }
  std::optional<StatusBlock> readStatusBlock() override;
};

}  // namespace tessel
