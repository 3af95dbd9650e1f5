#include "device/base/software_effects.h"

#include <algorithm>

namespace tessel {

namespace effect_tables {

const std::array<Rgb, 4>& fourColours() {
  static const std::array<Rgb, 4> t{{{0x00, 0xFF, 0xB4}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF}, {0xFF, 0x00, 0x00}}};
  return t;
}

const std::array<Rgb, 192>& colourWheel() {
  static const std::array<Rgb, 192> wheel = [] {
    static constexpr uint8_t U[32] = {1,   3,   5,   7,   10,  14,  18,  22,  26,  32,  38,
                                      44,  50,  57,  65,  73,  81,  89,  99,  109, 119, 129,
                                      140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
    static constexpr uint8_t D[32] = {248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124,
                                      114, 104, 94,  85,  77,  69,  61,  53,  47,  41,  35,
                                      29,  24,  20,  16,  12,  8,   6,   4,   2,   0};
    std::array<Rgb, 192> w{};
    for (int i = 0; i < 32; ++i) {
      w[0 * 32 + i] = {255, U[i], 0};
      w[1 * 32 + i] = {D[i], 255, 0};
      w[2 * 32 + i] = {0, 255, U[i]};
      w[3 * 32 + i] = {0, D[i], 255};
      w[4 * 32 + i] = {U[i], 0, 255};
      w[5 * 32 + i] = {255, 0, D[i]};
    }
    return w;
  }();
  return wheel;
}

const std::array<uint8_t, 128>& breathingCurve() {
  static const std::array<uint8_t, 128> curve = [] {
    static constexpr uint8_t rising[64] = {
        0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
        22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
        77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
        158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};
    std::array<uint8_t, 128> c{};
    for (int i = 0; i < 64; ++i) {
      c[i] = rising[i];
      c[127 - i] = rising[i];
    }
    return c;
  }();
  return curve;
}

const std::array<uint8_t, 96>& breathingWave() {
  static const std::array<uint8_t, 96> wave = [] {
    static constexpr uint8_t rising[48] = {
        22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
        77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
        158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};
    std::array<uint8_t, 96> w{};
    for (int i = 0; i < 48; ++i) {
      w[i] = rising[i];
      w[95 - i] = rising[i];
    }
    return w;
  }();
  return wave;
}

}  // namespace effect_tables

// ------------------------------------------------------------------ ZoneColours

void ZoneColours::resize(size_t count) {
  zones_ = count ? std::make_unique<std::atomic<uint32_t>[]>(count) : nullptr;
  for (size_t i = 0; i < count; ++i) zones_[i].store(0, std::memory_order_relaxed);
  count_ = count;
}

void ZoneColours::set(size_t index, uint32_t record) {
  if (index < count_ && zones_[index].exchange(record, std::memory_order_relaxed) != record) changed();
}

uint32_t ZoneColours::get(size_t index) const {
  return index < count_ ? zones_[index].load(std::memory_order_relaxed) : 0;
}

void ZoneColours::fill(uint32_t record) {
  bool any = false;
  for (size_t i = 0; i < count_; ++i) any = zones_[i].exchange(record, std::memory_order_relaxed) != record || any;
  if (any) changed();
}

std::vector<uint8_t> ZoneColours::frame() const {
  const size_t n = std::min(count_, kMaxFrameZones);
  std::vector<uint8_t> out(n * 3);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t z = get(i);
    const unsigned level = zoneBrightness(z);
    out[3 * i + 0] = static_cast<uint8_t>(zoneRed(z) * level / 256);
    out[3 * i + 1] = static_cast<uint8_t>(zoneGreen(z) * level / 256);
    out[3 * i + 2] = static_cast<uint8_t>(zoneBlue(z) * level / 256);
  }
  return out;
}

// -------------------------------------------------------- SoftwareEffectEngine

void SoftwareEffectEngine::setSpeedIndex(int index) { speedIndex_ = std::clamp(index, 0, 4); }
void SoftwareEffectEngine::setBrightnessIndex(int index) { brightnessIndex_ = std::clamp(index, 0, 4); }
void SoftwareEffectEngine::setFixedColour(Rgb c) { fixed_ = packZone(c.r, c.g, c.b, 0); }

Rgb SoftwareEffectEngine::fixed() const {
  const uint32_t f = fixed_.load();
  return {zoneRed(f), zoneGreen(f), zoneBlue(f)};
}

void SoftwareEffectEngine::select(SoftwareEffect effect) {
  std::lock_guard lock(mutex_);
  effect_ = effect;
  phase_ = 0;
  colourIndex_ = 0;
  flashOn_ = false;
  toggledOnce_ = false;
}

SoftwareEffect SoftwareEffectEngine::selected() const {
  std::lock_guard lock(mutex_);
  return effect_;
}

unsigned SoftwareEffectEngine::phase() const {
  std::lock_guard lock(mutex_);
  return phase_;
}

unsigned SoftwareEffectEngine::colourIndex() const {
  std::lock_guard lock(mutex_);
  return colourIndex_;
}

void SoftwareEffectEngine::setPhase(unsigned phase) {
  std::lock_guard lock(mutex_);
  phase_ = phase;
}

bool SoftwareEffectEngine::flashOn() const {
  std::lock_guard lock(mutex_);
  return flashOn_;
}

void SoftwareEffectEngine::step(std::chrono::steady_clock::time_point now) {
  std::lock_guard lock(mutex_);
  switch (effect_) {
    case SoftwareEffect::Breathing: breathingLocked(); break;
    case SoftwareEffect::BreathingFourColours: breathingFourColoursLocked(); break;
    case SoftwareEffect::Static: staticColourLocked(); break;
    case SoftwareEffect::ColourWheel: colourWheelLocked(); break;
    case SoftwareEffect::Flashing: flashingLocked(now); break;
    case SoftwareEffect::FlashingFourColours: flashingFourColoursLocked(now); break;
    case SoftwareEffect::Off: zones_.fill(0); break;
  }
}

void SoftwareEffectEngine::breathing() {
  std::lock_guard lock(mutex_);
  breathingLocked();
}

void SoftwareEffectEngine::breathingFourColours() {
  std::lock_guard lock(mutex_);
  breathingFourColoursLocked();
}

void SoftwareEffectEngine::staticColour() {
  std::lock_guard lock(mutex_);
  staticColourLocked();
}

void SoftwareEffectEngine::colourWheel() {
  std::lock_guard lock(mutex_);
  colourWheelLocked();
}

void SoftwareEffectEngine::flashing(std::chrono::steady_clock::time_point now) {
  std::lock_guard lock(mutex_);
  flashingLocked(now);
}

void SoftwareEffectEngine::flashingFourColours(std::chrono::steady_clock::time_point now) {
  std::lock_guard lock(mutex_);
  flashingFourColoursLocked(now);
}

void SoftwareEffectEngine::stepPhase(unsigned limit) {
  // The counter is shared by tables of different sizes: bring it into range first.
  if (phase_ >= limit) phase_ = 0;
  if (forward_) phase_ = (phase_ + 1 >= limit) ? 0 : phase_ + 1;
  else phase_ = (phase_ == 0) ? limit - 1 : phase_ - 1;
}

void SoftwareEffectEngine::breathingLocked() {
  const auto& wheel = effect_tables::colourWheel();
  stepPhase(128);
  if (colourIndex_ >= wheel.size()) colourIndex_ = 0;
  if (phase_ == 0) {
    colourIndex_ += 16;
    if (colourIndex_ >= wheel.size()) colourIndex_ = 0;
  }
  const Rgb c = colourful_ ? wheel[colourIndex_] : fixed();
  const uint8_t level = static_cast<uint8_t>(effect_tables::breathingCurve()[phase_] * brightness() / 256);
  zones_.fill(packZone(c.r, c.g, c.b, level));
}

void SoftwareEffectEngine::breathingFourColoursLocked() {
  const auto& four = effect_tables::fourColours();
  stepPhase(128);
  if (colourIndex_ >= four.size()) colourIndex_ = 0;
  if (phase_ == 0) colourIndex_ = (colourIndex_ + 1 >= four.size()) ? 0 : colourIndex_ + 1;
  const Rgb c = four[colourIndex_];
  const uint8_t level = static_cast<uint8_t>(effect_tables::breathingCurve()[phase_] * brightness() / 256);
  zones_.fill(packZone(c.r, c.g, c.b, level));
}

void SoftwareEffectEngine::staticColourLocked() {
  const Rgb c = fixed();
  zones_.fill(packZone(c.r, c.g, c.b, brightness()));
}

void SoftwareEffectEngine::colourWheelLocked() {
  stepPhase(192);
  const Rgb c = effect_tables::colourWheel()[phase_];
  zones_.fill(packZone(c.r, c.g, c.b, brightness()));
}

bool SoftwareEffectEngine::flashDue(std::chrono::steady_clock::time_point now) {
  const auto period = std::chrono::milliseconds(200) * effect_tables::kFlashPeriod[speedIndex_.load()];
  if (toggledOnce_ && now - lastToggle_ < period) return false;
  flashOn_ = !flashOn_;
  lastToggle_ = now;
  toggledOnce_ = true;
  return true;
}

void SoftwareEffectEngine::flashingLocked(std::chrono::steady_clock::time_point now) {
  const auto& wheel = effect_tables::colourWheel();
  if (phase_ >= wheel.size()) phase_ = 0;
  if (flashDue(now)) phase_ = (phase_ + 16 >= wheel.size()) ? 0 : phase_ + 16;
  if (!flashOn_) {
    zones_.fill(0);
    return;
  }
  const Rgb c = colourful_ ? wheel[phase_] : fixed();
  zones_.fill(packZone(c.r, c.g, c.b, brightness()));
}

void SoftwareEffectEngine::flashingFourColoursLocked(std::chrono::steady_clock::time_point now) {
  const auto& four = effect_tables::fourColours();
  if (phase_ >= four.size()) phase_ = 0;
  if (flashDue(now)) phase_ = (phase_ + 1 >= four.size()) ? 0 : phase_ + 1;
  if (!flashOn_) {
    zones_.fill(0);
    return;
  }
  const Rgb c = four[phase_];
  zones_.fill(packZone(c.r, c.g, c.b, brightness()));
}

void SoftwareEffectEngine::off() { zones_.fill(0); }

// ------------------------------------------------------------------ helpers

uint8_t audioBandDecay(uint8_t v, int curve) {
  auto minus = [v](int d) { return static_cast<uint8_t>(std::max(0, int(v) - d)); };
  if (curve == 29) {
    if (v & 0x90) return minus(45);
    if (v & 0x60) return minus(35);
    return v > 0 ? minus(1) : 0;
  }
  if (v >= 128) return minus(40);
  if (v & 0x40) return minus(30);
  if (v & 0x20) return minus(curve == 0 ? 15 : 10);
  if (v > 16) return minus(8);
  return v > 0 ? minus(1) : 0;
}

FunctionModePages functionModePages(int mode, uint16_t typeCode) {
  switch (mode) {
    case 1: return {0, 0};
    case 2: case 6: return {0, 1};
    case 3: case 8: return {1, -1};
    case 4: {
      const int f = (typeCode == 1 || typeCode == 2) ? 3 : 0;
      return {f, f == 3 ? -1 : 2};
    }
    case 5: return {2, -1};
    case 7: return {0, 2};
    default: return {0, 0};
  }
}

}  // namespace tessel
