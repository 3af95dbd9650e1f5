#include <gtest/gtest.h>

#include <future>

#include "device/base/battery_view.h"
#include "device/base/frame_sender.h"

using namespace tessel;
using namespace std::chrono;

TEST(FrameSender, LatestFrameWinsWhileTheDeviceIsBusy) {
  std::mutex m;
  std::vector<std::vector<uint8_t>> received;
  std::promise<void> firstEntered;
  std::promise<void> releaseFirst;
  auto release = releaseFirst.get_future().share();
  bool first = true;
  FrameSender sender([&](const std::vector<uint8_t>& f) {
    bool wasFirst;
    {
      std::lock_guard<std::mutex> lock(m);
      received.push_back(f);
      wasFirst = first;
      first = false;
    }
    if (wasFirst) {
      firstEntered.set_value();
      release.wait();
    }
    return 1;
  });
  sender.start();
  sender.submit({1});
  firstEntered.get_future().wait();
  // While frame 1 is on its way, three more arrive: only the newest is sent.
  sender.submit({2});
  sender.submit({3});
  sender.submit({4});
  releaseFirst.set_value();
  ASSERT_TRUE(sender.waitIdle(seconds(5)));
  std::lock_guard<std::mutex> lock(m);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[1], std::vector<uint8_t>{4});
  EXPECT_EQ(sender.dropped(), 2u);
}

TEST(FrameSender, AFailingDeviceBacksOffInsteadOfBeingFlooded) {
  std::atomic<int> calls{0};
  // A long back-off: after the first failure nothing more is sent before stop().
  FrameSender sender([&](const std::vector<uint8_t>&) {
    ++calls;
    return -1;
  }, hours(1));
  sender.start();
  sender.submit({1});
  // Wait until the first send happened.
  for (int i = 0; i < 5000 && calls.load() == 0; ++i) std::this_thread::sleep_for(1ms);
  sender.submit({2});
  sender.submit({3});
  sender.stop();  // ends the back-off wait at once
  EXPECT_EQ(calls.load(), 1);
  EXPECT_EQ(sender.failed(), 1u);
}

TEST(BatteryView, ShowsPercentChargeStateAndPhone) {
  const uint8_t block[8] = {75, 1, 0, 1, 0, 2, 0, 0};
  BatteryView v = batteryViewFor(block, sizeof block, 2);
  EXPECT_EQ(v.percentText, "75%");
  EXPECT_EQ(v.progressValue, 25);
  EXPECT_TRUE(v.receiverMark);
  EXPECT_EQ(v.chargeImage, "file='power/powering.png'");
  EXPECT_FALSE(v.hasPhone);
  BatteryView pad = batteryViewFor(block, sizeof block, 3);
  EXPECT_EQ(pad.phoneText, "Phone_type_samsung");
  EXPECT_EQ(pad.phoneImage, "file='power/Phone_type_samsung.png'");
  const uint8_t odd[2] = {250, 7};
  BatteryView w = batteryViewFor(odd, sizeof odd, 3);
  EXPECT_EQ(w.progressValue, 0);
  EXPECT_EQ(w.chargeImage, "");
  EXPECT_EQ(w.phoneText, "Phone_type_no_device");
  EXPECT_FALSE(w.receiverMark);
}
