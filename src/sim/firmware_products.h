#pragma once
// The firmware that answers each product of the virtual HID bus.
#include <memory>
#include <string_view>

#include "sim/firmware_base.h"

namespace tessel::sim {

// "mouse", "mouse-receiver", "keyboard", "keyboard-receiver", "mousepad",
// "headset"; nullptr for any other name.
std::unique_ptr<CommandFirmware> makeProductFirmware(std::string_view productName);

}  // namespace tessel::sim
