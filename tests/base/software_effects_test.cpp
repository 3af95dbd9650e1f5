#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "device/base/software_effects.h"

using namespace tessel;
using namespace std::chrono;

TEST(EffectTables, WheelAndBreathingCurveHaveTheirShape) {
  const auto& wheel = effect_tables::colourWheel();
  EXPECT_EQ(wheel[0], (Rgb{255, 1, 0}));
  EXPECT_EQ(wheel[31], (Rgb{255, 255, 0}));
  EXPECT_EQ(wheel[32], (Rgb{248, 255, 0}));
  EXPECT_EQ(wheel[63], (Rgb{0, 255, 0}));
  EXPECT_EQ(wheel[100], (Rgb{0, 194, 255}));  // segment 3, i = 4: (0, D[4], 255)
  EXPECT_EQ(wheel[191], (Rgb{255, 0, 0}));
  const auto& curve = effect_tables::breathingCurve();
  EXPECT_EQ(curve[0], 0);
  EXPECT_EQ(curve[63], 255);
  EXPECT_EQ(curve[64], 255);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(curve[127 - i], curve[i]) << i;
}

TEST(SoftwareEffects, BreathingStepsThePhaseBothWaysAndMovesTheColourOnEachCycle) {
  ZoneColours zones(15);
  SoftwareEffectEngine fx(zones);
  fx.setColourful(true);
  fx.setBrightnessIndex(4);
  fx.select(SoftwareEffect::Breathing);
  fx.setForward(false);
  fx.breathing();  // backward from 0 continues at 127
  EXPECT_EQ(fx.phase(), 127u);
  EXPECT_EQ(zoneBrightness(zones.get(0)), 0 * 255 / 256);
  fx.setForward(true);
  fx.breathing();  // 127 -> 0: a new cycle, the colour moves on by 16
  EXPECT_EQ(fx.phase(), 0u);
  EXPECT_EQ(fx.colourIndex(), 16u);
  for (int i = 0; i < 63; ++i) fx.breathing();
  EXPECT_EQ(fx.phase(), 63u);
  const uint32_t z = zones.get(14);
  EXPECT_EQ(zoneBrightness(z), 255 * 255 / 256);
  EXPECT_EQ((Rgb{zoneRed(z), zoneGreen(z), zoneBlue(z)}), effect_tables::colourWheel()[16]);
  // Twelve cycles of 16 bring the colour index back to 0.
  for (int cycle = 0; cycle < 11; ++cycle)
    for (int i = 0; i < 128; ++i) fx.breathing();
  EXPECT_EQ(fx.colourIndex(), 0u);
}

TEST(SoftwareEffects, APhaseLeftOverFromABiggerTableIsBroughtIntoRange) {
  ZoneColours zones(4);
  SoftwareEffectEngine fx(zones);
  fx.select(SoftwareEffect::ColourWheel);
  fx.setPhase(191);
  fx.setForward(false);
  // Switching straight to breathing without select(): the 128-entry curve must
  // never be read at 190.
  fx.breathing();
  EXPECT_LT(fx.phase(), 128u);
  fx.setPhase(500);
  fx.colourWheel();
  EXPECT_LT(fx.phase(), 192u);
  fx.setPhase(7);
  fx.flashingFourColours(steady_clock::time_point{});
  EXPECT_LT(fx.phase(), 4u);
}

TEST(SoftwareEffects, IndicesFromDocumentsAreClamped) {
  ZoneColours zones(1);
  SoftwareEffectEngine fx(zones);
  fx.setFixedColour({10, 20, 30});
  fx.setBrightnessIndex(9);
  fx.staticColour();
  EXPECT_EQ(zones.get(0), packZone(10, 20, 30, 255));
  fx.setBrightnessIndex(-3);
  fx.staticColour();
  EXPECT_EQ(zoneBrightness(zones.get(0)), 0);
}

TEST(SoftwareEffects, FlashingTogglesAtTheSpeedsPeriod) {
  ZoneColours zones(3);
  SoftwareEffectEngine fx(zones);
  fx.setSpeedIndex(4);  // 7 x 200 ms
  fx.setFixedColour({1, 2, 3});
  fx.select(SoftwareEffect::Flashing);
  steady_clock::time_point t{hours(1)};
  fx.flashing(t);
  EXPECT_TRUE(fx.flashOn());
  EXPECT_EQ(zones.get(2), packZone(1, 2, 3, 255));
  fx.flashing(t + 1399ms);
  EXPECT_TRUE(fx.flashOn());
  fx.flashing(t + 1400ms);
  EXPECT_FALSE(fx.flashOn());
  EXPECT_EQ(zones.get(2), 0u);
  fx.setSpeedIndex(99);  // clamped to 4 as well
  fx.flashing(t + 2800ms);
  EXPECT_TRUE(fx.flashOn());
}

TEST(ZoneColoursFrame, ScalesByBrightnessAndNeverCoversMoreThan170Zones) {
  ZoneColours zones(200);
  zones.set(0, packZone(255, 128, 2, 128));
  zones.set(169, packZone(200, 200, 200, 255));
  zones.set(199, packZone(9, 9, 9, 255));
  zones.set(500, packZone(1, 1, 1, 1));  // ignored
  EXPECT_EQ(zones.get(500), 0u);
  auto frame = zones.frame();
  ASSERT_EQ(frame.size(), 170u * 3);
  EXPECT_EQ(frame[0], 127);
  EXPECT_EQ(frame[1], 64);
  EXPECT_EQ(frame[2], 1);
  EXPECT_EQ(frame[169 * 3], 199);
  ZoneColours mouse(15);
  EXPECT_EQ(mouse.frame().size(), 45u);
}

TEST(AudioBandDecay, FollowsEachCurveAndNeverWrapsBelowZero) {
  EXPECT_EQ(audioBandDecay(200, 0), 160);
  EXPECT_EQ(audioBandDecay(100, 0), 70);
  EXPECT_EQ(audioBandDecay(40, 0), 25);
  EXPECT_EQ(audioBandDecay(40, 5), 30);
  EXPECT_EQ(audioBandDecay(20, 0), 12);
  EXPECT_EQ(audioBandDecay(3, 0), 2);
  EXPECT_EQ(audioBandDecay(0, 0), 0);
  EXPECT_EQ(audioBandDecay(0x90, 29), 0x90 - 45);
  EXPECT_EQ(audioBandDecay(16, 29), 0);   // 16 - 45 would wrap to 227
  EXPECT_EQ(audioBandDecay(32, 29), 0);   // 32 - 35 would wrap
  EXPECT_EQ(audioBandDecay(5, 29), 4);
}

TEST(FunctionMode, PagesOfBothSwitches) {
  EXPECT_EQ(functionModePages(1, 2).function, 0);
  EXPECT_EQ(functionModePages(6, 2).keyFunction, 1);
  EXPECT_EQ(functionModePages(8, 2).keyFunction, -1);
  EXPECT_EQ(functionModePages(4, 2).function, 3);
  EXPECT_EQ(functionModePages(4, 2).keyFunction, -1);
  EXPECT_EQ(functionModePages(4, 3).function, 0);
  EXPECT_EQ(functionModePages(4, 3).keyFunction, 2);
  EXPECT_EQ(functionModePages(5, 1).function, 2);
  EXPECT_EQ(functionModePages(7, 1).keyFunction, 2);
  EXPECT_EQ(functionModePages(42, 1).function, 0);
}

// The UI thread picks effects while the effect thread steps them. Under
// ThreadSanitizer an unlocked effect or phase is reported here; in every build
// each step must see a whole selection: a wheel step right after select() never
// starts from a phase the previous effect left behind.
TEST(SoftwareEffects, SelectingWhileTheEffectThreadStepsKeepsTheStateWhole) {
  ZoneColours zones(4);
  SoftwareEffectEngine fx(zones);
  fx.setColourful(true);
  std::atomic<bool> done{false};
  std::thread effectThread([&] {
    while (!done.load()) fx.step(steady_clock::now());
  });
  for (int i = 0; i < 2000; ++i) {
    fx.select(i % 2 ? SoftwareEffect::ColourWheel : SoftwareEffect::Breathing);
    const unsigned p = fx.phase();
    EXPECT_LT(p, 192u);
    EXPECT_LT(fx.colourIndex(), effect_tables::colourWheel().size());
  }
  done = true;
  effectThread.join();
  fx.select(SoftwareEffect::Static);
  EXPECT_EQ(fx.selected(), SoftwareEffect::Static);
  EXPECT_EQ(fx.phase(), 0u);
}
