// The effect list (modes 0, 19 and above 30) and the per-key overlays of the
// "LightList" on the keyboard's lighting engine.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "config/keyboard_profiledata.h"
#include "devices/keyboard/keyboard_lighting.h"

namespace tessel {
namespace {

LightRecord record(uint8_t mode, uint8_t speed = 0) {
  LightRecord r;
  r.selectItem = mode;
  r.light = 4;
  r.speed = speed;
  r.fx = 1;
  r.red = 10;
  r.green = 20;
  r.blue = 30;
  return r;
}

LightStep staticStep(Rgb c, int32_t timeMs, uint8_t speed = 4, uint8_t brightness = 4) {
  LightStep s;
  s.mode = 1;
  s.brightness = brightness;
  s.speed = speed;
  s.red = c.r;
  s.green = c.g;
  s.blue = c.b;
  s.time = timeMs;
  return s;
}

LightListEntry entry(uint8_t mode, Rgb c, uint8_t brightness = 4, uint8_t speed = 4) {
  LightListEntry e;
  e.mode = mode;
  e.brightness = brightness;
  e.speed = speed;
  e.red = c.r;
  e.green = c.g;
  e.blue = c.b;
  e.present = 1;
  return e;
}

Rgb colourOf(uint32_t z) { return {zoneRed(z), zoneGreen(z), zoneBlue(z)}; }

// Drives the engine as the light thread does, one advance per 15.625 ms,
// from advance `from` up to (not including) `to`.
void run(KeyboardLighting& engine, int from, int to) {
  for (int i = from; i < to; ++i) engine.advance(uint32_t(i * 15.625));
}

TEST(KeyboardEffectList, PlaysItsStepsInTurnInModes0And19AndAbove30) {
  const Rgb red{255, 0, 0}, blue{0, 0, 255};
  for (uint8_t mode : {0, 19, 31, 200}) {
    KeyboardLighting engine;
    engine.setLight(record(mode));
    engine.setEffectList({staticStep(red, 200), staticStep(blue, 200)});
    // A static step paints at its interval: 7 passes at step speed 4.
    run(engine, 0, 7);
    EXPECT_EQ(engine.effectListStep(), 0u) << int(mode);
    EXPECT_EQ(engine.frame().get(0), packZone(255, 0, 0, 255)) << int(mode);
    EXPECT_EQ(engine.frame().get(169), packZone(255, 0, 0, 255)) << int(mode);
    // Past its 200 ms (advance 13, at 203 ms) the second step plays, then the
    // first again (advance 26, at 406 ms).
    run(engine, 7, 14);
    EXPECT_EQ(engine.effectListStep(), 1u) << int(mode);
    run(engine, 14, 21);
    EXPECT_EQ(colourOf(engine.frame().get(60)), blue) << int(mode);
    run(engine, 21, 26);
    EXPECT_EQ(engine.effectListStep(), 1u) << int(mode);
    run(engine, 26, 27);
    EXPECT_EQ(engine.effectListStep(), 0u) << int(mode);
  }
}

TEST(KeyboardEffectList, EveryAdvanceIsAPassAndAnEmptyListIsDark) {
  for (unsigned speed = 0; speed <= 4; ++speed) {
    EXPECT_EQ(KeyboardLighting::stepInterval(0, speed), 1u);
    EXPECT_EQ(KeyboardLighting::stepInterval(19, speed), 1u);
    EXPECT_EQ(KeyboardLighting::stepInterval(31, speed), 1u);
  }
  KeyboardLighting engine;
  engine.setLight(record(6));  // static: every key lit
  engine.step(0);
  ASSERT_NE(zoneBrightness(engine.frame().get(51)), 0);
  engine.setLight(record(19));
  engine.step(16);
  for (size_t p = 0; p < KeyboardLighting::kPositions; ++p) ASSERT_EQ(engine.frame().get(p), 0u) << p;
}

TEST(KeyboardEffectList, EnteringTheModeStartsAtTheFirstStep) {
  KeyboardLighting engine;
  engine.setEffectList({staticStep({1, 1, 1}, 50), staticStep({2, 2, 2}, 50)});
  engine.setLight(record(0));
  run(engine, 0, 6);
  ASSERT_EQ(engine.effectListStep(), 1u);
  engine.setLight(record(1));
  run(engine, 6, 8);
  engine.setLight(record(0));
  run(engine, 8, 9);
  EXPECT_EQ(engine.effectListStep(), 0u);
  // A wave step with its own speed and brightness runs over all 170 positions.
  LightStep wave = staticStep({0, 0, 0}, 1000, 4, 2);
  wave.mode = 4;
  wave.multiColor = 1;
  engine.setEffectList({wave});
  run(engine, 9, 16);
  EXPECT_EQ(zoneBrightness(engine.frame().get(0)), 135);
  EXPECT_EQ(zoneBrightness(engine.frame().get(169)), 135);
  EXPECT_NE(colourOf(engine.frame().get(0)), colourOf(engine.frame().get(1)));
}

TEST(KeyboardLightList, OverlaysReplaceTheModeOnTheirPositionsOnly) {
  KeyboardLighting engine;
  std::vector<LightListEntry> list(12);  // null entries: no overlay
  list[5] = entry(LightListEffects::Static, {0, 255, 0}, 2);
  list[7] = entry(LightListEffects::Off, {9, 9, 9});
  list[9] = entry(9, {9, 9, 9});  // an unknown mode leaves the key to the mode
  engine.setLightList(list);
  LightRecord single = record(6, 4);
  single.multiColor = 0;
  engine.setLight(single);
  engine.advance(0);
  EXPECT_EQ(engine.frame().get(5), packZone(0, 255, 0, 135));
  EXPECT_EQ(engine.frame().get(7), 0u);
  EXPECT_EQ(engine.frame().get(9), packZone(10, 20, 30, 255));
  EXPECT_EQ(engine.frame().get(4), packZone(10, 20, 30, 255));
  // The overlay stays when the mode steps again and when it changes.
  engine.step(0);
  EXPECT_EQ(engine.frame().get(5), packZone(0, 255, 0, 135));
  engine.setLight(record(28, 4));
  engine.advance(16);
  EXPECT_EQ(engine.frame().get(5), packZone(0, 255, 0, 135));
  EXPECT_EQ(engine.frame().get(4), 0u);
  // An empty list gives every key back to the mode.
  engine.setLightList({});
  engine.setLight(single);
  engine.advance(32);
  EXPECT_EQ(engine.frame().get(5), packZone(10, 20, 30, 255));
  EXPECT_EQ(engine.frame().get(7), packZone(10, 20, 30, 255));
}

TEST(KeyboardLightList, EntriesPastTheLastPositionAndOutOfRangeValues) {
  KeyboardLighting engine;
  std::vector<LightListEntry> list(175);
  list[0] = entry(LightListEffects::Static, {1, 2, 3}, 200, 99);  // brightness held to 4
  list[169] = entry(LightListEffects::Static, {4, 5, 6}, 1);
  for (size_t i = 170; i < list.size(); ++i) list[i] = entry(LightListEffects::Off, {});
  engine.setLightList(list);
  engine.setLight(record(28));
  engine.advance(0);
  EXPECT_EQ(engine.frame().size(), 170u);
  EXPECT_EQ(engine.frame().get(0), packZone(1, 2, 3, 255));
  EXPECT_EQ(engine.frame().get(169), packZone(4, 5, 6, 80));
  EXPECT_EQ(engine.frame().frame().size(), 170u * 3);
}

TEST(KeyboardLightList, BadColoursFromTheDocumentAreHeldToAByte) {
  // The list as a profile document holds it: colours out of range or of the
  // wrong type reach the engine as bytes, never as indices past the tables.
  CKeyboardProfiledata data;
  data.setWorkingCopy(DeviceElement::fromText(R"({"LightList": [
      {"LEDREGMode": 1, "LEDBrightness": 4, "LEDSpeed": 0, "red": 300, "green": -4, "blue": "zz"},
      null,
      {"LEDREGMode": 3, "LEDBrightness": 77, "LEDSpeed": -9, "red": 1, "green": 2, "blue": 3}]})"));
  KeyboardLighting engine;
  engine.setLightList(data.getLightList());
  engine.setLight(record(28));
  engine.advance(0);
  EXPECT_EQ(engine.frame().get(0), packZone(255, 0, 0, 255));
  EXPECT_EQ(engine.frame().get(1), 0u);
  EXPECT_EQ(zoneBrightness(engine.frame().get(2)), 255);  // colour wheel at the held brightness
}

TEST(KeyboardLightList, OverlaysMoveOnEveryAdvanceButNotOnAStep) {
  KeyboardLighting engine;
  std::vector<LightListEntry> list(3);
  list[2] = entry(LightListEffects::Breathing, {100, 0, 0}, 4, 0);
  engine.setLightList(list);
  engine.setLight(record(1, 0));  // the column wave steps every fifth advance
  EXPECT_EQ(engine.advance(0), KeyboardLighting::kAdvance) << "an animated overlay needs every advance";
  EXPECT_TRUE(engine.overlaysAnimated());
  // The list's restart ran one pass and the advance another.
  const auto& breath = effect_tables::breathingCurve();
  auto curve = [&breath](size_t phase) { return uint8_t(breath[phase] * 255 / 256); };
  EXPECT_EQ(zoneBrightness(engine.frame().get(2)), curve(8));
  std::vector<uint8_t> seen;
  for (int i = 1; i <= 4; ++i) {
    engine.advance(uint32_t(i * 16));
    seen.push_back(zoneBrightness(engine.frame().get(2)));
  }
  // Speed 0 breathes 4 phase steps per advance: the curve, every fourth entry.
  EXPECT_EQ(seen, (std::vector<uint8_t>{curve(12), curve(16), curve(20), curve(24)}));
  engine.step(80);
  EXPECT_EQ(zoneBrightness(engine.frame().get(2)), curve(24));
  // Without an animated overlay the engine sleeps until its next step.
  engine.setLightList({entry(LightListEffects::Static, {1, 1, 1})});
  engine.advance(96);
  EXPECT_FALSE(engine.overlaysAnimated());
  EXPECT_EQ(engine.advance(112), KeyboardLighting::kAdvance * 3);
}

TEST(KeyboardLightList, FlashingOverlayFollowsItsOwnSpeed) {
  KeyboardLighting engine;
  engine.setLightList({entry(LightListEffects::Flashing, {0, 0, 50}, 4, 4)});
  engine.setLight(record(28));
  std::vector<uint32_t> toggles;
  bool on = false;
  for (int i = 0; i < 400; ++i) {
    const uint32_t now = uint32_t(i * 15.625);
    engine.advance(now);
    const bool lit = engine.frame().get(0) != 0;
    if (lit != on || i == 0) toggles.push_back(now);
    on = lit;
  }
  ASSERT_GE(toggles.size(), 4u);
  EXPECT_EQ(engine.frame().get(1), 0u);
  for (size_t i = 1; i < toggles.size(); ++i) {
    EXPECT_GE(toggles[i] - toggles[i - 1], 1400u);
    EXPECT_LT(toggles[i] - toggles[i - 1], 1400u + 16u);
  }
}

TEST(KeyboardLightList, APainterNeverSeesAnOverlaidKeyInTheModesColour) {
  KeyboardLighting engine;
  std::vector<LightListEntry> list(11);
  list[10] = entry(LightListEffects::Static, {0, 0, 200});
  engine.setLightList(list);
  engine.setLight(record(30, 4));  // the external colour: steps every advance
  const uint32_t external[3] = {200, 0, 0};
  engine.setExternalColour(external);
  engine.advance(0);
  std::atomic<bool> done{false};
  std::atomic<int> wrong{0};
  std::thread painter([&] {
    while (!done) {
      if (engine.frame().get(10) != packZone(0, 0, 200, 255)) ++wrong;
    }
  });
  for (uint32_t t = 1; t < 20000; ++t) engine.advance(t);
  done = true;
  painter.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(engine.frame().get(11), packZone(200, 0, 0, 255));
}

TEST(KeyboardLightList, OverlaysLieOnTheEffectListAndKeepTheirPaceAcrossModes) {
  KeyboardLighting engine;
  engine.setLight(record(19));
  engine.setEffectList({staticStep({255, 0, 0}, 100000)});
  std::vector<LightListEntry> list(4);
  list[3] = entry(LightListEffects::Static, {0, 255, 0});
  list[2] = entry(LightListEffects::ColourWheel, {}, 4, 4);  // a wheel step every 7 advances
  engine.setLightList(list);
  run(engine, 0, 7);
  EXPECT_EQ(engine.frame().get(3), packZone(0, 255, 0, 255));
  EXPECT_EQ(engine.frame().get(4), packZone(255, 0, 0, 255));
  const uint32_t wheelBefore = engine.frame().get(2);
  // A mode change leaves the overlays where they were: they are not restarted.
  engine.setLight(record(28, 4));
  run(engine, 7, 14);
  EXPECT_EQ(engine.frame().get(4), 0u);
  EXPECT_EQ(engine.frame().get(3), packZone(0, 255, 0, 255));
  EXPECT_NE(engine.frame().get(2), wheelBefore);
  EXPECT_EQ(zoneBrightness(engine.frame().get(2)), 255);
}

TEST(KeyboardLightList, ClockWrapKeepsTheEffectListMoving) {
  KeyboardLighting engine;
  engine.setLight(record(0));
  engine.setEffectList({staticStep({1, 0, 0}, 200), staticStep({2, 0, 0}, 200)});
  const uint32_t start = 0u - 150u;  // wraps 150 ms in, the step ends at 203 ms
  for (int i = 0; i < 15; ++i) engine.advance(start + uint32_t(i * 15.625));
  EXPECT_EQ(engine.effectListStep(), 1u) << "the step ended although the millisecond value wrapped";
}

}  // namespace
}  // namespace tessel
