// The headset's light thread (the shared block lighting with the headset's
// wave over its 13 zones), one turn at a time on the manual clock: which step
// the mode byte dispatches to, how the speed paces it, the headset's own wave
// spacing, the band flows and the light list on its 13 zones.
#include <gtest/gtest.h>

#include "device/base/light_thread.h"
#include "device/base/block_lighting.h"
#include "devices/headset/headset_encoding.h"
#include "sim/firmware_headset.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace tessel::headset;
using namespace std::chrono_literals;

namespace {

constexpr auto kAdvance = BlockLighting::kAdvance;

LightRecord record(uint8_t light, Rgb c, bool multi, bool fx) {
  LightRecord r;
  r.light = light;
  r.multiColor = multi ? 1 : 0;
  r.fx = fx ? 1 : 0;
  r.red = c.r;
  r.green = c.g;
  r.blue = c.b;
  return r;
}

class LightingRig : public ::testing::Test {
 protected:
  void SetUp() override {
    product_ = bus_.plug("headset", std::make_shared<sim::HeadsetFirmware>());
    device_.setLightZoneCount(static_cast<int>(kZoneCount));
    ASSERT_TRUE(device_.transport().connect(product_->commandPath(), std::nullopt));
  }
  // Sets record and dispatch and runs the turn that draws them at once.
  SteadyTime start(const LightRecord& r, uint8_t mode, uint8_t speed) {
    lighting_.setRecord(r);
    lighting_.setImage(mode, speed);
    return lighting_.turn(clock_.now());
  }
  uint32_t zone(size_t i) const { return device_.zoneColour(static_cast<int>(i)); }

  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  ManualClock clock_;
  UsbDeviceController device_{bus_, clock_};
  BlockLighting lighting_{device_, kHeadsetWave};
};

}  // namespace

TEST_F(LightingRig, AStepRunsEverySevenPassesAtSpeedFourAndEveryTwentyEightAtSpeedZero) {
  for (const auto& [speed, interval] : {std::pair{4, 7}, std::pair{0, 28}}) {
    SCOPED_TRACE(speed);
    const SteadyTime t0 = clock_.now();
    // Multi-colour wave: the phase moves by one per step.
    lighting_.setFlowState({});
    start(record(4, {}, true, true), 0, static_cast<uint8_t>(speed));
    const unsigned first = lighting_.flowState().phase;
    // The thread is told to come back exactly `interval` passes later.
    const SteadyTime next = lighting_.turn(t0);
    EXPECT_EQ(next, t0 + interval * kAdvance);
    EXPECT_EQ(lighting_.flowState().phase, first);  // nothing due yet
    clock_.advance(std::chrono::duration_cast<Millis>((interval - 1) * kAdvance));
    lighting_.turn(t0 + (interval - 1) * kAdvance);
    EXPECT_EQ(lighting_.flowState().phase, first);
    lighting_.turn(t0 + interval * kAdvance);
    EXPECT_EQ(lighting_.flowState().phase, first + 1);
    lighting_.turn(t0 + 2 * interval * kAdvance);
    EXPECT_EQ(lighting_.flowState().phase, first + 2);
    clock_.advance(10s);
    lighting_.setImage(3, 0);  // a change of mode resets the effect state
    lighting_.turn(clock_.now());
    EXPECT_EQ(lighting_.flowState().phase, 0);
  }
}

TEST_F(LightingRig, OneColourWaveStepsByThreeWithinNinetySixAndSpacesZonesByTen) {
  start(record(4, {200, 100, 0}, false, true), 3, 4);  // static first
  FlowState s;
  s.phase = 93;
  lighting_.setImage(0, 4);
  lighting_.turn(clock_.now());  // the new mode draws at once (and starts from phase 0)
  lighting_.setFlowState(s);
  lighting_.turn(clock_.now() + 7 * kAdvance);
  EXPECT_EQ(lighting_.flowState().phase, 0);  // 93 + 3 reaches 96
  const auto& wave = effect_tables::breathingWave();
  for (size_t i = 0; i < kZoneCount; ++i) {
    const unsigned c = (10 * i) % 96;
    EXPECT_EQ(zoneBrightness(zone(i)), 255 * wave[c] / 256) << i;
    EXPECT_EQ(zoneRed(zone(i)), 200);
  }
  // Backward from 0 gives 93.
  lighting_.setRecord(record(4, {200, 100, 0}, false, false));
  lighting_.turn(clock_.now() + 8 * kAdvance);  // the changed record draws at once
  EXPECT_EQ(lighting_.flowState().phase, 93);
}

TEST_F(LightingRig, MultiColourWaveFrom190TakesWheelEntryZeroForZoneZeroAnd16ForZoneOne) {
  start(record(3, {}, true, true), 0, 4);
  FlowState s;
  s.phase = 190;
  lighting_.setFlowState(s);
  const SteadyTime t = clock_.now();
  lighting_.turn(t + 7 * kAdvance);
  EXPECT_EQ(lighting_.flowState().phase, 191);
  const auto& wheel = effect_tables::colourWheel();
  EXPECT_EQ(zone(0), packZone(wheel[0].r, wheel[0].g, wheel[0].b, 195));
  EXPECT_EQ(zone(1), packZone(wheel[16].r, wheel[16].g, wheel[16].b, 195));
  EXPECT_EQ(zone(12), packZone(wheel[(192 + 12 * 16) % 192].r, wheel[(192 + 12 * 16) % 192].g,
                               wheel[(192 + 12 * 16) % 192].b, 195));
}

TEST_F(LightingRig, BandFlowsWithEveryBandZeroGiveEveryZoneTheyWriteBrightnessZero) {
  for (uint8_t mode : {uint8_t{6}, uint8_t{7}}) {
    SCOPED_TRACE(static_cast<int>(mode));
    device_.zones().fill(packZone(9, 9, 9, 99));
    clock_.advance(1s);
    start(record(4, {255, 255, 255}, false, true), mode, 4);
    for (int step = 1; step <= 4; ++step) lighting_.turn(clock_.now() + step * 7 * kAdvance);
    clock_.advance(1s);
    for (size_t i = 0; i < kZoneCount; ++i) {
      if (mode == 7 && i == 0) {
        EXPECT_EQ(zone(0), packZone(9, 9, 9, 99));  // the mirrored flow leaves zone 0 alone
        continue;
      }
      EXPECT_EQ(zoneBrightness(zone(i)), 0) << i;
    }
  }
}

TEST_F(LightingRig, ModeFiveWithoutASequenceIsOffAndPlaysEveryPass) {
  device_.zones().fill(packZone(9, 9, 9, 99));
  lighting_.setSequence({});
  lighting_.setLightList({});
  const SteadyTime next = start(record(4, {255, 0, 0}, false, true), 5, 0);
  for (size_t i = 0; i < kZoneCount; ++i) EXPECT_EQ(zoneBrightness(zone(i)), 0) << i;
  EXPECT_EQ(next, clock_.now() + kAdvance);  // a sequence runs on every pass
  // With a sequence it plays it: one flashing red step, on at its first pass.
  LightStep red;
  red.mode = 2;
  red.brightness = 4;
  red.red = 255;
  red.time = 1000;
  lighting_.setSequence({red});
  lighting_.turn(clock_.now() + kAdvance);  // the next pass plays it
  EXPECT_EQ(zone(5), packZone(255, 0, 0, 255));
}

TEST_F(LightingRig, StaticSleepsUntilWokenUnlessTheLightListMoves) {
  EXPECT_EQ(start(record(4, {1, 2, 3}, false, true), 3, 4), LightThread::kIdle);
  EXPECT_EQ(zone(4), packZone(1, 2, 3, 255));
  LightListEntry breathing;
  breathing.mode = LightListEffects::Breathing;
  breathing.brightness = 4;
  breathing.present = 1;
  breathing.red = 255;
  lighting_.setLightList({LightListEntry{}, breathing});
  const SteadyTime next = lighting_.turn(clock_.now());
  EXPECT_EQ(next, clock_.now() + kAdvance);
  EXPECT_EQ(zone(0), packZone(1, 2, 3, 255));  // no entry for zone 0: the effect's colour
  EXPECT_EQ(zoneRed(zone(1)), 255);
}

TEST_F(LightingRig, AClosedOrSynchronisedHeadsetIdlesAndLeavesTheZones) {
  start(record(4, {1, 2, 3}, false, true), 3, 4);
  device_.zones().fill(packZone(7, 7, 7, 7));  // what the synchronised effect shows
  device_.setSynchronised(true);
  lighting_.setRecord(record(4, {50, 50, 50}, false, true));
  EXPECT_EQ(lighting_.turn(clock_.now()), LightThread::kIdle);
  EXPECT_EQ(zone(3), packZone(7, 7, 7, 7));
  device_.setSynchronised(false);
  lighting_.turn(clock_.now());
  EXPECT_EQ(zone(3), packZone(50, 50, 50, 255));
  device_.transport().disconnect();
  lighting_.setRecord(record(4, {60, 60, 60}, false, true));
  EXPECT_EQ(lighting_.turn(clock_.now()), LightThread::kIdle);
  EXPECT_EQ(zone(3), packZone(50, 50, 50, 255));
}

TEST_F(LightingRig, TheLightListDrivesOnlyTheThirteenZonesOnTopOfTheEffect) {
  start(record(4, {1, 2, 3}, false, true), 3, 4);
  LightListEntry off;
  off.mode = LightListEffects::Off;
  off.present = 1;
  LightListEntry fixed = off;
  fixed.mode = LightListEffects::Static;
  fixed.brightness = 2;
  fixed.red = 200;
  std::vector<LightListEntry> entries(16, off);
  entries[1] = fixed;
  entries[2] = LightListEntry{};  // a null entry: the zone keeps the effect
  lighting_.setLightList(entries);
  lighting_.turn(clock_.now());
  EXPECT_EQ(zone(0), 0u);
  EXPECT_EQ(zone(1), packZone(200, 0, 0, 135));
  EXPECT_EQ(zone(2), packZone(1, 2, 3, 255));
  EXPECT_EQ(zone(12), 0u);
  EXPECT_EQ(device_.lightZoneCount(), static_cast<int>(kZoneCount));  // entries 13..15 name no zone
}
