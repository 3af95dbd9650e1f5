#pragma once
// The keyboard's controller. Switching light control on gives the keyboard
// its own lighting back with command 0x1C, on its cable only: through the
// receiver the command is never sent.
#include "device/base/usb_device_controller.h"

namespace tessel {

class KeyboardController : public UsbDeviceController {
 public:
  using UsbDeviceController::UsbDeviceController;
  ~KeyboardController() override { shutdown(); }
  // UI thread: stores the flag and, when on, queues 0x1C.
  void resumeLighting(bool on) override;
};

}  // namespace tessel
