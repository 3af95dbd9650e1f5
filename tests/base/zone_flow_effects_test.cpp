// The wave and band flows of the mousepad and the headset.
#include <gtest/gtest.h>

#include "device/base/zone_flow_effects.h"

using namespace tessel;

namespace {

LightRecord record(bool forward, bool multi, uint8_t brightness = 4) {
  LightRecord r;
  r.fx = forward ? 1 : 0;
  r.multiColor = multi ? 1 : 0;
  r.light = brightness;
  r.red = 200;
  r.green = 100;
  r.blue = 50;
  return r;
}

Rgb colourAt(const ZoneColours& z, size_t i) {
  const uint32_t v = z.get(i);
  return {zoneRed(v), zoneGreen(v), zoneBlue(v)};
}

TEST(ZoneFlowStep, StepsWrapByTheirSize) {
  EXPECT_EQ(stepWithin(93, 96, 3, true), 0);
  EXPECT_EQ(stepWithin(0, 96, 3, false), 93);
  EXPECT_EQ(stepWithin(191, 192, 1, true), 0);
  EXPECT_EQ(stepWithin(0, 192, 1, false), 191);
  EXPECT_EQ(stepWithin(150, 96, 1, true), 0);  // a phase left by a longer table
  EXPECT_EQ(stepWithin(150, 96, 1, false), 95);
}

TEST(ZoneFlowWave, MultiColourPadWaveFromPhase190) {
  ZoneColours z(15);
  FlowState s;
  s.phase = 190;
  waveStep(z, s, kMousepadWave, record(true, true));
  EXPECT_EQ(s.phase, 191);
  const auto& wheel = effect_tables::colourWheel();
  EXPECT_EQ(colourAt(z, 0), wheel[0]);
  EXPECT_EQ(colourAt(z, 1), wheel[7]);
  EXPECT_EQ(colourAt(z, 14), wheel[98]);
  EXPECT_EQ(zoneBrightness(z.get(5)), 255);
}

TEST(ZoneFlowWave, MultiColourHeadsetWaveSpacesZonesBy16) {
  ZoneColours z(15);
  FlowState s;
  s.phase = 190;
  waveStep(z, s, kHeadsetWave, record(true, true, 2));
  const auto& wheel = effect_tables::colourWheel();
  EXPECT_EQ(colourAt(z, 0), wheel[0]);
  EXPECT_EQ(colourAt(z, 1), wheel[16]);
  EXPECT_EQ(colourAt(z, 12), wheel[0]);  // 12 x 16 = 192
  EXPECT_EQ(zoneBrightness(z.get(1)), 135);
  EXPECT_EQ(z.get(13), 0u);  // the headset's wave stops at its 13 zones
}

TEST(ZoneFlowWave, OneColourHeadsetWaveForwardFrom93GivesZero) {
  ZoneColours z(13);
  FlowState s;
  s.phase = 93;
  waveStep(z, s, kHeadsetWave, record(true, false));
  EXPECT_EQ(s.phase, 0);
  const auto& wave = effect_tables::breathingWave();
  EXPECT_EQ(zoneBrightness(z.get(0)), 255 * wave[0] / 256);
  EXPECT_EQ(zoneBrightness(z.get(1)), 255 * wave[10] / 256);
  EXPECT_EQ(zoneBrightness(z.get(10)), 255 * wave[4] / 256);  // 100 less 96
  EXPECT_EQ(colourAt(z, 3), (Rgb{200, 100, 50}));
  s.phase = 0;
  waveStep(z, s, kHeadsetWave, record(false, false));
  EXPECT_EQ(s.phase, 93);
}

TEST(ZoneFlowWave, OneColourPadWaveStartsOnePastThePhase) {
  ZoneColours z(15);
  FlowState s;
  s.phase = 95;
  waveStep(z, s, kMousepadWave, record(true, false, 3));
  EXPECT_EQ(s.phase, 0);
  const auto& wave = effect_tables::breathingWave();
  EXPECT_EQ(zoneBrightness(z.get(0)), 195 * wave[1] / 256);
  EXPECT_EQ(zoneBrightness(z.get(14)), 195 * wave[(1 + 98) % 96] / 256);
}

TEST(ZoneFlowBands, BandFlowRotatesTowardsHigherIndicesForward) {
  ZoneColours z(15);
  FlowState s;
  s.stepCounter = 2;
  s.bands[22] = 9;
  s.bands[4] = 7;
  bandFlowStep(z, s, 15, record(true, false));
  EXPECT_EQ(s.bands[0], 9);
  EXPECT_EQ(s.bands[5], 7);
  EXPECT_EQ(s.bands[4], 0);
  EXPECT_EQ(s.stepCounter, 1);
  // Backward: band 0 moves to 22.
  s.stepCounter = 2;
  bandFlowStep(z, s, 15, record(false, false));
  EXPECT_EQ(s.bands[22], 9);
  EXPECT_EQ(s.bands[4], 7);
}

TEST(ZoneFlowBands, MirroredFlowRotatesOnlyBandsZeroToSevenTheOtherWay) {
  ZoneColours z(15);
  FlowState s;
  s.stepCounter = 2;
  s.bands[0] = 9;
  s.bands[3] = 7;
  s.bands[20] = 5;
  mirroredBandFlowStep(z, s, 15, record(true, false));
  EXPECT_EQ(s.bands[7], 9);
  EXPECT_EQ(s.bands[2], 7);
  EXPECT_EQ(s.bands[20], 5);
  s.stepCounter = 2;
  mirroredBandFlowStep(z, s, 15, record(false, false));
  EXPECT_EQ(s.bands[0], 9);
  EXPECT_EQ(s.bands[3], 7);
}

TEST(ZoneFlowBands, NoBandsMeansDarkZones) {
  ZoneColours z(15);
  z.fill(packZone(1, 2, 3, 200));
  FlowState s;
  for (int i = 0; i < 5; ++i) bandFlowStep(z, s, 15, record(true, true));
  for (size_t i = 0; i < 15; ++i) EXPECT_EQ(zoneBrightness(z.get(i)), 0) << i;
  z.fill(packZone(1, 2, 3, 200));
  for (int i = 0; i < 5; ++i) mirroredBandFlowStep(z, s, 15, record(true, true));
  EXPECT_EQ(zoneBrightness(z.get(0)), 200);  // zone 0 is not written
  for (size_t i = 1; i < 15; ++i) EXPECT_EQ(zoneBrightness(z.get(i)), 0) << i;
}

TEST(ZoneFlowBands, ASetBandLightsItsZoneAndDecays) {
  ZoneColours z(15);
  FlowState s;
  s.stepCounter = 2;
  s.bands[3] = 1;
  LightRecord r = record(true, false);
  r.selectItem = 6;  // the default decay curve
  bandFlowStep(z, s, 15, r);
  // Level 3 was filled to 255, then decayed by 40 in the same step.
  EXPECT_EQ(s.levels[3], 215);
  EXPECT_EQ(zoneBrightness(z.get(3)), 255 * 215 / 256);
  EXPECT_EQ(colourAt(z, 3), (Rgb{200, 100, 50}));
  EXPECT_EQ(zoneBrightness(z.get(2)), 0);
}

TEST(ZoneFlowBands, MirrorPairsPastTheZoneCountAreSkipped) {
  ZoneColours z(15);
  FlowState s;
  s.levels[0] = 255;  // pair 0 and pair 1 light
  s.levels[1] = 255;
  mirroredBandFlowStep(z, s, 13, record(true, false));
  EXPECT_GT(zoneBrightness(z.get(1)), 0);
  EXPECT_GT(zoneBrightness(z.get(2)), 0);
  EXPECT_EQ(z.get(13), 0u);
  EXPECT_EQ(z.get(14), 0u);
  // With 15 zones the second members light too.
  ZoneColours z15(15);
  FlowState s15;
  s15.levels[0] = 255;
  mirroredBandFlowStep(z15, s15, 15, record(true, false));
  EXPECT_EQ(z15.get(14), z15.get(1));
  EXPECT_NE(z15.get(14), 0u);
}

TEST(ZoneFlowBands, MultiColourKeepsColoursWhileTheLeadingLevelIsLit) {
  ZoneColours z(15);
  z.fill(packZone(9, 8, 7, 0));
  FlowState s;
  s.levels[0] = 255;
  s.phase = 10;
  bandFlowStep(z, s, 15, record(true, true));  // forward: level 0 leads
  EXPECT_EQ(colourAt(z, 4), (Rgb{9, 8, 7}));
  // Backward the last zone leads; it is dark, so the zones take wheel colours.
  ZoneColours y(15);
  FlowState t;
  t.levels[0] = 255;
  t.phase = 10;
  bandFlowStep(y, t, 15, record(false, true));
  // Phase 10 steps back to 9, then +12 for zone 0.
  EXPECT_EQ(colourAt(y, 0), effect_tables::colourWheel()[21]);
  EXPECT_EQ(colourAt(y, 1), effect_tables::colourWheel()[33]);
}

}  // namespace
