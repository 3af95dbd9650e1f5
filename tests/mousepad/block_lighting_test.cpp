// The light thread's turn of the mousepad (and of every device with a light
// settings block): dispatch on the image's mode byte, pacing by its speed
// byte, user sequences on every pass and the light list on top.
#include <gtest/gtest.h>

#include "device/base/block_lighting.h"
#include "device/base/light_thread.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

constexpr auto kAdvance = BlockLighting::kAdvance;

LightRecord record(bool multi = true, uint8_t fx = 1) {
  LightRecord r;
  r.light = 4;
  r.speed = 2;
  r.fx = fx;
  r.multiColor = multi ? 1 : 0;
  r.red = 200;
  r.green = 10;
  r.blue = 0;
  return r;
}

class BlockLightingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    product_ = bus_.plug("mousepad", sim::makeProductFirmware("mousepad"));
    device_.setLightZoneCount(15);
    ASSERT_TRUE(device_.transport().connect(product_->commandPath(), 1));
    lighting_.setWake([this] { ++wakes_; });
  }
  void TearDown() override { device_.shutdown(); }

  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  UsbDeviceController device_{bus_};
  BlockLighting lighting_{device_, kMousepadWave};
  int wakes_ = 0;
  SteadyTime t0_{};
};

TEST_F(BlockLightingTest, AWaveStepRunsEveryIntervalOfTheImagesSpeed) {
  lighting_.setRecord(record());
  lighting_.setImage(BlockLighting::kWave, 4);
  EXPECT_EQ(wakes_, 2);
  // The change shows at once: phase 0 steps to 1.
  SteadyTime due = lighting_.turn(t0_);
  EXPECT_EQ(lighting_.flowState().phase, 1);
  EXPECT_EQ(due, t0_ + 7 * kAdvance);
  due = lighting_.turn(due);
  EXPECT_EQ(lighting_.flowState().phase, 2);
  EXPECT_EQ(due, t0_ + 14 * kAdvance);
  // Speed 0: every 28 passes.
  lighting_.setImage(BlockLighting::kWave, 0);
  const SteadyTime at = due;
  due = lighting_.turn(at);
  EXPECT_EQ(due, at + 28 * kAdvance);
  // A turn that comes early changes nothing.
  const unsigned phase = lighting_.flowState().phase;
  EXPECT_EQ(lighting_.turn(at + 5 * kAdvance), due);
  EXPECT_EQ(lighting_.flowState().phase, phase);
}

TEST_F(BlockLightingTest, TheWaveWritesTheWheelAcrossTheFifteenZones) {
  lighting_.setRecord(record());
  FlowState s;
  s.phase = 190;
  lighting_.setImage(BlockLighting::kWave, 4);
  lighting_.turn(t0_);  // the mode starts from a clean state
  lighting_.setFlowState(s);
  lighting_.turn(t0_ + 7 * kAdvance);
  const auto& wheel = effect_tables::colourWheel();
  const uint32_t z1 = device_.zoneColour(1);
  EXPECT_EQ((Rgb{zoneRed(z1), zoneGreen(z1), zoneBlue(z1)}), wheel[7]);
}

TEST_F(BlockLightingTest, StaticAndOffSleepUntilWokenAndAClosedDeviceIdles) {
  LightRecord r = record(false);
  r.light = 3;
  lighting_.setRecord(r);
  lighting_.setImage(BlockLighting::kStatic, 4);
  EXPECT_EQ(lighting_.turn(t0_), LightThread::kIdle);
  EXPECT_EQ(device_.zoneColour(9), packZone(200, 10, 0, 195));
  lighting_.setImage(BlockLighting::kOff, 4);
  EXPECT_EQ(lighting_.turn(t0_ + kAdvance), LightThread::kIdle);
  EXPECT_EQ(device_.zoneColour(9), 0u);
  lighting_.setImage(BlockLighting::kWave, 4);
  device_.setSynchronised(true);
  EXPECT_EQ(lighting_.turn(t0_ + 2 * kAdvance), LightThread::kIdle);
  device_.setSynchronised(false);
  device_.transport().disconnect();
  EXPECT_EQ(lighting_.turn(t0_ + 3 * kAdvance), LightThread::kIdle);
}

TEST_F(BlockLightingTest, ModeFiveAndNinePlayTheSequenceOnEveryPass) {
  lighting_.setRecord(record());
  LightStep step;
  step.mode = 1;  // static
  step.brightness = 4;
  step.speed = 4;
  step.red = 7;
  step.time = 100;
  LightStep second = step;
  second.red = 9;
  lighting_.setSequence({step, second});
  lighting_.setImage(BlockLighting::kSequence, 0);
  SteadyTime due = lighting_.turn(t0_);
  EXPECT_EQ(due, t0_ + kAdvance);  // no interval of its own
  for (int i = 0; i < 7; ++i) due = lighting_.turn(due);
  EXPECT_EQ(due, t0_ + 8 * kAdvance);
  EXPECT_EQ(zoneRed(device_.zoneColour(0)), 7);  // static every 7 passes at step speed 4
  // The eighth pass is past the step's 100 ms: the next step plays.
  EXPECT_EQ(lighting_.sequenceStep(), 1u);
  // Mode bytes past the list play it too; an empty sequence is dark.
  lighting_.setSequence({});
  lighting_.setImage(12, 4);
  device_.setZoneColour(4, packZone(1, 1, 1, 255));
  lighting_.turn(due);
  due = lighting_.turn(due + kAdvance);
  EXPECT_EQ(device_.zoneColour(4), 0u);
}

TEST_F(BlockLightingTest, BandFlowsAndTheLightListRunThroughTheTurn) {
  lighting_.setRecord(record(false));
  lighting_.setImage(BlockLighting::kMirroredBandFlow, 4);
  lighting_.turn(t0_);
  FlowState s;
  s.levels[2] = 255;  // pair 2: zones 3 and 12
  lighting_.setFlowState(s);
  LightListEntry e;
  e.mode = 1;  // static zone 5
  e.brightness = 2;
  e.red = 50;
  e.present = 1;
  std::vector<LightListEntry> list(6);
  list[5] = e;
  lighting_.setLightList(list);
  lighting_.turn(t0_ + 7 * kAdvance);
  EXPECT_GT(zoneBrightness(device_.zoneColour(3)), 0);
  EXPECT_EQ(device_.zoneColour(3), device_.zoneColour(12));
  EXPECT_EQ(device_.zoneColour(5), packZone(50, 0, 0, 135));
  EXPECT_EQ(zoneBrightness(device_.zoneColour(4)), 0);
}

TEST_F(BlockLightingTest, ALightThreadOnTheManualClockSleepsBetweenSteps) {
  ManualClock clock;
  LightThread thread(clock, "pad test thread");
  lighting_.setRecord(record());
  lighting_.setImage(BlockLighting::kWave, 4);
  lighting_.setWake([&] { thread.wake(); });
  thread.start([this](SteadyTime now) { return lighting_.turn(now); });
  ASSERT_TRUE(thread.waitUntilAsleep());
  const uint64_t turns = thread.turns();
  EXPECT_EQ(lighting_.flowState().phase, 1);
  clock.advance(std::chrono::duration_cast<Millis>(6 * kAdvance));  // 93.75 ms: not yet due
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(lighting_.flowState().phase, 1);
  clock.advance(Millis(20));
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(lighting_.flowState().phase, 2);
  EXPECT_LE(thread.turns(), turns + 2);
  thread.stop();
}

}  // namespace
