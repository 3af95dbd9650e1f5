// The audio-reactive mode (29) of the keyboard's lighting engine: the bar
// styles, the ring style and the beat ripples.
#include <algorithm>

#include "device/base/zone_flow_effects.h"
#include "devices/keyboard/keyboard_lighting.h"

namespace tessel {
namespace kl = keyboard_light;
namespace {

constexpr unsigned kWheel = 192;
constexpr int kAudioCurve = 29;

// The bar value of a band level (already within 0..2000): 600 for silence
// down to 0 at full level; `negativeAs500` maps a negative value to 500.
int bar(int level, bool negativeAs500) {
  const int b = 600 - std::clamp(level, 0, KeyboardLighting::kMaxLevel) * 600 / KeyboardLighting::kMaxLevel;
  return (negativeAs500 && b < 0) ? 500 : b;
}

// Sums of consecutive band groups, each divided by 3 and held to the level range.
template <size_t N>
std::array<int, 6> groupLevels(const std::array<int, N>& spectrum, const std::array<int, 6>& sizes) {
  std::array<int, 6> out{};
  size_t band = 0;
  for (size_t g = 0; g < sizes.size(); ++g) {
    int sum = 0;
    for (int i = 0; i < sizes[g] && band < N; ++i) sum += spectrum[band++];
    out[g] = std::clamp(sum / 3, 0, KeyboardLighting::kMaxLevel);
  }
  return out;
}

}  // namespace

void KeyboardLighting::audio() {
  const unsigned style = in_.audio.audioMode;
  if (style == 2) {
    beatRipples();
    return;
  }
  if (style == 3) audioRings();
  else audioBars(style);
  in_.spectrum.fill(0);
  std::lock_guard lock(inputMutex_);
  pending_.spectrum.fill(0);
  pending_.spectrumFresh = false;
}

void KeyboardLighting::audioBars(unsigned style) {
  std::array<std::array<bool, kl::kRows>, kl::kColumns> lit{};
  auto lightColumns = [&lit](int row, int from, int to) {
    for (int c = std::max(from, 0); c <= std::min(to, kl::kColumns - 1); ++c) lit[c][row] = true;
  };
  const auto& s = in_.spectrum;
  switch (style) {
    case 0:
      for (int c = 0; c < kl::kColumns; ++c) {
        const int u = (bar(s[c], false) + 100) * 6 / 600;
        for (int r = std::max(u, 0); r < kl::kRows; ++r) lit[c][r] = true;
      }
      if (++secondCounter_ > 30) {
        secondCounter_ = 0;
        bandOffset_ = stepWithin(bandOffset_, kSpectrumBands, 1, true);
      }
      break;
    case 1:
      for (int r = 0; r < kl::kRows; ++r) {
        const int u1 = (bar(s[2 * r], true) + 100) * 12 / 600;
        const int u2 = (bar(s[2 * r + 1], true) + 100) * 12 / 600;
        lightColumns(r, u1, 8);
        lightColumns(r, 9, 21 - u2);
      }
      break;
    case 4:
      for (int c = 0; c < kl::kColumns; ++c) {
        const int bottom = kl::gridPosition(c, kl::kRows - 1);
        if (latch_[c] && (bottom < 0 || level_[bottom] < 10)) latch_[c] = false;
        if (latch_[c]) continue;
        const int u = (bar(s[(c + 1 + bandOffset_) % kSpectrumBands], false) + 100) * 6 / 600;
        for (int r = std::max(u, 0); r < kl::kRows; ++r)
          if (kl::gridPosition(c, r) >= 0) {
            lit[c][r] = true;
            latch_[c] = true;
            break;
          }
      }
      break;
    case 5: {
      const auto groups = groupLevels(s, {2, 3, 3, 4, 5, 7});
      for (int r = 0; r < kl::kRows; ++r) {
        const int u = 23 - (bar(groups[5 - r], true) + 100) * 23 / 600;
        lightColumns(r, 0, u);
      }
      break;
    }
    case 6: {
      const auto groups = groupLevels(s, {2, 2, 3, 4, 5, 5});
      for (int r = 0; r < kl::kRows; ++r) {
        const int u = bar(groups[r], true) * 23 / 600;
        if (r % 2) lightColumns(r, 0, 23 - u);
        else lightColumns(r, u, kl::kColumns - 1);
      }
      break;
    }
    default: break;
  }
  const Rgb fg{in_.audio.fgColorR, in_.audio.fgColorG, in_.audio.fgColorB};
  const Rgb bg{in_.audio.bkColorR, in_.audio.bkColorG, in_.audio.bkColorB};
  for (int c = 0; c < kl::kColumns; ++c)
    for (int r = 0; r < kl::kRows; ++r) {
      const int p = kl::gridPosition(c, r);
      if (p < 0) continue;
      if (lit[c][r]) {
        level_[p] = 255;
        lit_[p] = in_.audio.sevenColorFlags ? effect_tables::colourWheel()[hue_[p] % kWheel] : fg;
        put(p, lit_[p], factor());
      } else if (level_[p] >= 10) {
        level_[p] = audioBandDecay(level_[p], kAudioCurve);
        putLevel(p, lit_[p]);
      } else {
        put(p, bg, factor());
      }
    }
}

void KeyboardLighting::audioRings() {
  int sum = 0;
  for (int v : in_.spectrum) sum += v;
  const int average = sum / int(kSpectrumBands);
  phase_ = uint8_t((phase_ + 1 + average / 200) % kWheel);
  const Rgb bg{in_.audio.bkColorR, in_.audio.bkColorG, in_.audio.bkColorB};
  for (int c = 0; c < kl::kColumns; ++c)
    for (int row = 0; row < kl::kRows; ++row)
      if (int p = kl::gridPosition(c, row); p >= 0) put(p, bg, factor());
  for (size_t r = 0; r < kl::kRings; ++r)
    for (int p : kl::ring(r))
      if (kl::inGrid(p)) put(p, effect_tables::colourWheel()[(phase_ + 16 * r) % kWheel], factor());
}

void KeyboardLighting::beatRipples() {
  if (in_.beatSeed) seedRipple(51);
  applyPlanes(false);
  spreadPlanes();
  decayAll(kAudioCurve);
  const Rgb fg{in_.audio.fgColorR, in_.audio.fgColorG, in_.audio.fgColorB};
  const Rgb bg{in_.audio.bkColorR, in_.audio.bkColorG, in_.audio.bkColorB};
  for (size_t p = 0; p < kPositions; ++p) {
    hue_[p] = stepWithin(hue_[p], kWheel, 9, true);
    if (level_[p] > 9) putLevel(p, in_.audio.sevenColorFlags ? effect_tables::colourWheel()[hue_[p]] : fg);
    else put(p, bg, factor());
  }
}

}  // namespace tessel
