// The keyboard's status reports: decoding, and what the controller does with
// them (directly and through the emulated keyboard's input interface).
#include "keyboard_rig.h"

#include "devices/keyboard/keyboard_status.h"

using namespace tessel;
using namespace tessel::test;
using namespace tessel::keyboard;
using namespace std::chrono_literals;

TEST(KeyboardStatus, UsagesDecodeToTheirActionsWithBoundedProfiles) {
  EXPECT_EQ(decodeStatusUsage(0x0401, 4), StatusReport{});
  EXPECT_EQ(decodeStatusUsage(0x0402, 4)->kind, StatusReport::Kind::ProfileListChanged);
  EXPECT_EQ(decodeStatusUsage(0x1123, 4), (StatusReport{StatusReport::Kind::Profile, 3, 2}));
  EXPECT_EQ(decodeStatusUsage(0x10F2, 4), (StatusReport{StatusReport::Kind::Profile, 2, std::nullopt}));
  EXPECT_FALSE(decodeStatusUsage(0x1005, 4).has_value());  // no profile 5 on a keyboard of four
  EXPECT_TRUE(decodeStatusUsage(0x1005, 16).has_value());
  EXPECT_FALSE(decodeStatusUsage(0x0403, 4).has_value());
  EXPECT_FALSE(decodeStatusUsage(0x1200, 4).has_value());
  EXPECT_FALSE(decodeStatusUsage(0x0000, 4).has_value());
}

TEST_F(KeyboardRig, Report1123SetsProfileThreeAndByte17AndTheNextWriteGoesThere) {
  plug();
  fw_->setSettings(0 * kStride + 9, {0xA0, 0xA1});
  fw_->setSettings(3 * kStride + 9, {0x30, 0x31});
  fw_->setSettings(3 * kStride + 27, {0x37});
  kb_->requestConnected();
  kb_->stopLightThread();
  kb_->inputUsage(0x1123);
  EXPECT_EQ(kb_->currentProfile(), 3);
  ASSERT_TRUE(kb_->lastBlock().has_value());
  EXPECT_EQ((*kb_->lastBlock())[17], 2);
  EXPECT_EQ(profiles_, (std::vector<int>{3}));
  ASSERT_TRUE(kb_->setWKey(true));
  EXPECT_EQ(blockOf(3)[17], 2);
  EXPECT_EQ(blockOf(3)[19], 1);
  // The bytes the page does not own are profile 3's, not those of the block read first.
  EXPECT_EQ(blockOf(3)[9], 0x30);
  EXPECT_EQ(blockOf(3)[10], 0x31);
  EXPECT_EQ(blockOf(3)[27], 0x37);
  EXPECT_EQ(blockOf(0)[9], 0xA0);
  EXPECT_EQ(fw_->settings()[0], 0);  // a write never switches the keyboard's profile

  // A profile the keyboard does not have, and any report while closed, change nothing.
  kb_->inputUsage(0x100E);
  EXPECT_EQ(kb_->currentProfile(), 3);
  kb_->transport().disconnect();
  kb_->inputUsage(0x1021);
  EXPECT_EQ(kb_->currentProfile(), 3);
  EXPECT_EQ(profiles_.size(), 1u);
}

TEST_F(KeyboardRig, Report0402ReloadsTheProfileListOnTheNextReRead) {
  plugAndRead();
  fw_->setSettings(1, {7});  // the keyboard changed its mode meanwhile
  kb_->inputUsage(0x0402);
  // Without a resynchronisation handler the re-read is queued at once.
  EXPECT_EQ(listReloads_, 1);
  EXPECT_FALSE(kb_->profileListMarkedChanged());
  EXPECT_EQ(doc_.getLightInfo().selectItem, 7);
  // A plain 0x0401 re-reads without reloading the list.
  kb_->inputUsage(0x0401);
  EXPECT_EQ(listReloads_, 1);
}

TEST_F(KeyboardRig, AStatusReportFromTheKeyboardsInputInterfaceReachesThePage) {
  plugAndRead();
  kb_->commandQueue().runStepped();
  ASSERT_TRUE(kb_->openInput(product_->inputPath(), false));
  ASSERT_TRUE(fw_->sendInputUsage(0x1122));
  // The reader posts the report; it is acted on when the UI side runs it.
  for (int i = 0; i < 500 && kb_->commandQueue().waiting() == 0; ++i) std::this_thread::sleep_for(2ms);
  EXPECT_EQ(kb_->currentProfile(), 0);
  kb_->commandQueue().runPending();
  EXPECT_EQ(kb_->currentProfile(), 2);
  EXPECT_EQ((*kb_->lastBlock())[17], 2);
  kb_->closeInputs();
}

TEST_F(KeyboardRig, Report0402WithAResyncHandlerWaitsForTheTimersReRead) {
  plugAndRead();
  int resyncs = 0;
  KeyboardController::Listener l;
  l.resyncRequested = [&] { ++resyncs; };
  l.profileListChanged = [this] { ++listReloads_; };
  kb_->setListener(l);
  const size_t reads = fw_->countOf(kReadSettings);
  kb_->inputUsage(0x0402);
  EXPECT_EQ(resyncs, 1);
  EXPECT_TRUE(kb_->profileListMarkedChanged());
  EXPECT_EQ(fw_->countOf(kReadSettings), reads);  // nothing read until the timer fires
  kb_->requestDeviceChanged();
  EXPECT_EQ(listReloads_, 1);
  EXPECT_FALSE(kb_->profileListMarkedChanged());
  EXPECT_GT(fw_->countOf(kReadSettings), reads);
}
