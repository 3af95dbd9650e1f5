#include <gtest/gtest.h>

#include "device/transport/command_report.h"

namespace tessel::transport {
namespace {

TEST(CommandReport, ChecksumOfBeginIsOneAndLayoutIsFixed) {
  const auto r = buildRequest(0x01, 0, 0);
  EXPECT_EQ(r[0], 4);
  EXPECT_EQ(r[1], 0x01);
  EXPECT_EQ(r[2], 0x00);
  EXPECT_EQ(r[3], 0x01);
  for (size_t i = 4; i < kReportSize; ++i) EXPECT_EQ(r[i], 0) << i;

  const uint8_t data[3] = {0xFF, 0xFF, 0x10};
  const auto w = buildRequest(0x06, 3, 0x0180, data);
  EXPECT_EQ(w[4], 3);
  EXPECT_EQ(w[5], 0x80);
  EXPECT_EQ(w[6], 0x01);
  EXPECT_EQ(w[7], 0);
  EXPECT_EQ(w[8], 0xFF);
  EXPECT_EQ(w[10], 0x10);
  // 6 + 3 + 0x80 + 1 + 0xFF + 0xFF + 0x10 = 0x298: the sum carries into the high byte.
  EXPECT_EQ(w[1], 0x98);
  EXPECT_EQ(w[2], 0x02);
}

TEST(CommandReport, ChecksumKeepsSixteenBitsAndDataIsCutAt56) {
  std::array<uint8_t, 80> data;
  data.fill(0xFF);
  const auto r = buildRequest(0xFF, 0xFF, 0xFFFF, data);
  for (size_t i = 8; i < kReportSize; ++i) EXPECT_EQ(r[i], 0xFF);
  // Bytes 3..6 and 8..63 are 0xFF, the status byte 0: 60 x 255 = 15300 = 0x3BC4.
  EXPECT_EQ(reportChecksum(r), 0x3BC4);
  EXPECT_EQ(r[1], 0xC4);
  EXPECT_EQ(r[2], 0x3B);
}

TEST(CommandReport, TraceLinesGroupFourBytesWithThreeThenTwoSpaces) {
  const auto r = buildRequest(0x03, 0x22, 0);
  const auto lines = traceLines(r);
  EXPECT_EQ(lines[0],
            "04 25 00 03   22 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
            "00 00 00 00  00 00 00 00");
  CommandReport counting{};
  for (size_t i = 0; i < kReportSize; ++i) counting[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(traceLines(counting)[1],
            "20 21 22 23   24 25 26 27   28 29 2a 2b   2c 2d 2e 2f  30 31 32 33  34 35 36 37  "
            "38 39 3a 3b  3c 3d 3e 3f");
}

}  // namespace
}  // namespace tessel::transport
