#pragma once
// The headset's LED frame: the colours of its 13 light zones go out as twelve
// 17-byte HID output reports on the cable handle (not as the 64-byte command
// reports of the other devices). Each report carries one colour channel of
// one half of the zones, and the headset takes the same data twice, under
// the prefixes 0x22 and 0x44:
//
//   byte 0      0xFF (report id)
//   byte 1      0x22 or 0x44
//   byte 2      block code: 0xAA / 0xAB / 0xAC red / green / blue of zones 0-6,
//               0xAD / 0xAE / 0xAF red / green / blue of zones 7-12
//   byte 3      0
//   bytes 4-10  zones 0-6; in the 0xAD..0xAF blocks zones 7-12 in bytes 4-9
//               and byte 10 repeats byte 10 of the report sent just before
//               (zone 6 of the same colour)
//   bytes 11-16 0
//
// The LEDs overdrive above 0xF7, so every channel is capped there.
#include <array>
#include <cstdint>
#include <span>

namespace tessel::headset {

inline constexpr size_t kZoneCount = 13;
inline constexpr size_t kLedReportSize = 17;
inline constexpr size_t kLedReportCount = 12;
inline constexpr uint8_t kLedReportId = 0xFF;
inline constexpr uint8_t kLedChannelMax = 0xF7;
// The zones of the first half of a colour (bytes 4-10); the rest go in the second.
inline constexpr size_t kFirstHalfZones = 7;

using LedReport = std::array<uint8_t, kLedReportSize>;
using LedReports = std::array<LedReport, kLedReportCount>;

// What one frame sends: each channel of each zone, already scaled by the
// zone's brightness and capped.
struct LedColours {
  std::array<uint8_t, kZoneCount> red{}, green{}, blue{};
  friend bool operator==(const LedColours&, const LedColours&) = default;
};

// One channel of a zone record: (value x brightness) >> 8, at most 0xF7.
uint8_t ledChannel(uint8_t value, uint8_t brightness);

// The frame of the zone records (packed as in software_effects.h: red, green,
// blue, brightness from the low byte up). Zones past the 13th are ignored,
// missing ones are black.
LedColours ledColoursFromZones(std::span<const uint32_t> zones);

// The twelve reports in the order they are sent: 22 AA, 22 AD, 44 AA, 44 AD,
// 22 AB, 22 AE, 44 AB, 44 AE, 22 AC, 22 AF, 44 AC, 44 AF.
LedReports encodeLedReports(const LedColours& colours);

}  // namespace tessel::headset
