#include <gtest/gtest.h>

#include "discovery/device_tables.h"
#include "discovery/live_interface_list.h"

using namespace tessel;

namespace {

InterfaceKey found(uint16_t vid, uint16_t pid, uint16_t mi, uint16_t col, uint16_t page, uint16_t usage,
                   std::string path) {
  InterfaceKey k;
  k.vendorId = vid;
  k.productId = pid;
  k.interfaceNumber = mi;
  k.collectionNumber = col;
  k.usagePage = page;
  k.usage = usage;
  k.path = std::move(path);
  return k;
}

class LiveList : public ::testing::Test {
 protected:
  void SetUp() override { list.fillFromTable(); }
  int claimPath(uint16_t pid, uint16_t col, std::string path) {
    bool vendor = col == 4;
    auto key = found(0x320F, pid, 1, col, vendor ? 0xFF1C : 0x0C, vendor ? 0x92 : 1, std::move(path));
    return list.claim(key).value_or(-1);
  }
  LiveInterfaceList list;
};

}  // namespace

TEST(DeviceTables, PartnersAreMutualAndRowsAreFound) {
  const auto& t = supportedInterfaceTable();
  for (size_t i = 0; i < t.size(); ++i) {
    if (!t[i].hasPartner) continue;
    EXPECT_EQ(t[t[i].partnerRow].partnerRow, i) << "row " << i;
    EXPECT_EQ(t[t[i].partnerRow].role, t[i].role);
  }
  EXPECT_EQ(findTableRow(0x0C76, 0x1630, 7, 0), 10);
  EXPECT_EQ(findTableRow(0x320F, 0x7C20, 6, 0xFF), 7);
  EXPECT_EQ(findTableRow(0x320F, 0x7C20, 2, 0), -1);
  EXPECT_EQ(findOptionRow(0x320F, 0x7C1F, 2, 0), 0);
  EXPECT_EQ(findOptionRow(0x0C76, 0x1630, 7, 0), 3);
  EXPECT_EQ(findOptionRow(0x320F, 0x7C20, 6, 0), -1);  // receivers map to the cable's page first
  EXPECT_EQ(deviceXmlTable()[1].lightZoneCount, 170);
  EXPECT_EQ(deviceOptionTable()[2].kindName, "MousePad");
}

TEST_F(LiveList, ClaimTakesTheFreeSlotOnceAndIgnoresASecondIdenticalProduct) {
  EXPECT_FALSE(list.allPresent());
  auto key = found(0x320F, 0x7C1F, 1, 4, 0xFF1C, 0x92, "/dev/hidraw1#vid_320f&pid_7c1f&mi_01&col04");
  EXPECT_TRUE(list.isWanted(key));
  auto slot = list.claim(key);
  ASSERT_EQ(slot, 4);
  EXPECT_EQ(key.typeCode, 2);
  EXPECT_EQ(key.role, kRoleCommand);
  EXPECT_EQ(list.slot(4)->path, key.path);
  // The same interface of a second identical mouse is not wanted and cannot be claimed.
  auto twin = found(0x320F, 0x7C1F, 1, 4, 0xFF1C, 0x92, "/dev/hidraw9#vid_320f&pid_7c1f&mi_01&col04");
  EXPECT_FALSE(list.isWanted(twin));
  EXPECT_EQ(list.claim(twin), std::nullopt);
  list.release(4);
  EXPECT_TRUE(list.isWanted(twin));
}

TEST_F(LiveList, UnknownInterfacesAndWrongUsagesAreNotClaimed) {
  auto other = found(0x046D, 0xC52B, 2, 1, 0xFF00, 1, "/dev/hidraw0#vid_046d&pid_c52b&mi_02&col01");
  EXPECT_FALSE(list.isWanted(other));
  EXPECT_EQ(list.claim(other), std::nullopt);
  auto wrongUsage = found(0x320F, 0x7C1F, 1, 4, 0x0001, 0x02, "/dev/hidraw1#vid_320f&pid_7c1f&mi_01&col04");
  EXPECT_TRUE(list.isWanted(wrongUsage));
  EXPECT_EQ(list.claim(wrongUsage), std::nullopt);
  // The headset has no collection marker: collection 0 matches row 10.
  auto headset = found(0x0C76, 0x1630, 3, 0, 0x0C, 1, "/dev/hidraw5#vid_0c76&pid_1630&mi_03");
  EXPECT_EQ(list.claim(headset), 10);
  EXPECT_EQ(headset.typeCode, 7);
}

TEST_F(LiveList, PageKeysMapReceiverAndInputInterfacesToTheCablePage) {
  const auto& t = supportedInterfaceTable();
  EXPECT_EQ(*list.pageKey(4), t[4]);   // cable command
  EXPECT_EQ(*list.pageKey(6), t[4]);   // receiver command -> cable
  EXPECT_EQ(*list.pageKey(5), t[4]);   // cable input -> cable command
  EXPECT_EQ(*list.pageKey(7), t[4]);   // receiver input -> receiver command -> cable
  EXPECT_EQ(*list.pageKey(3), t[0]);   // keyboard receiver input
  EXPECT_EQ(*list.pageKey(9), t[8]);   // mousepad input
  EXPECT_EQ(*list.pageKey(10), t[10]);
  EXPECT_EQ(list.pageKey(11), std::nullopt);
  EXPECT_EQ(list.pageKey(-1), std::nullopt);
}

TEST_F(LiveList, PartnerPresentNeedsTheOtherConnectionClaimed) {
  EXPECT_FALSE(list.partnerPresent(4));
  ASSERT_EQ(claimPath(0x7C20, 4, "/dev/hidraw2#vid_320f&pid_7c20&mi_01&col04"), 6);
  EXPECT_TRUE(list.partnerPresent(4));   // the receiver is in use when the cable arrives
  EXPECT_FALSE(list.partnerPresent(6));
  ASSERT_EQ(claimPath(0x7C1F, 4, "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04"), 4);
  EXPECT_TRUE(list.partnerPresent(6));
  EXPECT_FALSE(list.partnerPresent(8));  // the mousepad has no partner
  EXPECT_FALSE(list.partnerPresent(99));
}

TEST_F(LiveList, AllPresentOnlyWhenEverySlotIsClaimed) {
  const auto& t = supportedInterfaceTable();
  for (size_t i = 0; i < t.size(); ++i) {
    InterfaceKey k = t[i];
    k.path = "/dev/hidraw" + std::to_string(i);
    EXPECT_EQ(list.claim(k), static_cast<int>(i));
    EXPECT_EQ(list.allPresent(), i + 1 == t.size());
  }
}
