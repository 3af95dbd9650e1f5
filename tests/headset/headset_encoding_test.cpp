// The headset's LED output reports, pinned byte for byte.
#include <gtest/gtest.h>

#include "device/base/software_effects.h"
#include "devices/headset/headset_encoding.h"

using namespace tessel;
using namespace tessel::headset;

namespace {

// Zone i gets red 10 + i, green 40 + i, blue 70 + i at full brightness: every
// byte of a report names the zone and channel it came from.
LedColours distinctColours() {
  LedColours c;
  for (size_t i = 0; i < kZoneCount; ++i) {
    c.red[i] = static_cast<uint8_t>(10 + i);
    c.green[i] = static_cast<uint8_t>(40 + i);
    c.blue[i] = static_cast<uint8_t>(70 + i);
  }
  return c;
}

}  // namespace

TEST(HeadsetLedChannel, ScalesByBrightnessAndCapsAtF7) {
  // (255, 128, 0) at 255: 254 is capped to 247, 127 and 0 pass.
  const std::vector<uint32_t> zones{packZone(255, 128, 0, 255)};
  const LedColours c = ledColoursFromZones(zones);
  EXPECT_EQ(c.red[0], 247);
  EXPECT_EQ(c.green[0], 127);
  EXPECT_EQ(c.blue[0], 0);
  EXPECT_EQ(ledChannel(200, 128), 100);   // shifted, not rounded: 25600 >> 8
  EXPECT_EQ(ledChannel(247, 255), 246);
  EXPECT_EQ(ledChannel(255, 0), 0);
  EXPECT_EQ(ledChannel(249, 255), 247);   // 248 capped
}

TEST(HeadsetLedChannel, MissingZonesAreBlackAndExtraZonesIgnored) {
  std::vector<uint32_t> zones(20, packZone(100, 100, 100, 255));
  zones.resize(3);
  const LedColours c = ledColoursFromZones(zones);
  EXPECT_EQ(c.red[2], 99);
  EXPECT_EQ(c.red[3], 0);
  EXPECT_EQ(c.blue[12], 0);
  const std::vector<uint32_t> many(20, packZone(0, 0, 255, 255));
  EXPECT_EQ(ledColoursFromZones(many).blue[12], 247);
}

TEST(HeadsetLedReports, TwelveReportsInTheSendingOrder) {
  const LedReports r = encodeLedReports(distinctColours());
  const uint8_t order[12][2] = {{0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD},
                                {0x22, 0xAB}, {0x22, 0xAE}, {0x44, 0xAB}, {0x44, 0xAE},
                                {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF}};
  for (size_t i = 0; i < kLedReportCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r[i][0], 0xFF);
    EXPECT_EQ(r[i][1], order[i][0]);
    EXPECT_EQ(r[i][2], order[i][1]);
    EXPECT_EQ(r[i][3], 0);
    for (size_t b = 11; b < kLedReportSize; ++b) EXPECT_EQ(r[i][b], 0) << "byte " << b;
  }
}

TEST(HeadsetLedReports, FirstHalfCarriesZones0To6AndSecondHalfRepeatsZone6) {
  const LedReports r = encodeLedReports(distinctColours());
  // 22 AA: red of zones 0..6.
  const LedReport expectRed1{0xFF, 0x22, 0xAA, 0, 10, 11, 12, 13, 14, 15, 16, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(r[0], expectRed1);
  // 22 AD: red of zones 7..12, then zone 6's red again in byte 10.
  const LedReport expectRed2{0xFF, 0x22, 0xAD, 0, 17, 18, 19, 20, 21, 22, 16, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(r[1], expectRed2);
  // 44 blocks carry the same data as 22.
  for (size_t i = 0; i < kLedReportCount; i += 4) {
    for (size_t b = 3; b < kLedReportSize; ++b) {
      EXPECT_EQ(r[i][b], r[i + 2][b]);
      EXPECT_EQ(r[i + 1][b], r[i + 3][b]);
    }
  }
  // Green and blue in their own blocks.
  const LedReport expectGreen2{0xFF, 0x22, 0xAE, 0, 47, 48, 49, 50, 51, 52, 46, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(r[5], expectGreen2);
  const LedReport expectBlue1{0xFF, 0x44, 0xAC, 0, 70, 71, 72, 73, 74, 75, 76, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(r[10], expectBlue1);
  EXPECT_EQ(r[11][10], 76);
}
