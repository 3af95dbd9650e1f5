#pragma once
// Reading and writing a light settings block on the device (the mousepad and
// the headset): the current profile byte at offset 0, then that profile's 31
// bytes at p x 31; the 21 bytes written back at the same offset inside a
// begin/end bracket. What to do while the device is closed, and when a
// block was never read, stays with the caller.
#include <cstdint>
#include <span>

#include "core/result_code.h"
#include "device/base/light_settings_block.h"
#include "device/transport/command_transport.h"

namespace tessel {

// Reads the block of the profile the device is on into `block` (untouched
// unless both reads succeed). A profile byte past `profileCount` reads
// profile 0; `rawProfile`, when given, gets the byte as the device sent it.
ResultCode readLightSettingsBlock(transport::CommandTransport& transport, uint8_t profileCount,
                                  std::span<const uint8_t> modeCodes, LightSettingsBlock& block,
                                  uint8_t* rawProfile = nullptr);

// Writes `block` back where it was read, with the code of `selectItem`.
ResultCode writeLightSettingsBlock(transport::CommandTransport& transport, const LightSettingsBlock& block,
                                   uint8_t selectItem, std::span<const uint8_t> modeCodes);

}  // namespace tessel
