#include "devices/headset/headset_encoding.h"

#include <algorithm>

namespace tessel::headset {

namespace {

constexpr uint8_t kPrefixes[2] = {0x22, 0x44};
constexpr uint8_t kFirstHalfCode[3] = {0xAA, 0xAB, 0xAC};  // red, green, blue
constexpr uint8_t kSecondHalfCode[3] = {0xAD, 0xAE, 0xAF};
constexpr size_t kDataStart = 4;

}  // namespace

uint8_t ledChannel(uint8_t value, uint8_t brightness) {
  const unsigned scaled = (static_cast<unsigned>(value) * brightness) >> 8;
  return static_cast<uint8_t>(std::min<unsigned>(scaled, kLedChannelMax));
}

LedColours ledColoursFromZones(std::span<const uint32_t> zones) {
  LedColours out;
  const size_t n = std::min(zones.size(), kZoneCount);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t z = zones[i];
    const uint8_t brightness = static_cast<uint8_t>(z >> 24);
    out.red[i] = ledChannel(static_cast<uint8_t>(z), brightness);
    out.green[i] = ledChannel(static_cast<uint8_t>(z >> 8), brightness);
    out.blue[i] = ledChannel(static_cast<uint8_t>(z >> 16), brightness);
  }
  return out;
}

LedReports encodeLedReports(const LedColours& colours) {
  const std::array<const std::array<uint8_t, kZoneCount>*, 3> channels{&colours.red, &colours.green, &colours.blue};
  LedReports reports{};
  size_t at = 0;
  for (size_t c = 0; c < 3; ++c) {
    const auto& values = *channels[c];
    for (uint8_t prefix : kPrefixes) {
      LedReport& first = reports[at++];
      first[0] = kLedReportId;
      first[1] = prefix;
      first[2] = kFirstHalfCode[c];
      std::copy_n(values.begin(), kFirstHalfZones, first.begin() + kDataStart);

      LedReport& second = reports[at++];
      second[0] = kLedReportId;
      second[1] = prefix;
      second[2] = kSecondHalfCode[c];
      std::copy(values.begin() + kFirstHalfZones, values.end(), second.begin() + kDataStart);
      // The second half has one zone less; its last data byte repeats the
      // report before it (zone 6), as the headset's firmware expects.
      second[kDataStart + kFirstHalfZones - 1] = first[kDataStart + kFirstHalfZones - 1];
    }
  }
  return reports;
}

}  // namespace tessel::headset
