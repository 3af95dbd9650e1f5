#pragma once
// The keyboard's status reports: the first usage of an input report on one of
// its two status interfaces, and what the controller does with it. Pure.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tessel::keyboard {

// 0x0401 (the base's settings-changed usage): resynchronise.
inline constexpr uint16_t kUsageProfileListChanged = 0x0402;
inline constexpr uint16_t kUsageProfileHigh = 0x10;          // 0x10pp: profile pp & 0x0F
inline constexpr uint16_t kUsageProfileByte17High = 0x11;    // 0x11xy: profile y, byte 17 := x
inline constexpr std::size_t kStatusByte = 17;

struct StatusReport {
  enum class Kind { Resync, ProfileListChanged, Profile };
  Kind kind = Kind::Resync;
  uint8_t profile = 0;                // Kind::Profile
  std::optional<uint8_t> byte17;      // 0x11xy only
  bool operator==(const StatusReport&) const = default;
};

// What a usage asks for; nothing for usages the keyboard ignores, and for a
// profile report naming a profile not below `profileCount` (the keyboard's
// on-board profiles; 1..16).
std::optional<StatusReport> decodeStatusUsage(uint16_t usage, int profileCount);

}  // namespace tessel::keyboard
