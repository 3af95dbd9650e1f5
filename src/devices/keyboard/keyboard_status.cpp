#include "devices/keyboard/keyboard_status.h"

#include "device/base/usb_device_controller.h"

namespace tessel::keyboard {

std::optional<StatusReport> decodeStatusUsage(uint16_t usage, int profileCount) {
  if (usage == kUsageSettingsChanged) return StatusReport{};
  if (usage == kUsageProfileListChanged) return StatusReport{StatusReport::Kind::ProfileListChanged, 0, {}};
  const unsigned high = usage >> 8;
  if (high != kUsageProfileHigh && high != kUsageProfileByte17High) return std::nullopt;
  StatusReport r{StatusReport::Kind::Profile, static_cast<uint8_t>(usage & 0x0F), {}};
  if (high == kUsageProfileByte17High) r.byte17 = static_cast<uint8_t>((usage >> 4) & 0x0F);
  // A profile the keyboard does not have would address memory past its blocks.
  if (profileCount < 1) profileCount = 1;
  if (r.profile >= profileCount) return std::nullopt;
  return r;
}

}  // namespace tessel::keyboard
