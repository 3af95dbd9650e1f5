#include "sim/firmware_products.h"

#include "sim/firmware_headset.h"
#include "sim/firmware_keyboard.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_mousepad.h"

namespace tessel::sim {

std::unique_ptr<CommandFirmware> makeProductFirmware(std::string_view name) {
  if (name == "mouse") return std::make_unique<MouseFirmware>(false);
  if (name == "mouse-receiver") return std::make_unique<MouseFirmware>(true);
  if (name == "keyboard") return std::make_unique<KeyboardFirmware>(false);
  if (name == "keyboard-receiver") return std::make_unique<KeyboardFirmware>(true);
  if (name == "mousepad") return std::make_unique<MousepadFirmware>();
  if (name == "headset") return std::make_unique<HeadsetFirmware>();
  return nullptr;
}

}  // namespace tessel::sim
