#include "devices/mouse/mouse_controller.h"

namespace tessel {

std::optional<UsbDeviceController::StatusBlock> MouseController::readStatusBlock() {
  // Hidden in the tray: nobody looks at the battery, so the mouse is left alone.
  if (windowHidden()) return std::nullopt;
  return readStatusFromDevice();
}

}  // namespace tessel
