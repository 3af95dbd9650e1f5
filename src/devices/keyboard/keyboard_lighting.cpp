#include "devices/keyboard/keyboard_lighting.h"

#include <algorithm>

#include "device/base/zone_flow_effects.h"

namespace tessel {
namespace kl = keyboard_light;
namespace {

constexpr unsigned kWheel = 192;

const std::array<uint8_t, kWheel>& twinkleCurve() {
  static const std::array<uint8_t, kWheel> curve = [] {
    static constexpr uint8_t rising[25] = {0,   4,   8,   14,  22,  33,  45,  61,  77,  84,  100, 110, 120,
                                           130, 140, 150, 158, 166, 175, 182, 191, 204, 220, 234, 255};
    std::array<uint8_t, kWheel> c{};
    for (size_t i = 0; i < 25; ++i) c[i] = rising[i];
    // The falling half of the breathing curve, from 248 down to 0.
    const auto& breath = effect_tables::breathingCurve();
    for (size_t i = 65; i < 128; ++i) c[25 + (i - 65)] = breath[i];
    return c;
  }();
  return curve;
}

int clampLevel(int v) { return std::clamp(v, 0, KeyboardLighting::kMaxLevel); }
// The bar value of a band level: 600 for silence down to 0 at full level.
int barValue(int level) { return 600 - clampLevel(level) * 600 / KeyboardLighting::kMaxLevel; }

}  // namespace

KeyboardLighting::KeyboardLighting() : work_(kPositions), shown_(kPositions), frame_(kPositions) {}

void KeyboardLighting::setLight(const LightRecord& record) {
  std::lock_guard lock(inputMutex_);
  pending_.light = record;
}

void KeyboardLighting::setAudio(const AudioLightRecord& audio) {
  std::lock_guard lock(inputMutex_);
  pending_.audio = audio;
}

void KeyboardLighting::setSpectrum(std::span<const int> levels) {
  const size_t n = std::min(levels.size(), kSpectrumBands);
  std::lock_guard lock(inputMutex_);
  if (pending_.light.selectItem == 29 && pending_.audio.audioMode == 2) {
    int sum = 0;
    for (size_t i = 0; i < kSpectrumBands; ++i) {
      int b = barValue(i < n ? levels[i] : 0);
      sum += b < 0 ? 500 : b;
    }
    const int average = sum / int(kSpectrumBands);
    pending_.beatTotal += 25 - average * 25 / 600;
    if (pending_.beatTotal > 70) {
      pending_.beatTotal = 0;
      pending_.beatSeed = true;
    }
    pending_.spectrum.fill(0);
    pending_.spectrumFresh = false;
    return;
  }
  for (size_t i = 0; i < n; ++i) pending_.spectrum[i] = clampLevel(levels[i]);
  pending_.spectrumFresh = true;
}

void KeyboardLighting::setExternalColour(std::span<const uint32_t> values) {
  std::lock_guard lock(inputMutex_);
  for (size_t i = 0; i < pending_.external.size() && i < values.size(); ++i) pending_.external[i] = values[i];
}

void KeyboardLighting::setCustomColours(std::span<const Rgb> colours) {
  std::lock_guard lock(inputMutex_);
  for (size_t i = 0; i < kPositions && i < colours.size(); ++i) pending_.custom[i] = colours[i];
}

void KeyboardLighting::setEffectList(LightSequence steps) {
  std::lock_guard lock(inputMutex_);
  pending_.effectList = std::move(steps);
}

void KeyboardLighting::setLightList(std::vector<LightListEntry> entries) {
  std::lock_guard lock(inputMutex_);
  pending_.lightList = std::move(entries);
}

unsigned KeyboardLighting::stepInterval(unsigned mode, unsigned speed) {
  speed = std::min(speed, 4u);
  // The sequence player counts its own passes: it gets every advance.
  if (playsEffectList(mode)) return 1;
  if (mode == 16 || mode == 18) return 4;
  if (mode == 29) return 2;
  if (mode == 30) return speed == 0 ? 1 : 0;
  return 5 - speed;
}

uint8_t KeyboardLighting::planeMask(size_t plane, int column) const {
  if (plane >= planes_.size() || column < 0 || column >= kl::kColumns) return 0;
  return planes_[plane][column];
}

std::chrono::microseconds KeyboardLighting::advance(uint32_t nowMs) {
  const SteadyTime now = engineTime(nowMs);
  takeLists(now);
  unsigned mode, speed;
  {
    std::lock_guard lock(inputMutex_);
    mode = pending_.light.selectItem;
    speed = pending_.light.speed;
  }
  const unsigned interval = stepInterval(mode, speed);
  const bool levelsFlow = mode == 29 && levelsStep_ && now - *levelsStep_ < kLevelsGone;
  if (!levelsFlow) ++stepCount_;
  if (stepCount_ >= interval) {
    stepMode(nowMs);
    stepCount_ = 0;
  }
  publish(true, now);
  if (overlays_.animated()) return kAdvance;
  // Levels that keep coming wake the thread themselves.
  if (levelsFlow) return std::chrono::duration_cast<std::chrono::microseconds>(kLevelsGone - (now - *levelsStep_));
  const unsigned left = interval > stepCount_ ? interval - stepCount_ : 1;
  return kAdvance * left;
}

bool KeyboardLighting::stepOnFreshLevels(uint32_t nowMs) {
  {
    std::lock_guard lock(inputMutex_);
    if (pending_.light.selectItem != 29 || !pending_.spectrumFresh) return false;
  }
  const SteadyTime now = engineTime(nowMs);
  takeLists(now);
  stepMode(nowMs);
  stepCount_ = 0;
  levelsStep_ = now;
  publish(true, now);
  return true;
}

void KeyboardLighting::step(uint32_t nowMs) {
  const SteadyTime now = engineTime(nowMs);
  takeLists(now);
  stepMode(nowMs);
  publish(false, now);
}

SteadyTime KeyboardLighting::engineTime(uint32_t nowMs) {
  if (!haveTime_) {
    haveTime_ = true;
    lastMs_ = nowMs;
  }
  // Unsigned difference: a wrap of the 32-bit clock is one more millisecond.
  time_ += Millis(uint32_t(nowMs - lastMs_));
  lastMs_ = nowMs;
  return time_;
}

void KeyboardLighting::takeLists(SteadyTime now) {
  std::optional<LightSequence> steps;
  std::optional<std::vector<LightListEntry>> entries;
  {
    std::lock_guard lock(inputMutex_);
    steps.swap(pending_.effectList);
    entries.swap(pending_.lightList);
  }
  if (steps) sequence_.setSteps(std::move(*steps), now);
  if (entries) overlays_.setEntries(std::move(*entries), now);
}

void KeyboardLighting::publish(bool moveOverlays, SteadyTime now) {
  const bool overlaid = overlays_.drivenZones() > 0;
  if (overlaid) {
    for (size_t p = 0; p < kPositions; ++p) shown_.set(p, work_.get(p));
    if (moveOverlays) overlays_.pass(now);
    else overlays_.repaint();
  }
  const ZoneColours& picture = overlaid ? shown_ : work_;
  for (size_t p = 0; p < kPositions; ++p) frame_.set(p, picture.get(p));
}

void KeyboardLighting::reset(unsigned mode) {
  mode_ = mode;
  phase_ = secondCounter_ = colourIndex_ = bandOffset_ = 0;
  toggle_ = toggledOnce_ = false;
  toggleTime_ = 0;
  stage_ = 0;
  level_.fill(0);
  aux_.fill(0);
  state_.fill(0);
  lit_.fill(Rgb{});
  latch_.fill(false);
  for (auto& plane : planes_) plane.fill(0);
  in_.spectrum.fill(0);
  {
    std::lock_guard lock(inputMutex_);
    pending_.spectrum.fill(0);
    pending_.spectrumFresh = false;
    pending_.beatSeed = false;
  }
  for (size_t p = 0; p < kPositions; ++p) hue_[p] = uint8_t(33 * (p + 1) % kWheel);
  if (playsEffectList(mode)) {
    sequence_.restart(time_);
  } else if (mode == 13) {
    for (auto& plane : planes_) plane[9] |= 1;
  } else if (mode == 15 || mode == 22) {
    for (size_t p = 0; p < kPositions; ++p) {
      int c = int(p % kl::kColumns), r = 6;
      kl::firstCell(int(p), c, r);
      aux_[p] = uint8_t((8 * c + 29 * r) % kWheel);
      hue_[p] = uint8_t((11 * c + 53 * r) % kWheel);
    }
  }
  work_.fill(0);
}

uint8_t KeyboardLighting::factor() const { return effect_tables::kBrightness[std::min<uint8_t>(in_.light.light, 4)]; }

void KeyboardLighting::put(size_t position, Rgb colour, unsigned alpha) {
  work_.set(position, packZone(colour.r, colour.g, colour.b, uint8_t(std::min(alpha, 255u))));
}

Rgb KeyboardLighting::hueOr(size_t position) const {
  return in_.light.multiColor ? effect_tables::colourWheel()[hue_[position] % kWheel] : user();
}

void KeyboardLighting::decayAll(int curve) {
  for (auto& l : level_) l = audioBandDecay(l, curve);
}

void KeyboardLighting::stepMode(uint32_t nowMs) {
  {
    std::lock_guard lock(inputMutex_);
    in_.light = pending_.light;
    in_.audio = pending_.audio;
    in_.external = pending_.external;
    in_.custom = pending_.custom;
    in_.beatSeed = pending_.beatSeed;
    pending_.beatSeed = false;
    in_.spectrumFresh = pending_.spectrumFresh;
    if (pending_.spectrumFresh) in_.spectrum = pending_.spectrum;
  }
  const unsigned mode = in_.light.selectItem;
  if (mode != mode_) reset(mode);
  switch (mode) {
    case 1: columnWave(7, 7); break;
    case 2: columnWave(2, 1); break;
    case 3: flow(); break;
    case 4: spectrumCycle(); break;
    case 5: breathing(); break;
    case 6: staticRings(); break;
    case 7: case 25: reactiveFade(); break;
    case 8: reactive(true); break;
    case 9: reactive(false); break;
    case 10: raindrops(); break;
    case 11: rainbowShift(); break;
    case 12: rowWave(); break;
    case 13: rippleWaves(); break;
    case 14: scriptedShow(); break;
    case 15: twinkle(2); break;
    case 16: edgeRipples(); break;
    case 17: fixedColour(); break;
    case 18: ringWave(); break;
    case 20: custom(); break;
    case 21: snake(); break;
    case 22: twinkle(1); break;
    case 23: blink(nowMs, false); break;
    case 24: sweep(); break;
    case 26: fourColourBreathing(); break;
    case 27: blink(nowMs, true); break;
    case 28: work_.fill(0); break;
    case 29: audio(); break;
    case 30: external(); break;
    default: sequence_.pass(time_, in_.light.speed); break;  // 0, 19 and above 30: the effect list
  }
}

// --- waves ---------------------------------------------------------------

void KeyboardLighting::columnWave(unsigned perColumnHue, unsigned perColumnBreath) {
  const bool fx = in_.light.fx;
  const auto& wheel = effect_tables::colourWheel();
  const auto& breath = effect_tables::breathingWave();
  if (in_.light.multiColor) phase_ = stepWithin(phase_, kWheel, 1, fx);
  else phase_ = stepWithin(phase_, 96, 1, fx);
  for (int c = 0; c < kl::kColumns; ++c) {
    Rgb colour;
    unsigned alpha;
    if (in_.light.multiColor) {
      colour = wheel[(phase_ + 1 + perColumnHue * c) % kWheel];
      alpha = factor();
    } else {
      colour = user();
      alpha = factor() * breath[(phase_ + 1 + perColumnBreath * c) % 96] / 256;
    }
    for (int r = 0; r < kl::kRows; ++r)
      if (int p = kl::gridPosition(c, r); p >= 0) put(p, colour, alpha);
  }
}

void KeyboardLighting::rowWave() {
  const bool multi = in_.light.multiColor;
  phase_ = stepWithin(phase_, multi ? kWheel : 96, 1, in_.light.fx);
  for (int r = 0; r < kl::kRows; ++r) {
    const Rgb colour = multi ? effect_tables::colourWheel()[(phase_ + 1 + 24 * r) % kWheel] : user();
    const unsigned alpha =
        multi ? factor() : factor() * effect_tables::breathingWave()[(phase_ + 1 + 24 * r) % 96] / 256;
    for (int c = 0; c < kl::kColumns; ++c)
      if (int p = kl::gridPosition(c, r); p >= 0) put(p, colour, alpha);
  }
}

void KeyboardLighting::flow() {
  const bool multi = in_.light.multiColor;
  phase_ = stepWithin(phase_, multi ? kWheel : 96, 1, in_.light.fx);
  const auto& order = kl::keyOrder();
  for (size_t i = 0; i < order.size(); ++i) {
    if (multi) put(order[i], effect_tables::colourWheel()[(phase_ + 1 + 5 * i) % kWheel], factor());
    else put(order[i], user(), factor() * effect_tables::breathingWave()[(phase_ + 1 + 5 * i) % 96] / 256);
  }
}

void KeyboardLighting::spectrumCycle() {
  phase_ = stepWithin(phase_, kWheel, 1, in_.light.fx);
  const Rgb c = effect_tables::colourWheel()[phase_ % kWheel];
  work_.fill(packZone(c.r, c.g, c.b, factor()));
}

void KeyboardLighting::breathing() {
  phase_ = uint8_t((phase_ + 1) % 128);
  const unsigned alpha = factor() * effect_tables::breathingCurve()[phase_] / 256;
  for (int c = 0; c < kl::kColumns; ++c) {
    const Rgb colour = in_.light.multiColor ? effect_tables::colourWheel()[7 * c % kWheel] : user();
    for (int r = 0; r < kl::kRows; ++r)
      if (int p = kl::gridPosition(c, r); p >= 0) put(p, colour, alpha);
  }
}

void KeyboardLighting::staticRings() {
  if (!in_.light.multiColor) {
    const Rgb u = user();
    work_.fill(packZone(u.r, u.g, u.b, factor()));
    return;
  }
  for (size_t r = 0; r < kl::kRings; ++r) {
    int h = 138 - 12 * int(r);
    if (h < 0) h += 156;
    for (int p : kl::ring(r))
      if (kl::inGrid(p)) put(p, effect_tables::colourWheel()[h], factor());
  }
}

void KeyboardLighting::ringWave() {
  phase_ = stepWithin(phase_, kWheel, 1, in_.light.fx);
  for (size_t r = 0; r < kl::kRings; ++r) {
    const Rgb colour = effect_tables::colourWheel()[(phase_ + 7 * (r + 1)) % kWheel];
    for (int p : kl::ring(r))
      if (kl::inGrid(p)) put(p, colour, factor());
  }
}

// --- per-position level effects ----------------------------------------

void KeyboardLighting::reactiveFade() {
  for (size_t p = 0; p < kPositions; ++p) {
    if (state_[p] == 1) {
      level_[p] = uint8_t(std::min(255, level_[p] + 15));
      if (level_[p] == 255) state_[p] = 2;
    } else if (state_[p] == 2) {
      level_[p] = uint8_t(std::max(0, level_[p] - 5));
      if (level_[p] == 0) state_[p] = 0;
    }
    putLevel(p, hueOr(p));
  }
}

void KeyboardLighting::applyPlanes(bool randomHue) {
  for (int c = 0; c < kl::kColumns; ++c) {
    const uint8_t mask = planes_[0][c] | planes_[1][c] | planes_[2][c] | planes_[3][c];
    for (int r = 0; r < kl::kRows; ++r) {
      const int p = kl::gridPosition(c, r);
      if (!(mask & (1u << r)) || p < 0) continue;
      level_[p] = 255;
      if (randomHue) hue_[p] = uint8_t(random_() % kWheel);
    }
  }
}

void KeyboardLighting::spreadPlanes() {
  const auto old = planes_;
  constexpr int last = kl::kColumns - 1;
  for (int k = 0; k < kl::kColumns; ++k) {
    const uint8_t right0 = k < last ? old[0][k + 1] : 0, left1 = k > 0 ? old[1][k - 1] : 0;
    const uint8_t left2 = k > 0 ? old[2][k - 1] : 0, right3 = k < last ? old[3][k + 1] : 0;
    planes_[0][k] = uint8_t((old[0][k] >> 1) | right0);
    planes_[1][k] = uint8_t((old[1][k] >> 1) | left1);
    planes_[2][k] = uint8_t((old[2][k] << 1) | left2);
    planes_[3][k] = uint8_t((old[3][k] << 1) | right3);
  }
}

bool KeyboardLighting::planesEmpty() const {
  for (const auto& plane : planes_)
    for (uint8_t m : plane)
      if (m) return false;
  return true;
}

void KeyboardLighting::seedRipple(int position) {
  int c, r;
  if (!kl::firstCell(position, c, r)) return;
  for (auto& plane : planes_) plane[c] |= uint8_t(1u << r);
}

void KeyboardLighting::reactive(bool rainbow) {
  applyPlanes(in_.light.multiColor);
  if (rainbow) {
    spreadPlanes();
    for (auto& h : hue_) h = uint8_t((h + 7) % kWheel);
  } else {
    for (auto& plane : planes_) plane.fill(0);
  }
  decayAll(1);
  for (size_t p = 0; p < kPositions; ++p) putLevel(p, hueOr(p));
}

void KeyboardLighting::raindrops() {
  for (int i = 0; i < 6; ++i) {
    const size_t p = random_() % kPositions;
    level_[p] = 255;
    hue_[p] = uint8_t(random_() % kWheel);
  }
  decayAll(1);
  for (size_t p = 0; p < kPositions; ++p) putLevel(p, hueOr(p));
}

void KeyboardLighting::rainbowShift() {
  for (size_t p = 0; p < kPositions; ++p) {
    hue_[p] = uint8_t((hue_[p] + 1) % kWheel);
    put(p, effect_tables::colourWheel()[hue_[p]], factor());
  }
}

void KeyboardLighting::rippleWaves() {
  const uint8_t joined = planes_[0][9] | planes_[1][9] | planes_[2][9] | planes_[3][9];
  if (joined == 1 || joined == 64)
    for (auto& plane : planes_) plane[9] |= joined;
  if (++secondCounter_ >= 2) {
    secondCounter_ = 0;
    applyPlanes(in_.light.multiColor);
    spreadPlanes();
  }
  decayAll(1);
  for (size_t p = 0; p < kPositions; ++p) putLevel(p, hueOr(p));
}

void KeyboardLighting::edgeRipples() {
  if (planesEmpty())
    for (auto& plane : planes_) {
      plane[0] |= 1;
      plane[kl::kColumns - 1] |= uint8_t(1u << (kl::kRows - 1));
    }
  applyPlanes(in_.light.multiColor);
  spreadPlanes();
  decayAll(1);
  for (size_t p = 0; p < kPositions; ++p) putLevel(p, hueOr(p));
}

void KeyboardLighting::scriptedShow() {
  auto light = [this](int p) {
    if (p < 0 || size_t(p) >= kPositions) return;
    level_[p] = 255;
    if (in_.light.multiColor) hue_[p] = uint8_t(random_() % kWheel);
  };
  switch (stage_) {
    case 0:
      for (int p : kl::showStep(phase_)) light(p);
      if (++phase_ >= kl::kShowSteps) {
        phase_ = 0;
        stage_ = 1;
      }
      break;
    case 1:
      if (phase_ <= 30) {
        for (int p : kl::showPairs()[phase_ % kl::kShowPairs]) light(p);
        ++phase_;
      } else if (level_[72] == 0) {
        phase_ = 0;
        stage_ = 2;
      }
      break;
    case 2:
      seedRipple(52);
      stage_ = 3;
      break;
    case 3:
      applyPlanes(in_.light.multiColor);
      spreadPlanes();
      if (level_[124] != 0) stage_ = 4;
      break;
    default:
      applyPlanes(in_.light.multiColor);
      spreadPlanes();
      if (level_[124] == 0) {
        phase_ = 0;
        stage_ = 0;
      }
      break;
  }
  decayAll(1);
  for (size_t p = 0; p < kPositions; ++p) putLevel(p, hueOr(p));
}

void KeyboardLighting::snake() {
  const auto& path = kl::snakePath();
  constexpr uint8_t lastIndex = kl::kSnakeLength - 1;
  const uint8_t index = std::min(phase_, lastIndex);
  const int p = path[toggle_ ? lastIndex - index : index];
  if (p >= 0) level_[p] = 254;
  if (in_.light.fx) {
    if (index >= lastIndex) {
      phase_ = 0;
      toggle_ = !toggle_;
    } else {
      phase_ = index + 1;
    }
  } else {
    if (index == 0) {
      phase_ = lastIndex;
      toggle_ = !toggle_;
    } else {
      phase_ = index - 1;
    }
  }
  for (int k : kl::keyOrder()) level_[k] = audioBandDecay(level_[k], 1);
  for (size_t q = 0; q < kPositions; ++q) putLevel(q, hueOr(q));
}

void KeyboardLighting::twinkle(unsigned advanceBy) {
  const auto& curve = twinkleCurve();
  for (size_t p = 0; p < kPositions; ++p) {
    unsigned counter = aux_[p] + advanceBy;
    if (counter >= kWheel) {
      counter = 0;
      hue_[p] = uint8_t(random_() % kWheel);
    }
    aux_[p] = uint8_t(counter);
    put(p, hueOr(p), factor() * curve[counter] / 256);
  }
}

void KeyboardLighting::blink(uint32_t nowMs, bool fourColours) {
  const uint32_t period = effect_tables::kFlashPeriod[std::min<uint8_t>(in_.light.speed, 4)] * 200u;
  bool toggled = false;
  if (!toggledOnce_) {
    toggledOnce_ = toggle_ = toggled = true;
    toggleTime_ = nowMs;
  } else if (nowMs - toggleTime_ >= period) {
    toggle_ = !toggle_;
    toggleTime_ = nowMs;
    toggled = true;
  }
  if (toggled) {
    if (fourColours) {
      if (toggle_) colourIndex_ = uint8_t((colourIndex_ + 1) % 4);
    } else {
      phase_ = uint8_t((phase_ + 16) % kWheel);
    }
  }
  if (!toggle_) {
    work_.fill(0);
    return;
  }
  const Rgb c = fourColours ? effect_tables::fourColours()[colourIndex_ % 4]
                : in_.light.multiColor ? effect_tables::colourWheel()[phase_ % kWheel]
                                       : user();
  work_.fill(packZone(c.r, c.g, c.b, factor()));
}

void KeyboardLighting::sweep() {
  phase_ = stepWithin(phase_, kl::kSweepSteps, 1, in_.light.fx);
  for (int p : kl::sweepStep(phase_)) {
    level_[p] = 255;
    hue_[p] = 0;
  }
  for (size_t p = 0; p < kPositions; ++p) {
    if (level_[p]) level_[p] = uint8_t(std::max(0, level_[p] - 5));
    if (hue_[p] < 255) hue_[p] = uint8_t(std::min(255, hue_[p] + 3));
    if (in_.light.multiColor) {
      if (hue_[p] < kWheel) put(p, effect_tables::colourWheel()[hue_[p]], factor());
      else put(p, Rgb{}, 0);
    } else {
      putLevel(p, user());
    }
  }
}

void KeyboardLighting::fourColourBreathing() {
  if (++phase_ >= 128) {
    phase_ = 0;
    colourIndex_ = uint8_t((colourIndex_ + 1) % 4);
  }
  const Rgb c = effect_tables::fourColours()[colourIndex_];
  work_.fill(packZone(c.r, c.g, c.b, uint8_t(factor() * effect_tables::breathingCurve()[phase_] / 256)));
}

void KeyboardLighting::fixedColour() {
  const uint8_t mode = in_.light.zzccLedMode;
  const unsigned h = mode == 1 ? 25 : mode == 2 ? 70 : mode == 3 ? 95 : 174;
  const Rgb c = effect_tables::colourWheel()[h];
  work_.fill(packZone(c.r, c.g, c.b, factor()));
}

void KeyboardLighting::custom() {
  for (size_t p = 0; p < kPositions; ++p) put(p, in_.custom[p], factor());
}

void KeyboardLighting::external() {
  const auto& e = in_.external;
  work_.fill(packZone(uint8_t(e[0]), uint8_t(e[1]), uint8_t(e[2]), factor()));
}

}  // namespace tessel
