// The "LightList" effects: each entry drives its own zone on top of the
// device's effect, with state that restarts on reload.
#include <gtest/gtest.h>

#include "device/base/light_list_effects.h"

using namespace tessel;
using namespace std::chrono;

namespace {

LightListEntry entry(uint8_t mode, uint8_t brightness, uint8_t speed, Rgb c = {10, 20, 30}, bool multi = false) {
  LightListEntry e;
  e.mode = mode;
  e.brightness = brightness;
  e.speed = speed;
  e.multiColor = multi;
  e.red = c.r;
  e.green = c.g;
  e.blue = c.b;
  e.present = 1;
  return e;
}

const Rgb& wheel(size_t i) { return effect_tables::colourWheel()[i]; }

uint32_t at(Rgb c, unsigned level) { return packZone(c.r, c.g, c.b, static_cast<uint8_t>(level)); }

}  // namespace

TEST(LightListEffects, StaticAndOffZonesOnTopOfTheDeviceEffectOthersKeepTheirs) {
  ManualClock clock;
  ZoneColours zones(4);
  zones.fill(at({1, 2, 3}, 200));  // what the device's own effect left
  LightListEffects list(zones);
  LightListEntry unknown = entry(7, 4, 0);
  LightListEntry nullEntry;  // a null entry in the document: zeros, not present
  list.setEntries({entry(LightListEffects::Static, 2, 0, {9, 8, 7}), entry(LightListEffects::Off, 4, 0), unknown,
                   nullEntry, entry(LightListEffects::Static, 4, 0) /* past the last zone */},
                  clock.now());
  EXPECT_EQ(list.drivenZones(), 4u);
  EXPECT_EQ(zones.get(0), at({9, 8, 7}, 135));
  EXPECT_EQ(zones.get(1), 0u);
  EXPECT_EQ(zones.get(2), at({1, 2, 3}, 200));  // unknown mode: untouched
  EXPECT_EQ(zones.get(3), at({1, 2, 3}, 200));  // a null entry drives nothing
  EXPECT_TRUE(list.active());
  EXPECT_FALSE(list.animated());

  // A brightness or speed out of range in the document counts as 4.
  list.setEntries({entry(LightListEffects::Static, 200, 77, {9, 8, 7})}, clock.now());
  EXPECT_EQ(zones.get(0), at({9, 8, 7}, 255));
  EXPECT_EQ(list.state(0).flashPeriod, 1400ms);
  EXPECT_EQ(list.state(0).wheelInterval, 7);
}

TEST(LightListEffects, BreathingStepsBySpeedPlusFourAndTakesTheNextWheelColourAfterEachBreath) {
  ManualClock clock;
  ZoneColours zones(2);
  LightListEffects list(zones);
  LightListEntry notPresent = entry(LightListEffects::Breathing, 4, 0);
  notPresent.present = 0;
  list.setEntries({entry(LightListEffects::Breathing, 3, 0, {100, 0, 0}), notPresent}, clock.now());
  // The restart ran one pass: phase 0 + 0 + 4.
  EXPECT_EQ(list.state(0).breathPhase, 4);
  EXPECT_EQ(zones.get(0), at({100, 0, 0}, effect_tables::breathingCurve()[4] * 195 / 256));
  EXPECT_EQ(zones.get(1), 0u);  // breathing needs the presence flag

  // Multi-colour at speed 4: 8 per pass, so the 16th pass ends the first breath.
  list.setEntries({entry(LightListEffects::Breathing, 4, 4, {}, true)}, clock.now());
  for (int i = 1; i < 15; ++i) list.pass(clock.now());
  EXPECT_EQ(list.state(0).breathPhase, 120);
  EXPECT_EQ(list.state(0).breathColour, 0);
  list.pass(clock.now());
  EXPECT_EQ(list.state(0).breathPhase, 0);
  EXPECT_EQ(list.state(0).breathColour, 1);
  EXPECT_EQ(zones.get(0), at(wheel(0), 0));  // the colour was taken before the breath ended
  list.pass(clock.now());
  EXPECT_EQ(zones.get(0), at(wheel(1), effect_tables::breathingCurve()[8] * 255 / 256));
}

TEST(LightListEffects, FlashingTogglesEveryPeriodAndMovesItsColourBy14) {
  ManualClock clock;
  ZoneColours zones(2);
  LightListEffects list(zones);
  list.setEntries({entry(LightListEffects::Flashing, 4, 3, {5, 6, 7}),
                   entry(LightListEffects::Flashing, 1, 4, {}, true)},
                  clock.now());
  // The restart's pass toggles at once (no toggle yet): on.
  EXPECT_EQ(zones.get(0), at({5, 6, 7}, 255));
  EXPECT_EQ(zones.get(1), at(wheel(14), 80));
  clock.advance(1399ms);
  list.pass(clock.now());
  EXPECT_EQ(zones.get(1), at(wheel(14), 80));  // speed 4: 7 x 200 ms not yet over
  clock.advance(1ms);
  list.pass(clock.now());
  EXPECT_EQ(zones.get(1), 0u);  // off
  EXPECT_EQ(list.state(1).flashColour, 28);
  EXPECT_EQ(zones.get(0), at({5, 6, 7}, 255));  // speed 3: 2600 ms
  clock.advance(1200ms);
  list.pass(clock.now());
  EXPECT_EQ(zones.get(0), 0u);
  EXPECT_FALSE(list.state(0).flashOn);
  EXPECT_TRUE(list.animated());
}

TEST(LightListEffects, FlashColourWrapsToZeroAtTheEndOfTheWheel) {
  ManualClock clock;
  ZoneColours zones(1);
  LightListEffects list(zones);
  list.setEntries({entry(LightListEffects::Flashing, 4, 4, {}, true)}, clock.now());
  // 14 (the restart's toggle), 28, ..., 182, then 196 would pass the wheel's end: 0.
  for (int i = 0; i < 12; ++i) {
    clock.advance(1400ms);
    list.pass(clock.now());
  }
  EXPECT_EQ(list.state(0).flashColour, 182);
  clock.advance(1400ms);
  list.pass(clock.now());
  EXPECT_EQ(list.state(0).flashColour, 0);
}

TEST(LightListEffects, ColourWheelAdvancesOnceEveryIntervalOfPasses) {
  ManualClock clock;
  ZoneColours zones(1);
  LightListEffects list(zones);
  list.setEntries({entry(LightListEffects::ColourWheel, 2, 4)}, clock.now());
  EXPECT_EQ(list.state(0).wheelCounter, 1);  // the restart's pass
  for (int i = 0; i < 5; ++i) list.pass(clock.now());
  EXPECT_EQ(zones.get(0), at(wheel(0), 135));
  list.pass(clock.now());  // the 7th pass
  EXPECT_EQ(list.state(0).wheelColour, 1);
  EXPECT_EQ(zones.get(0), at(wheel(1), 135));
  // Around the wheel: 191 is followed by 0.
  for (int i = 0; i < 190 * 7; ++i) list.pass(clock.now());
  EXPECT_EQ(list.state(0).wheelColour, 191);
  for (int i = 0; i < 7; ++i) list.pass(clock.now());
  EXPECT_EQ(list.state(0).wheelColour, 0);
}

TEST(LightListEffects, RestartBringsEveryEffectBackToItsStartAndRepaintDoesNotMoveThemOn) {
  ManualClock clock;
  ZoneColours zones(2);
  LightListEffects list(zones);
  list.setEntries({entry(LightListEffects::Breathing, 4, 0), entry(LightListEffects::ColourWheel, 4, 4)}, clock.now());
  for (int i = 0; i < 20; ++i) list.pass(clock.now());
  EXPECT_EQ(list.state(0).breathPhase, 84);
  const uint32_t shown0 = zones.get(0), shown1 = zones.get(1);
  zones.fill(0);  // the device's effect overwrote them
  list.repaint();
  EXPECT_EQ(zones.get(0), shown0);
  EXPECT_EQ(zones.get(1), shown1);
  EXPECT_EQ(list.state(0).breathPhase, 84);
  list.restart(clock.now());
  EXPECT_EQ(list.state(0).breathPhase, 4);
  EXPECT_EQ(list.state(1).wheelCounter, 1);
  EXPECT_EQ(list.state(1).wheelColour, 0);
}

TEST(LightListEffects, TwoDevicesOfOneKindKeepTheirOwnState) {
  ManualClock clock;
  ZoneColours zonesA(1), zonesB(1);
  LightListEffects a(zonesA), b(zonesB);
  a.setEntries({entry(LightListEffects::Breathing, 4, 0)}, clock.now());
  b.setEntries({entry(LightListEffects::Breathing, 4, 0)}, clock.now());
  for (int i = 0; i < 10; ++i) a.pass(clock.now());
  EXPECT_EQ(a.state(0).breathPhase, 44);
  EXPECT_EQ(b.state(0).breathPhase, 4);
  b.restart(clock.now());
  EXPECT_EQ(a.state(0).breathPhase, 44);
}
