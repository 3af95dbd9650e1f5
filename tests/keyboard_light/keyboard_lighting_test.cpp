#include "devices/keyboard/keyboard_lighting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace tessel {
namespace {
namespace kl = keyboard_light;

LightRecord record(uint8_t mode, uint8_t light = 4, uint8_t speed = 0, uint8_t fx = 1, uint8_t multi = 1) {
  LightRecord r;
  r.selectItem = mode;
  r.light = light;
  r.speed = speed;
  r.fx = fx;
  r.multiColor = multi;
  r.red = 10;
  r.green = 20;
  r.blue = 30;
  return r;
}

Rgb colourOf(uint32_t z) { return {zoneRed(z), zoneGreen(z), zoneBlue(z)}; }

TEST(KeyboardLightTables, PathsHoldValidPositions) {
  EXPECT_EQ(kl::keyOrder().size(), 107u);
  std::set<int> keys(kl::keyOrder().begin(), kl::keyOrder().end());
  EXPECT_EQ(keys.size(), 107u) << "the key order visits each key once";
  for (int p : kl::keyOrder()) EXPECT_TRUE(kl::inGrid(p)) << p;
  std::set<int> gridded;
  for (int c = 0; c < kl::kColumns; ++c)
    for (int r = 0; r < kl::kRows; ++r)
      if (int p = kl::gridPosition(c, r); p >= 0) {
        EXPECT_TRUE(gridded.insert(p).second) << p;
      }
  EXPECT_EQ(gridded.size(), 132u);  // positions 0..131, each once
  EXPECT_EQ(*gridded.rbegin(), 131);
  EXPECT_EQ(kl::gridPosition(-1, 0), -1);
  EXPECT_EQ(kl::gridPosition(23, 1), -1);
  EXPECT_EQ(kl::gridPosition(0, 6), -1);
  EXPECT_EQ(kl::gridPosition(22, 2), 16);
  EXPECT_EQ(kl::snakePath()[66], -1);
  EXPECT_EQ(kl::snakePath()[109], 105);
  EXPECT_EQ(kl::sweepStep(51).size(), 9u);
  EXPECT_TRUE(kl::sweepStep(52).empty());
  EXPECT_EQ(kl::ring(11).size(), 3u);
  EXPECT_TRUE(kl::ring(12).empty());
}

TEST(KeyboardLighting, ColumnWaveWrapsHueModulo192) {
  KeyboardLighting engine;
  engine.setLight(record(1));
  // 190 steps bring the phase to 190; the next one to 191.
  for (int i = 0; i < 191; ++i) engine.step(0);
  ASSERT_EQ(engine.phase(), 191);
  const auto& wheel = effect_tables::colourWheel();
  const int col0 = kl::gridPosition(0, 1), col1 = kl::gridPosition(1, 1);
  EXPECT_EQ(colourOf(engine.frame().get(col0)), wheel[0]);
  EXPECT_EQ(colourOf(engine.frame().get(col1)), wheel[7]);
  EXPECT_EQ(zoneBrightness(engine.frame().get(col0)), 255);
  // Column 22 wraps: (192 + 154) mod 192.
  EXPECT_EQ(colourOf(engine.frame().get(kl::gridPosition(22, 1))), wheel[154]);
  engine.step(0);
  EXPECT_EQ(engine.phase(), 0);
  EXPECT_EQ(colourOf(engine.frame().get(col0)), wheel[1]);
}

TEST(KeyboardLighting, ColumnWaveBackwardAndSingleColour) {
  KeyboardLighting engine;
  engine.setLight(record(1, 4, 0, 0, 1));
  engine.step(0);
  EXPECT_EQ(engine.phase(), 191);  // backward from 0 wraps to the top
  KeyboardLighting single;
  single.setLight(record(1, 2, 0, 1, 0));
  single.step(0);  // phase 1: column 0 reads breathing entry 2
  const uint32_t z = single.frame().get(kl::gridPosition(0, 2));
  EXPECT_EQ(colourOf(z), (Rgb{10, 20, 30}));
  EXPECT_EQ(zoneBrightness(z), 135 * effect_tables::breathingWave()[2] / 256);
}

TEST(KeyboardLighting, LightZeroPaintsEverythingDark) {
  for (uint8_t mode : {1, 2, 3, 4, 5, 6, 11, 12, 17, 18, 22, 24, 26, 30}) {
    KeyboardLighting engine;
    engine.setLight(record(mode, 0));
    engine.step(0);
    engine.step(20);
    for (size_t p = 0; p < kl::kPositions; ++p) ASSERT_EQ(zoneBrightness(engine.frame().get(p)), 0) << int(mode);
  }
}

TEST(KeyboardLighting, BlinkAtSpeed4TogglesEvery1400ms) {
  KeyboardLighting engine;
  engine.setLight(record(23, 4, 4, 1, 0));
  std::vector<uint32_t> toggles;
  bool last = false;
  // Drive it as the light thread does: one advance per 15.625 ms.
  for (int i = 0; i < 400; ++i) {
    const uint32_t now = uint32_t(i * 15.625);
    engine.advance(now);
    if (engine.toggle() != last) {
      last = engine.toggle();
      toggles.push_back(now);
    }
  }
  ASSERT_GE(toggles.size(), 4u);
  for (size_t i = 1; i < toggles.size(); ++i) {
    EXPECT_GE(toggles[i] - toggles[i - 1], 1400u);
    EXPECT_LT(toggles[i] - toggles[i - 1], 1400u + 16u);
  }
  // Exactly at the period, not a millisecond before.
  KeyboardLighting exact;
  exact.setLight(record(23, 4, 4, 1, 1));
  exact.step(1000);
  EXPECT_TRUE(exact.toggle());
  EXPECT_EQ(colourOf(exact.frame().get(0)), effect_tables::colourWheel()[16]);
  exact.step(2399);
  EXPECT_TRUE(exact.toggle());
  exact.step(2400);
  EXPECT_FALSE(exact.toggle());
  EXPECT_EQ(exact.frame().get(0), 0u);
}

TEST(KeyboardLighting, StepIntervalsAndNextDue) {
  EXPECT_EQ(KeyboardLighting::stepInterval(1, 0), 5u);
  EXPECT_EQ(KeyboardLighting::stepInterval(1, 4), 1u);
  EXPECT_EQ(KeyboardLighting::stepInterval(16, 4), 4u);
  EXPECT_EQ(KeyboardLighting::stepInterval(29, 0), 2u);
  EXPECT_EQ(KeyboardLighting::stepInterval(30, 0), 1u);
  EXPECT_EQ(KeyboardLighting::stepInterval(30, 3), 0u);
  EXPECT_EQ(KeyboardLighting::stepInterval(2, 200), 1u);  // Speed out of range is held to 4
  KeyboardLighting engine;
  engine.setLight(record(11, 4, 2));  // interval 3
  EXPECT_EQ(engine.advance(0), KeyboardLighting::kAdvance * 2);
  EXPECT_EQ(engine.advance(16), KeyboardLighting::kAdvance * 1);
  EXPECT_EQ(engine.advance(31), KeyboardLighting::kAdvance * 3);  // stepped
  EXPECT_EQ(engine.hue(0), 33 + 1);
}

TEST(KeyboardLighting, ModeChangeResetsAndSeedsHues) {
  KeyboardLighting engine;
  engine.setLight(record(11));
  for (int i = 0; i < 5; ++i) engine.step(0);
  EXPECT_EQ(engine.hue(0), (33 + 5) % 192);
  EXPECT_EQ(engine.hue(169), (33 * 170 + 5) % 192);
  engine.setLight(record(24));
  engine.setLight(record(11));
  engine.step(0);
  EXPECT_EQ(engine.hue(0), 33 + 6) << "the same mode again is not a change";
  engine.setLight(record(4));
  engine.step(0);
  engine.setLight(record(11));
  engine.step(0);
  EXPECT_EQ(engine.hue(0), 34);
  EXPECT_EQ(engine.phase(), 0);
}

TEST(KeyboardLighting, CustomColoursSurviveModeChanges) {
  KeyboardLighting engine;
  std::vector<Rgb> custom(170);
  custom[5] = {1, 2, 3};
  custom[131] = {200, 100, 50};
  engine.setCustomColours(custom);
  engine.setLight(record(20, 3));
  engine.step(0);
  EXPECT_EQ(colourOf(engine.frame().get(131)), (Rgb{200, 100, 50}));
  engine.setLight(record(1));
  engine.step(0);
  engine.setLight(record(20, 3));
  engine.step(0);
  EXPECT_EQ(colourOf(engine.frame().get(5)), (Rgb{1, 2, 3}));
  EXPECT_EQ(zoneBrightness(engine.frame().get(5)), 195);
}

TEST(KeyboardLighting, ExternalColourUsesLowBytes) {
  KeyboardLighting engine;
  const uint32_t values[6] = {0x1234'5611, 0xFF22, 0x33, 7, 8, 9};
  engine.setExternalColour(values);
  engine.setLight(record(30, 1));
  engine.step(0);
  EXPECT_EQ(engine.frame().get(169), packZone(0x11, 0x22, 0x33, 80));
}

TEST(KeyboardLighting, SpectrumIsClampedAndCopiedAtMost25) {
  KeyboardLighting engine;
  AudioLightRecord audio;
  audio.audioMode = 0;
  audio.fgColorR = 9;
  audio.bkColorB = 7;
  engine.setAudio(audio);
  engine.setLight(record(29));
  engine.step(0);  // enter the mode (resets the spectrum)
  // 40 bands, far beyond the range: no row index outside the grid, no overrun.
  std::vector<int> levels(40, 1'000'000);
  levels[1] = -5000;
  engine.setSpectrum(levels);
  engine.step(0);
  // Column 0 at full level lights rows 1..5; column 1 (silence) stays background.
  EXPECT_EQ(engine.frame().get(kl::gridPosition(0, 1)), packZone(9, 0, 0, 255));
  EXPECT_EQ(engine.frame().get(kl::gridPosition(0, 5)), packZone(9, 0, 0, 255));
  EXPECT_EQ(engine.frame().get(kl::gridPosition(1, 5)), packZone(0, 0, 7, 255));
  // The levels are consumed: the next step lights nothing new, lit cells fade.
  engine.step(0);
  EXPECT_LT(engine.level(kl::gridPosition(0, 5)), 255);
}

TEST(KeyboardLighting, AudioStylesStayInsideTheGrid) {
  for (uint8_t style = 0; style <= 6; ++style) {
    for (int value : {-1, 0, 1000, 2000, 99999}) {
      KeyboardLighting engine;
      AudioLightRecord audio;
      audio.audioMode = style;
      audio.fgColorG = 50;
      engine.setAudio(audio);
      engine.setLight(record(29));
      engine.step(0);
      std::vector<int> levels(25, value);
      for (int i = 0; i < 40; ++i) {
        engine.setSpectrum(levels);
        engine.step(uint32_t(i));
      }
      // Positions without a grid cell are never painted by the bars.
      if (style != 2) {
        EXPECT_EQ(engine.frame().get(150), 0u) << int(style) << " " << value;
      }
    }
  }
}

TEST(KeyboardLighting, AudioStyle6GroupsBandsPerRow) {
  KeyboardLighting engine;
  AudioLightRecord audio;
  audio.audioMode = 6;
  audio.fgColorR = 1;
  engine.setAudio(audio);
  engine.setLight(record(29));
  engine.step(0);
  engine.setSpectrum(std::vector<int>(25, 2000));
  engine.step(0);
  // Row 2 sums three full bands (6000 / 3, a full bar): the whole row.
  for (int c = 0; c < kl::kColumns; ++c) EXPECT_EQ(engine.level(kl::gridPosition(c, 2)), 255) << c;
  // Row 0 sums two (4000 / 3): bar 200, u = 7, columns 7..22 from the right.
  EXPECT_EQ(engine.level(kl::gridPosition(16, 1)), 255);  // row 1 (odd) lights columns 0..16
  EXPECT_EQ(engine.level(kl::gridPosition(17, 1)), 0);
  EXPECT_EQ(engine.level(kl::gridPosition(7, 0)), 255);
  EXPECT_EQ(engine.level(kl::gridPosition(2, 0)), 0);
}

TEST(KeyboardLighting, SweepHueRisesButNeverWrapsIntoColour) {
  KeyboardLighting engine;
  engine.setLight(record(24));
  for (int i = 0; i < 200; ++i) engine.step(0);
  // Position 150 has no sweep cell: its hue rose to the cap and it shows nothing.
  EXPECT_EQ(engine.hue(150), 255);
  EXPECT_EQ(zoneBrightness(engine.frame().get(150)), 0);
  // Position 51 is lit by the sweep's last step and shows its wheel colour.
  for (int i = 0; i < 52 && engine.phase() != 51; ++i) engine.step(0);
  ASSERT_EQ(engine.phase(), 51);
  EXPECT_EQ(engine.hue(51), 3);
  EXPECT_EQ(engine.level(51), 250);
  EXPECT_EQ(colourOf(engine.frame().get(51)), effect_tables::colourWheel()[3]);
}

TEST(KeyboardLighting, RingWaveAndStaticRings) {
  KeyboardLighting engine;
  engine.setLight(record(18));
  engine.step(0);
  const auto& wheel = effect_tables::colourWheel();
  EXPECT_EQ(colourOf(engine.frame().get(51)), wheel[1 + 7]);
  EXPECT_EQ(colourOf(engine.frame().get(41)), wheel[1 + 84]);
  KeyboardLighting still;
  still.setLight(record(6));
  still.step(0);
  EXPECT_EQ(colourOf(still.frame().get(51)), wheel[138]);
  EXPECT_EQ(colourOf(still.frame().get(118)), wheel[6]);
}

TEST(KeyboardLighting, SnakeReversesAtTheEndOfItsPath) {
  KeyboardLighting engine;
  engine.setLight(record(21));
  const uint8_t fresh = audioBandDecay(254, 1);  // lit, then the step's own decay
  engine.step(0);
  EXPECT_EQ(engine.level(0), fresh);
  for (int i = 0; i < 109; ++i) engine.step(0);
  EXPECT_EQ(engine.level(105), fresh);  // the last entry was just lit
  EXPECT_TRUE(engine.toggle());
  engine.step(0);  // reversed: index 0 reads entry 109 again
  engine.step(0);  // then entry 108
  EXPECT_EQ(engine.level(106), fresh);
  EXPECT_LT(engine.level(1), 10);
}

TEST(KeyboardLighting, TwinkleStartsFromTheDocumentedTable) {
  KeyboardLighting engine;
  engine.setLight(record(22, 4, 0, 1, 0));
  engine.step(0);
  // Cell (2, 0) holds position 0: counter 16 + 1 = 17 after one step.
  EXPECT_EQ(zoneBrightness(engine.frame().get(0)), 255 * 166 / 256);
}


TEST(KeyboardLighting, FlowFollowsTheKeyOrderOnly) {
  KeyboardLighting engine;
  engine.setLight(record(3));
  engine.step(0);
  const auto& wheel = effect_tables::colourWheel();
  EXPECT_EQ(colourOf(engine.frame().get(15)), wheel[2]);     // first key: phase 1 + 1
  EXPECT_EQ(colourOf(engine.frame().get(14)), wheel[7]);     // 5 more per key
  EXPECT_EQ(colourOf(engine.frame().get(77)), wheel[(2 + 5 * 106) % 192]);
  EXPECT_EQ(engine.frame().get(16), 0u);  // not on the path
}

TEST(KeyboardLighting, FixedAndFourColourModes) {
  const auto& wheel = effect_tables::colourWheel();
  const auto& four = effect_tables::fourColours();
  for (auto [code, hue] : {std::pair{1, 25}, {2, 70}, {3, 95}, {0, 174}, {9, 174}}) {
    KeyboardLighting engine;
    LightRecord r = record(17);
    r.zzccLedMode = uint8_t(code);
    engine.setLight(r);
    engine.step(0);
    EXPECT_EQ(colourOf(engine.frame().get(40)), wheel[hue]) << code;
  }
  KeyboardLighting breath;
  breath.setLight(record(26));
  for (int i = 0; i < 127; ++i) breath.step(0);
  EXPECT_EQ(colourOf(breath.frame().get(3)), four[0]);
  EXPECT_EQ(zoneBrightness(breath.frame().get(3)), 255 * effect_tables::breathingCurve()[127] / 256);
  breath.step(0);  // the phase wraps: next colour
  EXPECT_EQ(colourOf(breath.frame().get(3)), four[1]);
  KeyboardLighting blink;
  blink.setLight(record(27, 4, 4));
  std::vector<Rgb> shown;
  for (uint32_t t = 0; t < 1400 * 6; t += 700) {
    blink.step(t);
    if (blink.toggle()) shown.push_back(colourOf(blink.frame().get(0)));
    else EXPECT_EQ(blink.frame().get(0), 0u);
  }
  ASSERT_EQ(shown.size(), 6u);  // on for two half periods each time
  EXPECT_EQ(shown[0], shown[1]);
  EXPECT_NE(shown[1], shown[2]);
  EXPECT_NE(shown[3], shown[4]);
}

TEST(KeyboardLighting, ReactiveModesStayDarkWithoutKeyPresses) {
  for (uint8_t mode : {7, 8, 9, 25}) {
    KeyboardLighting engine;
    engine.setLight(record(mode));
    for (int i = 0; i < 30; ++i) engine.step(0);
    for (size_t p = 0; p < kl::kPositions; ++p) ASSERT_EQ(zoneBrightness(engine.frame().get(p)), 0) << int(mode);
  }
}

TEST(KeyboardLighting, FastTwinkleRestartsWithANewHue) {
  KeyboardLighting engine;
  engine.setLight(record(15, 4, 0, 1, 1));
  // Position 0 starts at 16 and advances by 2: 88 steps bring it to 192.
  for (int i = 0; i < 87; ++i) engine.step(0);
  const uint8_t hueBefore = engine.hue(0);
  EXPECT_EQ(zoneBrightness(engine.frame().get(0)), 0);  // the curve's tail is dark
  bool changed = false;
  for (int i = 0; i < 5 && !changed; ++i) {
    engine.step(0);
    changed = engine.hue(0) != hueBefore;
  }
  EXPECT_TRUE(changed);
  EXPECT_LT(engine.hue(0), 192);
}

TEST(KeyboardLighting, InputsFromAnotherThreadWhileStepping) {
  KeyboardLighting engine;
  engine.setLight(record(29));
  std::atomic<bool> done{false};
  std::thread feeder([&] {
    std::vector<int> levels(25, 1500);
    const uint32_t external[3] = {1, 2, 3};
    for (int i = 0; i < 2000; ++i) {
      engine.setSpectrum(levels);
      engine.setExternalColour(external);
      AudioLightRecord audio;
      audio.audioMode = uint8_t(i % 7);
      engine.setAudio(audio);
      engine.setLight(record(uint8_t(i % 3 ? 29 : 30)));
    }
    done = true;
  });
  for (uint32_t t = 0; !done; ++t) engine.advance(t);
  feeder.join();
  // The last inputs win: mode 30 with the external colour.
  engine.setLight(record(30));
  engine.step(0);
  EXPECT_EQ(engine.frame().get(120), packZone(1, 2, 3, 255));
}


TEST(KeyboardLighting, AudioStyle1BarsGrowFromTheMiddle) {
  KeyboardLighting engine;
  AudioLightRecord audio;
  audio.audioMode = 1;
  audio.fgColorB = 5;
  engine.setAudio(audio);
  engine.setLight(record(29));
  engine.step(0);
  std::vector<int> levels(25, 0);
  levels[2] = levels[3] = 2000;  // row 1 at full level, every other row silent
  engine.setSpectrum(levels);
  engine.step(0);
  EXPECT_EQ(engine.level(kl::gridPosition(1, 1)), 0);
  EXPECT_EQ(engine.level(kl::gridPosition(2, 1)), 255);
  EXPECT_EQ(engine.level(kl::gridPosition(19, 1)), 255);
  EXPECT_EQ(engine.level(kl::gridPosition(20, 1)), 0);
  for (int c = 0; c < kl::kColumns; ++c) EXPECT_EQ(engine.level(kl::gridPosition(c, 2)), 0) << c;
}

// Fresh levels step the audio mode at once; while they keep coming the clock
// adds no steps of its own (they would only let the bars fall between two
// handouts), and when they stop the clock takes over again.
TEST(KeyboardLighting, FreshLevelsStepTheAudioModeAndHoldTheClockBack) {
  KeyboardLighting engine;
  AudioLightRecord audio;
  audio.audioMode = 1;
  engine.setAudio(audio);
  engine.setLight(record(29));
  engine.step(0);
  EXPECT_FALSE(engine.stepOnFreshLevels(1)) << "no levels yet";
  std::vector<int> levels(25, 0);
  levels[2] = levels[3] = 2000;
  engine.setSpectrum(levels);
  EXPECT_TRUE(engine.stepOnFreshLevels(5));
  EXPECT_FALSE(engine.stepOnFreshLevels(6)) << "the same levels step once";
  const int up = engine.level(kl::gridPosition(2, 1));
  EXPECT_EQ(up, 255);
  for (uint32_t t = 21; t < 100; t += 16) engine.advance(t);
  EXPECT_EQ(engine.level(kl::gridPosition(2, 1)), up) << "no clock step while levels flow";
  for (uint32_t t = 117; t < 250; t += 16) engine.advance(t);
  EXPECT_LT(engine.level(kl::gridPosition(2, 1)), up) << "the clock steps again once they stop";
  engine.setLight(record(5));
  engine.setSpectrum(levels);
  EXPECT_FALSE(engine.stepOnFreshLevels(300)) << "only the audio mode";
}

}  // namespace
}  // namespace tessel
