#include "devices/keyboard/keyboard_controller.h"

namespace tessel {

void KeyboardController::resumeLighting(bool on) {
  UsbDeviceController::resumeLighting(on);
  if (!on) return;
  commandQueue().submit([this] {
    // Decided when the job runs: the connection may have moved meanwhile.
    if (transport().isOpen() && !transport().onReceiver()) transport().resumeLighting();
  });
}

}  // namespace tessel
