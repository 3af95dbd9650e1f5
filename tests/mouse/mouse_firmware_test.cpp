// The emulated mouse's memories: on-board profiles, the key table in matrix
// order, input reports on cue, and the snapshot of what a user changed.
#include <gtest/gtest.h>

#include "device/hid/hid_device.h"
#include "devices/mouse/mouse_encoding.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono_literals;

TEST(MouseFirmware, FactoryKeyTableIsNotInLogicalOrderButHoldsEveryButton) {
  sim::MouseFirmware fw;
  const auto table = fw.defaultKeyTable();
  const mouse::SlotMap map = mouse::BuildSlotMap(table, sim::kMouseKeySlots);
  bool identity = true;
  for (size_t j = 0; j < map.size(); ++j) {
    EXPECT_NE(map[j], mouse::kSlotAbsent) << "button " << j;
    identity = identity && map[j] == j;
  }
  EXPECT_FALSE(identity);
  // Every on-board profile has its own block with the marker and five stages.
  const auto s = fw.settings();
  for (size_t p = 0; p < sim::kMouseProfiles; ++p) EXPECT_EQ(s[p * 128 + 59], 1) << p;
}

TEST(MouseFirmware, SnapshotRestoresWhatAUserChangedAndRefusesForeignBytes) {
  sim::MouseFirmware fw;
  fw.setSettings(130, {1, 2, 3});
  const auto snap = fw.snapshot();
  sim::MouseFirmware fresh;
  EXPECT_NE(fresh.settings(), fw.settings());
  ASSERT_TRUE(fresh.restore(snap));
  EXPECT_EQ(fresh.settings(), fw.settings());
  EXPECT_EQ(fresh.keyTable(), fw.keyTable());

  auto cut = snap;
  cut.pop_back();
  sim::MouseFirmware other;
  const auto before = other.settings();
  EXPECT_FALSE(other.restore(cut));
  EXPECT_FALSE(other.restore({}));
  auto wrongSize = snap;
  wrongSize[4] ^= 1;  // the settings length no longer matches
  EXPECT_FALSE(other.restore(wrongSize));
  EXPECT_EQ(other.settings(), before);
}

TEST(MouseFirmware, InputUsageOnCueReachesAnOpenConsumerReader) {
  sim::VirtualHidBus bus;
  auto fw = std::make_shared<sim::MouseFirmware>();
  EXPECT_FALSE(fw->sendInputUsage(0x1123));  // not on a bus yet
  auto product = bus.plug("mouse", fw);
  hid::HidDevice input(bus);
  ASSERT_TRUE(input.open(product->inputPath(), true, false));
  ASSERT_TRUE(fw->sendInputUsage(0x1123));
  std::array<uint8_t, 64> report{};
  size_t count = 0;
  ASSERT_TRUE(input.read(report.data(), report.size(), &count, 1000));
  ASSERT_EQ(input.unpackInput(report.data(), count), hid::HidStatus::Success);
  EXPECT_EQ(input.firstInputUsage(), 0x1123);
}
