// Playback of a user light sequence: each step's mode paced by passes, the
// phase shared by all steps, the next step after "Time".
#include <gtest/gtest.h>

#include "device/base/user_sequence_player.h"

using namespace tessel;
using namespace std::chrono;

namespace {

LightStep step(uint8_t mode, uint8_t brightness, uint8_t speed, int32_t timeMs, Rgb c = {40, 50, 60},
               bool multi = false, uint8_t direction = 0) {
  LightStep s;
  s.mode = mode;
  s.brightness = brightness;
  s.speed = speed;
  s.direction = direction;
  s.multiColor = multi;
  s.red = c.r;
  s.green = c.g;
  s.blue = c.b;
  s.time = timeMs;
  return s;
}

const Rgb& wheel(size_t i) { return effect_tables::colourWheel()[i]; }
uint32_t at(Rgb c, unsigned level) { return packZone(c.r, c.g, c.b, static_cast<uint8_t>(level)); }

constexpr int kFlashSpeed = 4;  // the light record's speed: 1400 ms

}  // namespace

TEST(UserSequence, AnEmptySequenceTurnsEveryZoneOff) {
  ManualClock clock;
  ZoneColours zones(3);
  zones.fill(at({1, 1, 1}, 255));
  UserSequencePlayer player(zones);
  player.setSteps({}, clock.now());
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(zones.get(0), 0u);
  EXPECT_EQ(zones.get(2), 0u);
}

TEST(UserSequence, StaticShowsTheStepColourOnceThePassCountReachesTheInterval) {
  ManualClock clock;
  ZoneColours zones(2);
  UserSequencePlayer player(zones);
  player.setSteps({step(1, 2, 4, 100000, {7, 8, 9})}, clock.now());
  for (int i = 0; i < 6; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(zones.get(0), 0u);
  player.pass(clock.now(), kFlashSpeed);  // the 7th pass at speed 4
  EXPECT_EQ(zones.get(0), at({7, 8, 9}, 135));
  EXPECT_EQ(zones.get(1), at({7, 8, 9}, 135));
  EXPECT_EQ(player.passCount(), 0u);
}

TEST(UserSequence, TheNextStepBeginsOnlyWhenMoreThanItsTimeHasPassedAndTheLastLeadsToTheFirst) {
  ManualClock clock;
  ZoneColours zones(1);
  UserSequencePlayer player(zones);
  player.setSteps({step(1, 4, 4, 100), step(9, 4, 4, 50)}, clock.now());
  clock.advance(100ms);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.currentStep(), 0u);  // exactly its time: not more
  clock.advance(1ms);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.currentStep(), 1u);
  clock.advance(51ms);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.currentStep(), 0u);
  // A mode without an effect leaves the zones as they were.
  zones.set(0, at({3, 3, 3}, 3));
  player.setSteps({step(3, 4, 4, 1000)}, clock.now());
  for (int i = 0; i < 30; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(zones.get(0), at({3, 3, 3}, 3));
}

TEST(UserSequence, BreathingStepsThePhaseEachIntervalAndThePassCountWrapsAt255) {
  ManualClock clock;
  ZoneColours zones(1);
  UserSequencePlayer player(zones);
  player.setSteps({step(0, 4, 0, 1000000, {200, 100, 0})}, clock.now());
  for (int i = 0; i < 28; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 1u);
  EXPECT_EQ(zones.get(0), at({200, 100, 0}, effect_tables::breathingCurve()[1] * 255 / 256));
  for (int i = 0; i < 28 * 127; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 0u);  // 128 wraps to 0

  // A mode that does not restart the count lets it run up to 254, then 0.
  player.setSteps({step(7, 4, 0, 1000000)}, clock.now());
  while (player.passCount() != 254) player.pass(clock.now(), kFlashSpeed);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.passCount(), 0u);
}

TEST(UserSequence, BreathingInManyColoursMovesOnAfterEachBreath) {
  ManualClock clock;
  ZoneColours zones(1);
  UserSequencePlayer player(zones);
  player.setSteps({step(0, 4, 4, 1000000, {}, true)}, clock.now());
  for (int i = 0; i < 7 * 127; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(zoneRed(zones.get(0)), wheel(0).r);
  for (int i = 0; i < 7; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 0u);
  EXPECT_EQ(zones.get(0), at(wheel(16), 0));
}

TEST(UserSequence, WaveRunsForwardOrBackwardOverTheZones) {
  ManualClock clock;
  ZoneColours zones(3);
  UserSequencePlayer player(zones);
  player.setSteps({step(4, 4, 4, 1000000, {}, true, 0)}, clock.now());
  for (int i = 0; i < 7; ++i) player.pass(clock.now(), kFlashSpeed);
  // phase 1, p = 2: zone i shows wheel[2 + 12 i].
  EXPECT_EQ(zones.get(0), at(wheel(2), 255));
  EXPECT_EQ(zones.get(2), at(wheel(26), 255));

  // Direction 1: p = (-phase - 64) as a byte, at most 191. Phase 2 gives 190.
  player.setSteps({step(4, 4, 4, 1000000, {}, true, 1)}, clock.now());
  for (int i = 0; i < 7; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 2u);
  EXPECT_EQ(zones.get(0), at(wheel(190), 255));
  EXPECT_EQ(zones.get(1), at(wheel(10), 255));  // (190 + 12) mod 192

  // One colour: the breathing wave at (p + 12 (i + 1)) mod 96.
  player.setSteps({step(4, 3, 4, 1000000, {90, 0, 0}, false, 0)}, clock.now());
  for (int i = 0; i < 7; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 3u);  // the phase is shared: not reset by the new steps
  const auto& wave = effect_tables::breathingWave();
  EXPECT_EQ(zones.get(0), at({90, 0, 0}, 195 * wave[(4 + 12) % 96] / 256));
  EXPECT_EQ(zones.get(2), at({90, 0, 0}, 195 * wave[(4 + 36) % 96] / 256));
}

TEST(UserSequence, WaveBackwardFromPhaseZeroIsLimitedTo191) {
  ManualClock clock;
  ZoneColours zones(1);
  UserSequencePlayer player(zones);
  // Run the phase up to 191 with the colour wheel (one step per pass at speed 4).
  player.setSteps({step(5, 4, 4, 1000000)}, clock.now());
  for (int i = 0; i < 191; ++i) player.pass(clock.now(), kFlashSpeed);
  ASSERT_EQ(player.phase(), 191u);
  EXPECT_EQ(zones.get(0), at(wheel(191), 255));
  player.setSteps({step(4, 4, 4, 1000000, {}, true, 1)}, clock.now());
  for (int i = 0; i < 7; ++i) player.pass(clock.now(), kFlashSpeed);
  ASSERT_EQ(player.phase(), 0u);
  EXPECT_EQ(zones.get(0), at(wheel(191), 255));  // -0 - 64 = 192 as a byte, limited to 191
}

TEST(UserSequence, ColourWheelStepsAfter5To1PassesBySpeed) {
  ManualClock clock;
  ZoneColours zones(1);
  UserSequencePlayer player(zones);
  player.setSteps({step(5, 1, 0, 1000000)}, clock.now());
  for (int i = 0; i < 4; ++i) player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 0u);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 1u);
  EXPECT_EQ(zones.get(0), at(wheel(1), 80));
}

TEST(UserSequence, FlashingTogglesByTheRecordSpeedAndTakesItsColourAtTheToggle) {
  ManualClock clock;
  ZoneColours zones(1);
  UserSequencePlayer player(zones);
  player.setSteps({step(2, 4, 0, 1000000, {}, true)}, clock.now());
  player.pass(clock.now(), kFlashSpeed);
  // Phase 1 at the first toggle: wheel[1 + 14], on.
  EXPECT_TRUE(player.flashOn());
  EXPECT_EQ(zones.get(0), at(wheel(15), 255));
  clock.advance(1399ms);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(zones.get(0), at(wheel(15), 255));  // still the colour of the last toggle
  clock.advance(1ms);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(zones.get(0), 0u);
  clock.advance(1400ms);
  player.pass(clock.now(), kFlashSpeed);
  EXPECT_EQ(player.phase(), 4u);
  EXPECT_EQ(zones.get(0), at(wheel(18), 255));
  // The record's speed decides the period, not the step's: speed 0 is 5600 ms.
  clock.advance(1400ms);
  player.pass(clock.now(), 0);
  EXPECT_TRUE(player.flashOn());
}
