// The headset's light list: thirteen entries at most, each with its own
// state, all of it started over by a refresh of the view.
#include <gtest/gtest.h>

#include "devices/headset/headset_light_list.h"

using namespace tessel;
using namespace tessel::headset;
using namespace std::chrono;

namespace {

LightListEntry entry(uint8_t mode, uint8_t brightness, uint8_t speed, bool multi = false) {
  LightListEntry e;
  e.mode = mode;
  e.brightness = brightness;
  e.speed = speed;
  e.multiColor = multi ? 1 : 0;
  e.red = 200;
  e.green = 100;
  e.blue = 50;
  e.present = 1;
  return e;
}

}  // namespace

TEST(HeadsetLightList, OnlyTheThirteenZonesAreDrivenAndOthersKeepTheEffect) {
  ManualClock clock;
  ZoneColours zones(kZoneCount);
  zones.fill(packZone(1, 2, 3, 255));
  HeadsetLightList list(zones);
  std::vector<LightListEntry> entries(16, entry(LightListEffects::Off, 4, 0));
  entries[1] = entry(LightListEffects::Static, 2, 0);
  entries[2] = LightListEntry{};  // a null entry: the zone keeps the effect
  list.load(entries, clock.now());
  EXPECT_EQ(list.drivenZones(), kZoneCount);
  EXPECT_EQ(list.entries().size(), kZoneCount);
  EXPECT_EQ(zones.get(0), 0u);                            // off
  EXPECT_EQ(zones.get(1), packZone(200, 100, 50, 135));   // static at brightness factor[2]
  EXPECT_EQ(zones.get(2), packZone(1, 2, 3, 255));
}

TEST(HeadsetLightList, EachEntryKeepsItsOwnStateAndRefreshStartsThemOver) {
  ManualClock clock;
  ZoneColours zones(kZoneCount);
  HeadsetLightList list(zones);
  // Zone 0 breathes at speed 4 (step 8), zone 1 at speed 0 (step 4); zone 2
  // cycles colours every 7 passes (speed 4); zone 3 flashes every 28 x 200 ms.
  list.load({entry(LightListEffects::Breathing, 4, 4), entry(LightListEffects::Breathing, 4, 0),
             entry(LightListEffects::ColourWheel, 4, 4), entry(LightListEffects::Flashing, 4, 0, true)},
            clock.now());
  EXPECT_EQ(list.state(3).flashPeriod, milliseconds(28 * 200));
  EXPECT_EQ(list.state(2).wheelInterval, 7);
  for (int i = 0; i < 14; ++i) {
    clock.advance(milliseconds(16));
    list.pass(clock.now());
  }
  // load() made one pass, then 14 more: 15 breathing steps.
  EXPECT_EQ(list.state(0).breathPhase, 120);
  EXPECT_EQ(list.state(1).breathPhase, 60);
  EXPECT_EQ(list.state(2).wheelColour, 2);  // 15 passes at an interval of 7
  EXPECT_TRUE(list.state(3).flashOn);       // toggled on the first pass, not yet again
  const uint32_t flashing = zones.get(3);
  EXPECT_EQ(zoneBrightness(flashing), 255);

  // 28 x 200 ms later the flash goes off and its colour index moves on by 14.
  clock.advance(milliseconds(28 * 200));
  list.pass(clock.now());
  EXPECT_FALSE(list.state(3).flashOn);
  EXPECT_EQ(list.state(3).flashColour, 28);
  EXPECT_EQ(zones.get(3), 0u);

  // Refresh: everything from zero, then the first pass.
  list.reset(clock.now());
  EXPECT_EQ(list.state(0).breathPhase, 8);
  EXPECT_EQ(list.state(1).breathPhase, 4);
  EXPECT_EQ(list.state(2).wheelColour, 0);
  EXPECT_TRUE(list.state(3).flashOn);
  EXPECT_EQ(list.state(3).flashColour, 14);
}
