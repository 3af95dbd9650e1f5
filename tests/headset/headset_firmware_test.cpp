// The emulated headset: its settings blocks at p x 31 and how it takes LED
// frames (only whole frames, in order, with equal data under both prefixes).
#include <gtest/gtest.h>

#include "devices/headset/headset_encoding.h"
#include "sim/firmware_headset.h"

using namespace tessel;
using namespace tessel::headset;

namespace {

LedColours gradient(uint8_t base) {
  LedColours c;
  for (size_t i = 0; i < kZoneCount; ++i) {
    c.red[i] = static_cast<uint8_t>(base + i);
    c.green[i] = static_cast<uint8_t>(base + 20 + i);
    c.blue[i] = static_cast<uint8_t>(base + 40 + i);
  }
  return c;
}

void send(sim::HeadsetFirmware& fw, const LedReport& r) { fw.onOutputReport(sim::Report(r.begin(), r.end())); }

}  // namespace

TEST(HeadsetFirmware, EveryProfileHasABlockAtItsOffsetAndByteZeroIsTheCurrentProfile) {
  sim::HeadsetFirmware fw;
  const auto s = fw.settings();
  EXPECT_EQ(s[0], 0);
  for (size_t p = 0; p < sim::kHeadsetProfiles; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(s[p * 31 + 1], 2);     // breathing's code
    EXPECT_EQ(s[p * 31 + 3], 1);     // speed 3, stored as 4 - 3
    EXPECT_NE(s[p * 31 + 4], 0);     // the headset's own bytes are not zeros
    EXPECT_NE(s[p * 31 + 20], 0);
  }
}

TEST(HeadsetFirmware, AWholeFrameInOrderIsDecodedZoneByZone) {
  sim::HeadsetFirmware fw;
  const LedColours c = gradient(10);
  const LedReports reports = encodeLedReports(c);
  for (size_t i = 0; i + 1 < reports.size(); ++i) send(fw, reports[i]);
  EXPECT_FALSE(fw.ledFrame());  // eleven of twelve: no frame yet
  send(fw, reports.back());
  const auto frame = fw.ledFrame();
  ASSERT_TRUE(frame);
  for (size_t i = 0; i < kZoneCount; ++i) {
    EXPECT_EQ(frame->red[i], c.red[i]) << i;
    EXPECT_EQ(frame->green[i], c.green[i]) << i;
    EXPECT_EQ(frame->blue[i], c.blue[i]) << i;
  }
  EXPECT_EQ(fw.ledFrameCount(), 1u);
  EXPECT_EQ(fw.strayLedReports(), 0u);
  EXPECT_EQ(fw.outputReportCount(), 12u);
}

TEST(HeadsetFirmware, AFrameCutShortOrMixedWithAnotherNeverShows) {
  sim::HeadsetFirmware fw;
  const LedReports a = encodeLedReports(gradient(10));
  const LedReports b = encodeLedReports(gradient(100));
  // Half of frame a, then frame b whole: only b shows.
  for (size_t i = 0; i < 6; ++i) send(fw, a[i]);
  for (const auto& r : b) send(fw, r);
  ASSERT_TRUE(fw.ledFrame());
  EXPECT_EQ(fw.ledFrame()->red[0], 100);
  EXPECT_EQ(fw.ledFrameCount(), 1u);
  EXPECT_EQ(fw.strayLedReports(), 1u);
  // 0x44 data other than the 0x22 data: the frame is dropped.
  LedReports bad = encodeLedReports(gradient(50));
  bad[2][5] ^= 0xFF;
  for (const auto& r : bad) send(fw, r);
  EXPECT_EQ(fw.ledFrameCount(), 1u);
  EXPECT_EQ(fw.ledFrame()->red[0], 100);
  // A report of the wrong length is no LED report.
  sim::Report shortReport(a[0].begin(), a[0].begin() + 10);
  fw.onOutputReport(shortReport);
  for (const auto& r : a) send(fw, r);
  EXPECT_EQ(fw.ledFrameCount(), 2u);
  EXPECT_EQ(fw.ledFrame()->red[12], 22);
}
