// One turn of the mouse's light thread against a mouse on the emulated bus:
// pacing by the frame period, the mouse's own effects over its seven zone
// groups, the reactive fade from a key event, user sequences and the light
// list on top.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/base/light_thread.h"
#include "devices/mouse/mouse_lighting.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

constexpr auto kAdvance = MouseLighting::kAdvance;

LightRecord record(uint8_t mode, uint8_t brightness = 4, uint8_t speed = 4, uint8_t fx = 1, bool multi = false,
                   Rgb c = {200, 10, 0}) {
  LightRecord r;
  r.selectItem = mode;
  r.light = brightness;
  r.speed = speed;
  r.fx = fx;
  r.multiColor = multi;
  r.red = c.r;
  r.green = c.g;
  r.blue = c.b;
  return r;
}

const Rgb& wheel(size_t i) { return effect_tables::colourWheel()[i]; }
uint32_t at(Rgb c, unsigned level) { return packZone(c.r, c.g, c.b, static_cast<uint8_t>(level)); }

class MouseLightingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware("mouse");
    product_ = bus_.plug("mouse", fw);
    device_.setLightZoneCount(15);
    ASSERT_TRUE(device_.transport().connect(product_->commandPath(), 1));
    lighting_.setWake([this] { ++wakes_; });
  }
  void TearDown() override { device_.shutdown(); }

  // Turns at every due time until `steps` mode steps have run after the first turn.
  SteadyTime runSteps(SteadyTime due, int steps) {
    for (int i = 0; i < steps; ++i) due = lighting_.turn(due);
    return due;
  }

  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  UsbDeviceController device_{bus_};
  std::atomic<unsigned> random_{0};
  MouseLighting lighting_{device_, [this] { return random_++ * 50; }};
  std::atomic<int> wakes_{0};
  ManualClock clock_;
  const SteadyTime t0_ = clock_.now();
};

}  // namespace

TEST_F(MouseLightingTest, ClosedOrSynchronisedTheThreadIdlesAndLeavesTheZonesAlone) {
  UsbDeviceController closed(bus_);
  closed.setLightZoneCount(15);
  MouseLighting closedLighting(closed);
  closedLighting.setRecord(record(3));
  EXPECT_EQ(closedLighting.turn(t0_), LightThread::kIdle);
  EXPECT_EQ(closed.zoneColour(0), 0u);

  device_.setSynchronised(true);
  device_.setZoneColour(0, at({1, 2, 3}, 4));  // the synchronised effect's colour
  lighting_.setRecord(record(3));
  EXPECT_EQ(lighting_.turn(t0_), LightThread::kIdle);
  EXPECT_EQ(device_.zoneColour(0), at({1, 2, 3}, 4));
  const int wakesBefore = wakes_.load();
  device_.setSynchronised(true);  // no change: no wake
  EXPECT_EQ(wakes_.load(), wakesBefore);
  device_.setSynchronised(false);  // the thread must take over at once
  EXPECT_EQ(wakes_.load(), wakesBefore + 1);
  lighting_.turn(t0_);
  EXPECT_EQ(device_.zoneColour(0), at({200, 10, 0}, 255));
  closed.shutdown();
}

TEST_F(MouseLightingTest, AStepRunsOncePerFramePeriodOfTheSpeed) {
  lighting_.setRecord(record(2, 4, 4));  // breathing at speed 4: 7 passes
  EXPECT_EQ(wakes_.load(), 1);
  SteadyTime due = lighting_.turn(t0_);
  EXPECT_EQ(device_.effects().phase(), 1u);  // the new record shows at once
  EXPECT_EQ(due, t0_ + 7 * kAdvance);
  // Woken early (nothing changed): no step, same due time.
  EXPECT_EQ(lighting_.turn(t0_ + 3 * kAdvance), due);
  EXPECT_EQ(device_.effects().phase(), 1u);
  due = lighting_.turn(due);
  EXPECT_EQ(device_.effects().phase(), 2u);
  EXPECT_EQ(due, t0_ + 14 * kAdvance);
  // Late by two passes: the step runs, the grid does not drift.
  due = lighting_.turn(due + 2 * kAdvance + 1ms);
  EXPECT_EQ(device_.effects().phase(), 3u);
  EXPECT_EQ(due, t0_ + 21 * kAdvance);

  lighting_.setRecord(record(2, 4, 4, 0));  // a new record steps at once: backward now
  lighting_.turn(due - kAdvance);
  EXPECT_EQ(device_.effects().phase(), 2u);
  lighting_.setRecord(record(2, 4, 0));  // speed 0: 28 passes
  EXPECT_EQ(lighting_.turn(t0_ + 100 * kAdvance), t0_ + 128 * kAdvance);
  lighting_.setRecord(record(2, 4, 9));  // out of range: the fastest
  EXPECT_EQ(lighting_.turn(t0_ + 200 * kAdvance), t0_ + 207 * kAdvance);
}

TEST_F(MouseLightingTest, BaseEffectsTakeTheRecordsParametersAndStaticSleepsUntilAChange) {
  lighting_.setRecord(record(3, 2, 4, 1, false, {1, 2, 3}));
  EXPECT_EQ(lighting_.turn(t0_), LightThread::kIdle);
  EXPECT_EQ(device_.zoneColour(14), at({1, 2, 3}, 135));
  lighting_.setRecord(record(9));
  EXPECT_EQ(lighting_.turn(t0_ + 1s), LightThread::kIdle);
  EXPECT_EQ(device_.zoneColour(14), 0u);
  lighting_.setRecord(record(1, 4, 4, 0));  // colour wheel backward from 0
  lighting_.turn(t0_ + 2s);
  EXPECT_EQ(device_.zoneColour(0), at(wheel(191), 255));
}

TEST_F(MouseLightingTest, GroupWaveGivesEachGroupItsPlaceOnTheWheelOrTheBreathingWave) {
  lighting_.setRecord(record(0, 4, 4, 1, true));
  lighting_.turn(t0_);  // phase 1: group g shows wheel[2 + 7 g]
  EXPECT_EQ(lighting_.phase(), 1u);
  EXPECT_EQ(device_.zoneColour(0), at(wheel(2), 255));
  EXPECT_EQ(device_.zoneColour(13), at(wheel(2), 255));
  EXPECT_EQ(device_.zoneColour(3), at(wheel(23), 255));
  for (uint8_t z : {6, 14, 7}) EXPECT_EQ(device_.zoneColour(z), at(wheel(44), 255));

  // One colour, backward (a new record of the same mode keeps the phase):
  // phase 0, group g at the breathing wave's entry 1 + 7 g.
  lighting_.setRecord(record(0, 2, 4, 0, false, {0, 0, 250}));
  SteadyTime due = lighting_.turn(t0_ + 1s);
  const auto& wave = effect_tables::breathingWave();
  EXPECT_EQ(lighting_.phase(), 0u);
  EXPECT_EQ(device_.zoneColour(0), at({0, 0, 250}, 135 * wave[1] / 256));
  EXPECT_EQ(device_.zoneColour(7), at({0, 0, 250}, 135 * wave[43] / 256));
  lighting_.turn(due);  // backward from 0 goes on at 95
  EXPECT_EQ(lighting_.phase(), 95u);
  EXPECT_EQ(device_.zoneColour(13), at({0, 0, 250}, 135 * wave[0] / 256));
  EXPECT_EQ(device_.zoneColour(1), at({0, 0, 250}, 135 * wave[7] / 256));
}

TEST_F(MouseLightingTest, APhaseLeftPastTheSmallerTableStartsAgainAtZero) {
  lighting_.setRecord(record(0, 4, 4, 1, true));
  SteadyTime due = runSteps(t0_, 150);
  ASSERT_EQ(lighting_.phase(), 150u);
  lighting_.setRecord(record(0, 4, 4, 1, false));  // 96 entries now
  lighting_.turn(due);
  EXPECT_EQ(lighting_.phase(), 1u);
  EXPECT_EQ(device_.zoneColour(0), at({200, 10, 0}, 255 * effect_tables::breathingWave()[2] / 256));
}

TEST_F(MouseLightingTest, StreamerRunsAPulseAlongTheGroupsAndKeepsItGoing) {
  lighting_.setRecord(record(5, 4, 4, 1, false, {0, 90, 0}));
  SteadyTime due = lighting_.turn(t0_);
  // The pulse enters band 1 at 255 and decays there by 40: group 0 at 215.
  EXPECT_EQ(device_.audioBand(1), 215);
  EXPECT_EQ(device_.zoneColour(0), at({0, 90, 0}, 255 * 215 / 256));
  EXPECT_EQ(device_.zoneColour(13), at({0, 90, 0}, 255 * 215 / 256));
  EXPECT_EQ(device_.zoneColour(1), at({0, 90, 0}, 0));
  due = lighting_.turn(due);
  EXPECT_EQ(device_.zoneColour(0), at({0, 90, 0}, 0));
  EXPECT_EQ(device_.zoneColour(1), at({0, 90, 0}, 255 * 175 / 256));
  // Round the 23 bands and in again, filled up: group 0 bright once more.
  due = runSteps(due, 21);
  EXPECT_EQ(device_.zoneColour(0), at({0, 90, 0}, 0));
  lighting_.turn(due);
  EXPECT_EQ(device_.zoneColour(0), at({0, 90, 0}, 255 * 215 / 256));
}

TEST_F(MouseLightingTest, StreamerInColoursKeepsThemWhileThePulseLeadsAndTakesNewOnesBetween) {
  lighting_.setRecord(record(5, 4, 4, 0, true));  // backward: band 7 leads
  SteadyTime due = lighting_.turn(t0_);
  // The pulse is in band 7 (group 6): the groups keep what they show (nothing yet).
  EXPECT_EQ(device_.audioBand(7), 215);
  EXPECT_EQ(device_.zoneColour(6), at({0, 0, 0}, 255 * 215 / 256));
  lighting_.turn(due);
  // Band 7 is dark now: phase 190 (191, 190 backward from 0), then +12 for
  // each group in turn; the pulse lights group 5 from band 6.
  EXPECT_EQ(device_.zoneColour(0), at(wheel(10), 0));
  EXPECT_EQ(device_.zoneColour(4), at(wheel(58), 0));
  EXPECT_EQ(device_.zoneColour(5), at(wheel(70), 255 * 175 / 256));
  EXPECT_EQ(device_.zoneColour(6), at(wheel(82), 0));
}

TEST_F(MouseLightingTest, AKeyEventLightsEveryZoneAtOnceThenTheFadeFallsBy15EachStep) {
  lighting_.setRecord(record(6, 4, 4, 1, true));
  EXPECT_EQ(lighting_.turn(t0_), LightThread::kIdle);  // nothing fading: sleep until a key
  EXPECT_EQ(device_.zoneColour(0), at(wheel(0), 0));
  const int wakesBefore = wakes_.load();
  lighting_.keyEvent();
  EXPECT_EQ(wakes_.load(), wakesBefore + 1);
  SteadyTime due = lighting_.turn(t0_ + 1s);
  EXPECT_EQ(due, t0_ + 1s + 7 * kAdvance);
  // Random indices 0, 50, 100, ... taken modulo 192, one per zone.
  EXPECT_EQ(device_.zoneColour(0), at(wheel(0), 254));
  EXPECT_EQ(device_.zoneColour(4), at(wheel(200 % 192), 254));
  EXPECT_EQ(lighting_.fadeZone(4).colourIndex, 8);
  EXPECT_EQ(lighting_.fadeZone(0).state, MouseLighting::FadeState::Rising);
  due = lighting_.turn(due);  // rising at 255 turns falling
  EXPECT_EQ(lighting_.fadeZone(0).state, MouseLighting::FadeState::Falling);
  EXPECT_EQ(lighting_.fadeZone(0).level, 255);
  due = lighting_.turn(due);
  EXPECT_EQ(lighting_.fadeZone(0).level, 240);
  EXPECT_EQ(device_.zoneColour(0), at(wheel(0), 240 * 255 / 256));
  for (int i = 0; i < 15; ++i) due = lighting_.turn(due);
  EXPECT_EQ(lighting_.fadeZone(0).level, 15);
  EXPECT_EQ(lighting_.turn(due), LightThread::kIdle);  // faded out
  EXPECT_EQ(lighting_.fadeZone(0).level, 0);
  EXPECT_EQ(device_.zoneColour(0), at(wheel(0), 0));
}

TEST_F(MouseLightingTest, KeyEventsOutsideTheFadeChangeNothing) {
  lighting_.setRecord(record(2));
  SteadyTime due = lighting_.turn(t0_);
  const int wakesBefore = wakes_.load();
  lighting_.keyEvent();
  EXPECT_EQ(wakes_.load(), wakesBefore);
  lighting_.setRecord(record(6, 4, 4, 1, false, {9, 9, 9}));
  lighting_.turn(due);
  EXPECT_EQ(lighting_.fadeZone(0).state, MouseLighting::FadeState::Idle);
  EXPECT_EQ(random_.load(), 0u);
  EXPECT_EQ(device_.zoneColour(0), at({9, 9, 9}, 0));
}

TEST_F(MouseLightingTest, AKeyPressedWhileSynchronisedIsNotReplayedAfterwards) {
  lighting_.setRecord(record(6));
  lighting_.turn(t0_);
  device_.setSynchronised(true);
  lighting_.keyEvent();
  EXPECT_EQ(lighting_.turn(t0_ + 1s), LightThread::kIdle);
  device_.setSynchronised(false);
  lighting_.turn(t0_ + 2s);
  EXPECT_EQ(lighting_.fadeZone(0).state, MouseLighting::FadeState::Idle);
  EXPECT_EQ(random_.load(), 0u);
}

TEST_F(MouseLightingTest, AUserSequencePlaysOnEveryPassAndRestartsOnReload) {
  LightStep red;
  red.mode = 1;
  red.brightness = 4;
  red.speed = 4;
  red.red = 255;
  red.time = 200;
  LightStep blue = red;
  blue.red = 0;
  blue.blue = 255;
  lighting_.setSequence({red, blue});
  lighting_.setRecord(record(10));
  SteadyTime due = lighting_.turn(t0_);
  EXPECT_EQ(due, t0_ + kAdvance);
  for (int i = 0; i < 6; ++i) due = lighting_.turn(due);
  EXPECT_EQ(device_.zoneColour(0), at({255, 0, 0}, 255));  // the 7th pass of the static step
  while (due <= t0_ + 216ms) due = lighting_.turn(due);   // more than 200 ms: the blue step
  for (int i = 0; i < 7; ++i) due = lighting_.turn(due);
  EXPECT_EQ(device_.zoneColour(0), at({0, 0, 255}, 255));
  lighting_.reload(due);
  lighting_.setSequence({});
  lighting_.turn(due);
  EXPECT_EQ(device_.zoneColour(0), 0u);  // no steps: off
}

TEST_F(MouseLightingTest, TheLightListDrawsOverTheMousesEffect) {
  LightListEntry blue;
  blue.mode = LightListEffects::Static;
  blue.brightness = 4;
  blue.blue = 255;
  blue.present = 1;
  LightListEntry off;
  off.mode = LightListEffects::Off;
  off.present = 1;
  lighting_.setLightList({blue, off});
  lighting_.setRecord(record(3, 4, 4, 1, false, {255, 0, 0}));
  lighting_.turn(t0_);
  EXPECT_EQ(device_.zoneColour(0), at({0, 0, 255}, 255));
  EXPECT_EQ(device_.zoneColour(1), 0u);
  EXPECT_EQ(device_.zoneColour(2), at({255, 0, 0}, 255));
  // A new record redraws the mode and the list on top at once.
  lighting_.setRecord(record(3, 4, 4, 1, false, {0, 255, 0}));
  lighting_.turn(t0_ + 1ms);
  EXPECT_EQ(device_.zoneColour(0), at({0, 0, 255}, 255));
  EXPECT_EQ(device_.zoneColour(2), at({0, 255, 0}, 255));
  // An animated list keeps the thread on every pass even in a still mode.
  LightListEntry breathing = blue;
  breathing.mode = LightListEffects::Breathing;
  lighting_.setLightList({breathing});
  EXPECT_EQ(lighting_.turn(t0_ + 2ms), t0_ + 2ms + kAdvance);
}

TEST_F(MouseLightingTest, OnItsThreadAKeyEventFromAnotherThreadReachesTheZonesAtTheNextTurn) {
  LightThread thread(clock_);
  lighting_.setWake([&] { thread.wake(); });
  lighting_.setRecord(record(6, 4, 4, 1, false, {255, 0, 0}));
  thread.start([&](SteadyTime now) { return lighting_.turn(now); });
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(device_.zoneColour(0), at({255, 0, 0}, 0));
  std::thread reader([&] { lighting_.keyEvent(); });
  reader.join();
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(device_.zoneColour(0), at({255, 0, 0}, 254));
  clock_.advance(110ms);  // one frame period at speed 4: 109.375 ms
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(device_.zoneColour(0), at({255, 0, 0}, 254));  // rising turns falling at 255
  clock_.advance(110ms);
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(device_.zoneColour(0), at({255, 0, 0}, 239));
  thread.stop();
}
