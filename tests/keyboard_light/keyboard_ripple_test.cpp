#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "devices/keyboard/keyboard_lighting.h"

namespace tessel {
namespace {
namespace kl = keyboard_light;

LightRecord mode(uint8_t m) {
  LightRecord r;
  r.selectItem = m;
  r.light = 4;
  r.multiColor = 1;
  return r;
}

// Cells lit by the planes (their OR) after the engine's last spread.
std::vector<std::pair<int, int>> planeCells(const KeyboardLighting& e) {
  std::vector<std::pair<int, int>> cells;
  for (int c = 0; c < kl::kColumns; ++c) {
    uint8_t m = 0;
    for (size_t p = 0; p < 4; ++p) m |= e.planeMask(p, c);
    for (int r = 0; r < 8; ++r)
      if (m & (1u << r)) cells.emplace_back(c, r);
  }
  return cells;
}

TEST(KeyboardRipple, SeedTakesTheFirstCellAndIgnoresUnknownPositions) {
  KeyboardLighting e;
  e.seedRipple(150);  // no grid cell
  e.seedRipple(-3);
  e.seedRipple(9999);
  EXPECT_TRUE(planeCells(e).empty());
  e.seedRipple(16);  // column 22, row 2
  for (size_t p = 0; p < 4; ++p) EXPECT_EQ(e.planeMask(p, 22), 4) << p;
  EXPECT_EQ(e.planeMask(4, 0), 0);
  EXPECT_EQ(e.planeMask(0, 23), 0);
}

TEST(KeyboardRipple, SpreadLightsCellsAtGridDistanceAndStopsAtTheEdges) {
  // Mode 16 seeds (0,0) and (22,5) and spreads each step; after d steps the
  // planes hold exactly the cells at distance d from a seed.
  KeyboardLighting e;
  e.setLight(mode(16));
  for (int d = 1; d <= 6; ++d) {
    e.step(0);
    for (auto [c, r] : planeCells(e)) {
      const bool onRing = c + r == d || (22 - c) + std::abs(5 - r) == d;
      EXPECT_TRUE(onRing) << "step " << d << " cell " << c << "," << r;
      EXPECT_GE(c, 0);
      EXPECT_LE(c, 22);
    }
  }
  // A seed in the corner never wraps to the other side of the grid.
  KeyboardLighting corner;
  corner.setLight(mode(16));
  corner.step(0);
  EXPECT_EQ(corner.planeMask(0, 22) & 1, 0);
  // Every seeded wave dies out past the grid, then the edges are seeded again.
  for (int i = 0; i < 40; ++i) corner.step(0);
  EXPECT_FALSE(planeCells(corner).empty());
}

TEST(KeyboardRipple, ModeThirteenBouncesInColumnNine) {
  KeyboardLighting e;
  e.setLight(mode(13));
  bool sawBottom = false, sawTopAgain = false;
  int litMiddle = 0;
  for (int i = 0; i < 60; ++i) {
    e.step(0);
    litMiddle = std::max<int>(litMiddle, e.level(kl::gridPosition(9, 3)));
    uint8_t m = 0;
    for (size_t p = 0; p < 4; ++p) m |= e.planeMask(p, 9);
    if (m == 64) sawBottom = true;
    if (sawBottom && (m & 1)) sawTopAgain = true;
  }
  EXPECT_TRUE(sawBottom);
  EXPECT_TRUE(sawTopAgain);
  EXPECT_GT(litMiddle, 200);
}

TEST(KeyboardRipple, ScriptedShowWalksItsStagesAndStartsOver) {
  KeyboardLighting e;
  e.setLight(mode(14));
  e.step(0);
  EXPECT_EQ(e.level(0), audioBandDecay(255, 1));
  EXPECT_EQ(e.level(118), audioBandDecay(255, 1));
  std::vector<int> stages{e.stage()};
  for (int i = 0; i < 400; ++i) {
    e.step(0);
    if (e.stage() != stages.back()) stages.push_back(e.stage());
  }
  ASSERT_GE(stages.size(), 6u);
  EXPECT_EQ(std::vector<int>(stages.begin(), stages.begin() + 6), (std::vector<int>{0, 1, 2, 3, 4, 0}));
}

TEST(KeyboardRipple, BeatsSeedRipplesAtTheCentreKey) {
  KeyboardLighting e;
  AudioLightRecord audio;
  audio.audioMode = 2;
  audio.fgColorR = 77;
  e.setAudio(audio);
  e.setLight(mode(29));
  e.step(0);
  // Silence adds nothing to the beat total.
  for (int i = 0; i < 10; ++i) e.setSpectrum(std::vector<int>(25, 0));
  e.step(0);
  EXPECT_TRUE(planeCells(e).empty());
  // Full level adds 25 per call: the third call passes 70 and seeds at 51.
  const std::vector<int> loud(30, 5000);
  e.setSpectrum(loud);
  e.setSpectrum(loud);
  e.step(0);
  EXPECT_TRUE(planeCells(e).empty());
  e.setSpectrum(loud);
  e.step(0);
  // The seed at (10, 2) was applied, then spread to distance 1.
  EXPECT_GT(e.level(51), 200);
  EXPECT_EQ(planeCells(e).size(), 4u);
  e.step(0);
  EXPECT_EQ(e.level(kl::gridPosition(9, 2)), audioBandDecay(255, 29));
}

}  // namespace
}  // namespace tessel
