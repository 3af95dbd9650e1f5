// The full settings read and the command set sequences against the emulated firmware.
#include <gtest/gtest.h>

#include "device/transport/command_set.h"
#include "transport_fixture.h"

namespace tessel::transport {
namespace {

using sim::FaultKind;
using sim::KeyboardFirmware;
using sim::MouseFirmware;
using test::Rig;
namespace fwcmd = sim::cmd;

std::vector<uint8_t> codes(std::initializer_list<uint8_t> list) { return list; }

TEST(FullSettingsRead, MouseOnTheCable) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  DeviceTables tables;
  const auto r = readFullSettings(rig.t(), DeviceKind::Mouse, tables);
  EXPECT_EQ(r.result, ResultCode::Success);
  EXPECT_EQ(rig.fw->commandCodes(), codes({0x01, 0x03, 0x07, 0x02}));
  EXPECT_EQ(tables.identity, rig.fw->identity());
  EXPECT_EQ(rig.t().memorySize(), 33);
  const auto def = rig.fw->defaultKeyTable();
  EXPECT_TRUE(std::equal(tables.keyTable.begin(), tables.keyTable.begin() + 33, def.begin()));
  EXPECT_FALSE(rig.fw->bracketOpen());
}

TEST(FullSettingsRead, KeyboardThroughTheReceiverReadsKeysAndLeds) {
  Rig<KeyboardFirmware> rig("keyboard-receiver", std::make_shared<KeyboardFirmware>(true), 2);
  DeviceTables tables;
  int notified = 0;
  const auto r = readFullSettings(rig.t(), DeviceKind::Keyboard, tables, [&] { ++notified; });
  EXPECT_EQ(r.result, ResultCode::Success);
  EXPECT_EQ(notified, 1);
  // 122 keys: 366 bytes in 16 chunks of 24 (the last 6), LED table 122 bytes in 6 chunks.
  std::vector<uint8_t> expected{0x01, 0x03, 0x03};
  expected.insert(expected.end(), 16, 0x07);
  expected.insert(expected.end(), 6, 0x1B);
  expected.push_back(0x02);
  EXPECT_EQ(rig.fw->commandCodes(), expected);
  const auto leds = rig.fw->ledTable();
  EXPECT_TRUE(std::equal(tables.ledTable.begin(), tables.ledTable.begin() + 122, leds.begin()));
  EXPECT_EQ(tables.ledTable[0], 121);
}

TEST(FullSettingsRead, RefusedMemorySizeStillClosesTheSequence) {
  Rig<KeyboardFirmware> rig("keyboard", std::make_shared<KeyboardFirmware>(), 1);
  rig.fw->setIdentityByte(5, 171);  // 513 bytes of key table
  DeviceTables tables;
  tables.keyTable.fill(0x42);
  const auto r = readFullSettings(rig.t(), DeviceKind::Keyboard, tables);
  EXPECT_NE(r.result, ResultCode::Success);
  EXPECT_TRUE(r.memorySizeRefused);
  EXPECT_EQ(rig.fw->commandCodes(), codes({0x01, 0x03, 0x02}));
  EXPECT_FALSE(rig.fw->bracketOpen());
  EXPECT_EQ(rig.t().memorySize(), 512);  // kept
  EXPECT_EQ(tables.keyTable[0], 0x42);   // kept

  rig.fw->setIdentityByte(5, 170);  // 510 bytes: readable
  rig.fw->clearLog();
  EXPECT_EQ(readFullSettings(rig.t(), DeviceKind::Keyboard, tables).result, ResultCode::Success);
  EXPECT_EQ(rig.t().memorySize(), 510);
}

TEST(FullSettingsRead, FailuresEndTheSequenceWithEnd) {
  // The mouse stops after a failed identity read, and closes the bracket.
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  rig.fw->injectFault({FaultKind::StatusFF, fwcmd::kReadIdentity, 0, 1});
  DeviceTables tables;
  auto r = readFullSettings(rig.t(), DeviceKind::Mouse, tables);
  EXPECT_EQ(r.result, ResultCode::StatusFF);
  EXPECT_EQ(r.failedCommand, 0x03);
  EXPECT_EQ(rig.fw->commandCodes(), codes({0x01, 0x03, 0x02}));
  EXPECT_EQ(tables.identity[5], 0);  // not copied

  // A failed key table read keeps the previous image.
  rig.fw->clearLog();
  tables.keyTable.fill(0x99);
  rig.fw->injectFault({FaultKind::StatusFE, fwcmd::kReadKeyTable, 0, 1});
  r = readFullSettings(rig.t(), DeviceKind::Mouse, tables);
  EXPECT_EQ(r.result, ResultCode::StatusFE);
  EXPECT_EQ(r.failedCommand, 0x07);
  EXPECT_EQ(tables.keyTable[0], 0x99);
  EXPECT_EQ(rig.fw->commandCodes(), codes({0x01, 0x03, 0x07, 0x02}));
}

TEST(FullSettingsRead, SleepingMouseIsNotAddressed) {
  Rig<MouseFirmware> rig("mouse-receiver", std::make_shared<MouseFirmware>(true), 2);
  rig.fw->setDeviceAwake(false);
  DeviceTables tables;
  const auto r = readFullSettings(rig.t(), DeviceKind::Mouse, tables);
  EXPECT_EQ(r.result, ResultCode::Unreachable);
  EXPECT_EQ(rig.fw->commandCodes(), codes({0xAA}));

  rig.fw->setDeviceAwake(true);
  rig.fw->clearLog();
  EXPECT_EQ(readFullSettings(rig.t(), DeviceKind::Mouse, tables).result, ResultCode::Success);
  EXPECT_EQ(rig.fw->commandCodes(), codes({0xAA, 0x01, 0x03, 0x03, 0x07, 0x07, 0x02}));
}

TEST(CommandSet, WritesAreBracketedAndLandInTheirMemories) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  // A macro memory image the device accepts: one block of 70 events (302 bytes).
  std::vector<uint8_t> macro(302), block(66, 0x0C);
  for (size_t i = 22; i < macro.size(); ++i) macro[i] = static_cast<uint8_t>(i ^ 0x5A);
  const std::vector<uint8_t> head = {0xAA, 0x55, 0x2E, 0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 18, 0, 70, 0, 0, 0};
  std::copy(head.begin(), head.end(), macro.begin());
  ASSERT_EQ(rig.t().begin(), ResultCode::Success);
  ASSERT_EQ(rig.t().writeMacroMemory(macro), ResultCode::Success);
  ASSERT_EQ(rig.t().writeSettings(block, 128), ResultCode::Success);
  ASSERT_EQ(rig.t().end(), ResultCode::Success);
  EXPECT_EQ(rig.t().resumeLighting(), ResultCode::Success);
  const auto mem = rig.fw->macroMemory();
  EXPECT_EQ(mem.size(), 24u * 128u);
  EXPECT_TRUE(std::equal(macro.begin(), macro.end(), mem.begin()));
  EXPECT_EQ(rig.fw->settings()[128 + 65], 0x0C);
  EXPECT_EQ(rig.fw->resumeLightingCount(), 1);
  EXPECT_EQ(rig.fw->writesOutsideBracket(), 0);
  // A macro image larger than the device's memory is refused by the device.
  ASSERT_EQ(rig.t().begin(), ResultCode::Success);
  EXPECT_EQ(rig.t().writeMacroMemory(std::vector<uint8_t>(24 * 128 + 1, 1)), ResultCode::StatusFE);
  ASSERT_EQ(rig.t().end(), ResultCode::Success);
  // Without the bracket the firmware notices (once per chunk).
  ASSERT_EQ(rig.t().writeSettings(block, 0), ResultCode::Success);
  EXPECT_EQ(rig.fw->writesOutsideBracket(), 2);
}

TEST(CommandSet, ProfileAccessReadsTheActiveProfileThenItsBlock) {
  Rig<MouseFirmware> rig("mouse", std::make_shared<MouseFirmware>(), 1);
  rig.fw->setSettings(0, {2});
  rig.fw->setSettings(2 * 128 + 12, {4});
  std::array<uint8_t, 1> p{};
  ASSERT_EQ(rig.t().readSettings(p, 0), ResultCode::Success);
  ASSERT_EQ(p[0], 2);
  std::array<uint8_t, 71> block{};
  ASSERT_EQ(rig.t().readSettings(block, static_cast<uint16_t>(p[0] * 128)), ResultCode::Success);
  EXPECT_EQ(block[12], 4);
  EXPECT_EQ(block[59], 1);
  // Offsets past 0xFFFF are refused rather than wrapped.
  std::array<uint8_t, 32> tail{};
  EXPECT_EQ(rig.t().readSettings(tail, 0xFFF0), ResultCode::NotSent);
}

TEST(CommandSet, DecodersReadTheFieldsThePagesUse) {
  const auto id = sim::MouseFirmware().identity();
  const auto f = decodeIdentity(id);
  EXPECT_EQ(f.keySlots, 11);
  EXPECT_EQ(f.macroCapacity, 24u * 128u);
  EXPECT_EQ(f.sensorId, 0x3325);
  EXPECT_EQ(f.dpiStep, 100);
  EXPECT_EQ(f.lowestDpi, 200);
  EXPECT_EQ(f.highestIndex, 73);

  const std::array<uint8_t, 6> raw{55, 1, 7, 0, 7, 2};
  const auto s = decodeStatusBlock(raw, true);
  EXPECT_EQ(s.batteryPercent, 55);
  EXPECT_EQ(s.chargeState, 1);
  EXPECT_EQ(s.onReceiver, 1);
  EXPECT_EQ(s.raw[3], 1);
  EXPECT_EQ(s.phone, 2);
}

}  // namespace
}  // namespace tessel::transport
