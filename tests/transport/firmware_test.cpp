// The emulated firmware on its own: what it holds from the factory and how it
// answers raw command reports.
#include <gtest/gtest.h>

#include <set>

#include "device/transport/command_report.h"
#include "sim/firmware_headset.h"
#include "sim/firmware_keyboard.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_mousepad.h"
#include "sim/firmware_products.h"

namespace tessel::sim {
namespace {

Report request(uint8_t command, uint8_t length = 0, uint16_t offset = 0, std::vector<uint8_t> data = {}) {
  const auto r = transport::buildRequest(command, length, offset, data);
  return Report(r.begin(), r.end());
}

std::vector<Report> send(CommandFirmware& fw, const Report& r) {
  std::vector<Report> replies;
  fw.onCommand(r, replies);
  return replies;
}

TEST(Firmware, RepliesEchoTheCommandAndCarryStatusAndData) {
  MouseFirmware fw;
  auto replies = send(fw, request(0x03, 16, 8));
  ASSERT_EQ(replies.size(), 1u);
  const Report& r = replies[0];
  ASSERT_EQ(r.size(), 64u);
  EXPECT_EQ(r[0], 4);
  EXPECT_EQ(r[3], 0x03);
  EXPECT_EQ(r[4], 16);
  EXPECT_EQ(r[5], 8);
  EXPECT_EQ(r[7], 0x00);
  EXPECT_EQ(r[8 + 1], 0x25);  // identity bytes 9-10: sensor 0x3325
  EXPECT_EQ(r[8 + 2], 0x33);
  // The reply's checksum is the sum of bytes 3..63.
  std::array<uint8_t, 64> copy{};
  std::copy(r.begin(), r.end(), copy.begin());
  EXPECT_EQ(transport::reportChecksum(copy), static_cast<uint16_t>(r[1] | (r[2] << 8)));

  // Unknown command or bad checksum: status 0xFF, nothing stored.
  EXPECT_EQ(send(fw, request(0x44))[0][7], 0xFF);
  Report bad = request(0x06, 1, 0, {9});
  bad[1] ^= 1;
  EXPECT_EQ(send(fw, bad)[0][7], 0xFF);
  EXPECT_EQ(fw.settings()[0], 0);
  EXPECT_FALSE(fw.requests().back().checksumOk);
  // Too long a chunk, or past the memory: 0xFE.
  EXPECT_EQ(send(fw, request(0x05, 57, 0))[0][7], 0xFE);
  EXPECT_EQ(send(fw, request(0x05, 8, 510))[0][7], 0xFE);
}

TEST(Firmware, BracketTrackingFlagsUnbracketedWritesAndOpenBrackets) {
  KeyboardFirmware fw;
  send(fw, request(0x06, 1, 0, {1}));
  EXPECT_EQ(fw.writesOutsideBracket(), 1);
  send(fw, request(0x01));
  EXPECT_TRUE(fw.bracketOpen());
  send(fw, request(0x09, 3, 0, {1, 2, 3}));
  send(fw, request(0x01));  // the first bracket was never closed
  send(fw, request(0x02));
  send(fw, request(0x02));
  EXPECT_EQ(fw.writesOutsideBracket(), 1);
  EXPECT_EQ(fw.bracketsLeftOpen(), 1);
  EXPECT_EQ(fw.endsWithoutBegin(), 1);
  EXPECT_FALSE(fw.bracketOpen());
  // Reads, live frames and custom colours need no bracket.
  send(fw, request(0x05, 4, 0));
  send(fw, request(0x12, 3, 0, {1, 2, 3}));
  send(fw, request(0x0B, 3, 0, {1, 2, 3}));
  EXPECT_EQ(fw.writesOutsideBracket(), 1);
  const auto log = fw.requests();
  EXPECT_TRUE(log[2].inBracket);
  EXPECT_EQ(log[2].data(), (std::vector<uint8_t>{1, 2, 3}));
  // Key table writes land in the user table; 0x07 keeps reading the defaults.
  EXPECT_EQ(fw.keyTable()[0], 1);
  EXPECT_EQ(fw.defaultKeyTable()[0], 0x20);
}

TEST(Firmware, TheMouseReadsBackTheKeyTableItStoredTheKeyboardItsFactoryTable) {
  MouseFirmware mouse;
  KeyboardFirmware keyboard;
  const auto slot1 = [](CommandFirmware& fw) {
    const Report r = send(fw, request(0x07, 3, 3))[0];
    return std::vector<uint8_t>(r.begin() + 8, r.begin() + 11);
  };
  for (CommandFirmware* fw : std::initializer_list<CommandFirmware*>{&mouse, &keyboard}) {
    send(*fw, request(0x01));
    send(*fw, request(0x09, 3, 3, {0x20, 0x00, 0x04}));
    send(*fw, request(0x02));
  }
  EXPECT_EQ(slot1(mouse), (std::vector<uint8_t>{0x20, 0x00, 0x04}));
  const auto factory = keyboard.defaultKeyTable();
  EXPECT_EQ(slot1(keyboard), std::vector<uint8_t>(factory.begin() + 3, factory.begin() + 6));
  // A mouse that left the factory with another table reads that one back.
  mouse.setDefaultKeyTable({0x10, 0x02, 0x00, 0x10, 0x01, 0x00});
  EXPECT_EQ(slot1(mouse), (std::vector<uint8_t>{0x10, 0x01, 0x00}));
}

TEST(Firmware, ReceiverAnswersForItsSleepingDevice) {
  MouseFirmware rx(true);
  EXPECT_EQ(send(rx, request(0xAA))[0][8], 0xFF);
  rx.setDeviceAwake(false);
  auto r = send(rx, request(0xAA));
  EXPECT_EQ(r[0][3], 0xAA);
  EXPECT_EQ(r[0][8], 0x00);
  r = send(rx, request(0x06, 1, 0, {3}));
  EXPECT_EQ(r[0][3], 0xAA);
  EXPECT_EQ(rx.settings()[0], 0);  // not passed on
  EXPECT_TRUE(rx.requests().back().deviceAsleep);
  // A cable product has no link to lose.
  MouseFirmware cable;
  cable.setDeviceAwake(false);
  EXPECT_EQ(send(cable, request(0x05, 1, 0))[0][3], 0x05);
}

TEST(Firmware, FaultsComeOnCue) {
  MouseFirmware fw;
  fw.injectFault({FaultKind::NoReply, 0x05, 1, 1});
  fw.injectFault({FaultKind::OtherCommand, 0x1A, 0, 1});
  fw.injectFault({FaultKind::StatusFE, 0, 0, 2});
  EXPECT_EQ(send(fw, request(0x05, 1, 0))[0][7], 0x00);  // skipped once
  EXPECT_TRUE(send(fw, request(0x05, 1, 0)).empty());
  auto r = send(fw, request(0x1A, 6, 0));
  ASSERT_EQ(r.size(), 1u);
  EXPECT_NE(r[0][3], 0x1A);
  EXPECT_EQ(send(fw, request(0x03, 34, 0))[0][7], 0xFE);
  EXPECT_EQ(send(fw, request(0x06, 1, 0, {7}))[0][7], 0xFE);
  EXPECT_EQ(fw.settings()[0], 0);  // a refused write stores nothing
  EXPECT_EQ(send(fw, request(0x03, 34, 0))[0][7], 0x00);
  fw.injectFault({FaultKind::StaleThenReply, 0, 0, 1});
  r = send(fw, request(0x07, 3, 0));
  ASSERT_EQ(r.size(), 2u);
  EXPECT_NE(r[0][3], 0x07);
  EXPECT_EQ(r[1][3], 0x07);
  EXPECT_EQ(r[1][8], 0x10);
}

TEST(Firmware, MouseTablesMatchWhatTheMousePageReads) {
  MouseFirmware fw;
  const auto id = fw.identity();
  EXPECT_EQ(id[5], 11);
  EXPECT_EQ(fw.macroMemory().size(), id[6] * 128u);
  // Every logical button's default code is in some slot, exactly once.
  const std::vector<std::array<uint8_t, 3>> logical = {
      {0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00}, {0x10, 0x10, 0x00},
      {0x10, 0x08, 0x00}, {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00}, {0x13, 0x03, 0x00},
      {0xA0, 0x1B, 0x00}, {0x16, 0x90, 0x01}, {0x14, 0x78, 0x02}};
  const auto table = fw.defaultKeyTable();
  for (const auto& code : logical) {
    int found = 0;
    for (size_t k = 0; k < id[5]; ++k)
      found += std::equal(code.begin(), code.end(), table.begin() + static_cast<long>(k * 3)) ? 1 : 0;
    EXPECT_EQ(found, 1) << int(code[0]) << " " << int(code[1]);
  }
  // Settings blocks at p x 128 with byte 59 = 1 and five enabled stages.
  const auto s = fw.settings();
  for (size_t p = 0; p < kMouseProfiles; ++p) {
    EXPECT_EQ(s[p * 128 + 59], 1);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(s[p * 128 + 14 + 9 * i], 1);
  }
  // Highest index 73 is 10000 DPI on the two-slope scale (200 + 48 x 100 + 25 x 200).
  EXPECT_EQ(kMouseLowestDpi + 48 * kMouseDpiStep + (kMouseHighestIndex - 48) * 200, 10000);
}

TEST(Firmware, KeyboardTablesMatchTheLayoutPositions) {
  KeyboardFirmware fw;
  const auto id = fw.identity();
  const size_t n = id[5];
  ASSERT_EQ(n, 122u);
  const auto& layout = keyboardLayoutFunctions();
  EXPECT_EQ(layout[0], (std::array<uint8_t, 3>{0x20, 0x00, 0x29}));
  EXPECT_EQ(layout[16], (std::array<uint8_t, 3>{0xA0, 0x1B, 0x00}));
  EXPECT_EQ(layout[84], (std::array<uint8_t, 3>{0x20, 0x02, 0x00}));
  EXPECT_EQ(layout[110], (std::array<uint8_t, 3>{0xA0, 0x01, 0x00}));
  EXPECT_EQ(layout[124], (std::array<uint8_t, 3>{0xD0, 0xA2, 0x05}));
  EXPECT_EQ(layout[125], (std::array<uint8_t, 3>{0x20, 0x80, 0x00}));
  // Every device key carries a distinct layout function; every layout
  // position but the four gaps finds its key.
  const auto table = fw.defaultKeyTable();
  std::set<std::array<uint8_t, 3>> keys;
  for (size_t k = 0; k < n; ++k) keys.insert({table[k * 3], table[k * 3 + 1], table[k * 3 + 2]});
  EXPECT_EQ(keys.size(), n);
  size_t gaps = 0;
  for (size_t j = 0; j < kKeyboardLayoutPositions; ++j) {
    if (keys.count(layout[j]) == 0) {
      ++gaps;
      EXPECT_TRUE(j == 18 || j == 19 || j == 20 || j == 104) << j;
    }
  }
  EXPECT_EQ(gaps, 4u);
  // LED indices are a permutation of 0..n-1, so the custom colours (n x 3) cover them.
  const auto leds = fw.ledTable();
  std::set<uint8_t> ledSet(leds.begin(), leds.begin() + static_cast<long>(n));
  EXPECT_EQ(ledSet.size(), n);
  EXPECT_EQ(*ledSet.rbegin(), n - 1);
  // 31-byte blocks with the options at their bytes.
  EXPECT_EQ(fw.settings()[31 + 20], 1);
  EXPECT_EQ(fw.settings()[31 + 22], 3);
}

TEST(Firmware, ProductsByNameAndHeadsetOutputReports) {
  for (const char* name : {"mouse", "mouse-receiver", "keyboard", "keyboard-receiver", "mousepad", "headset"}) {
    auto fw = makeProductFirmware(name);
    ASSERT_NE(fw, nullptr) << name;
    EXPECT_EQ(fw->productName(), name);
    EXPECT_EQ(fw->throughReceiver(), std::string(name).find("receiver") != std::string::npos);
  }
  EXPECT_EQ(makeProductFirmware("toaster"), nullptr);

  MousepadFirmware pad;
  EXPECT_EQ(pad.statusBlock()[5], 1);
  EXPECT_EQ(pad.identity()[5], 0);
  EXPECT_EQ(pad.settings().size(), kMousepadProfiles * 64);

  HeadsetFirmware hs;
  Report led(17, 0);
  led[0] = 0xFF;
  led[1] = 0x22;
  led[2] = 0xAA;
  hs.onOutputReport(led);
  EXPECT_EQ(hs.outputReportCount(), 1u);
  EXPECT_EQ(hs.outputReports()[0], led);
  // The headset keeps its light block where the page writes it (p x 64).
  EXPECT_EQ(send(hs, request(0x06, 3, 64, {1, 2, 3}))[0][7], 0x00);
  EXPECT_EQ(hs.settings()[65], 2);
}

}  // namespace
}  // namespace tessel::sim
