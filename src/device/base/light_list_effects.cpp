#include "device/base/light_list_effects.h"

#include <algorithm>

namespace tessel {

namespace {

// Documents may hold any byte: indices into the five-entry tables are clamped.
unsigned index04(uint8_t value) { return std::min<unsigned>(value, 4); }

uint8_t levelOf(const LightListEntry& e) { return effect_tables::kBrightness[index04(e.brightness)]; }

Rgb colourOf(const LightListEntry& e) { return {e.red, e.green, e.blue}; }

uint32_t zone(Rgb c, unsigned level) {
  return packZone(c.r, c.g, c.b, static_cast<uint8_t>(std::min(level, 255u)));
}

}  // namespace

void LightListEffects::setEntries(std::vector<LightListEntry> entries, SteadyTime now) {
  entries_ = std::move(entries);
  restart(now);
}

void LightListEffects::restart(SteadyTime now) {
  state_.assign(std::min(entries_.size(), zones_.size()), ZoneState{});
  for (size_t i = 0; i < state_.size(); ++i) {
    const LightListEntry& e = entries_[i];
    ZoneState& s = state_[i];
    s.flashPeriod = Millis(200) * effect_tables::kFlashPeriod[index04(e.speed)];
    s.wheelInterval = effect_tables::kFlashPeriod[index04(e.speed)];
  }
  pass(now);
}

bool LightListEffects::animated() const {
  for (size_t i = 0; i < state_.size(); ++i) {
    const LightListEntry& e = entries_[i];
    if (e.mode == Flashing) return true;
    if ((e.mode == Breathing || e.mode == ColourWheel) && e.present) return true;
  }
  return false;
}

bool LightListEffects::active() const {
  for (size_t i = 0; i < state_.size(); ++i) {
    const LightListEntry& e = entries_[i];
    if (e.mode == Static || e.mode == Off || e.mode == Flashing) return true;
    if ((e.mode == Breathing || e.mode == ColourWheel) && e.present) return true;
  }
  return false;
}

void LightListEffects::pass(SteadyTime now) {
  for (size_t i = 0; i < state_.size(); ++i) {
    const LightListEntry& e = entries_[i];
    if (e.mode == Breathing && e.present) breathingStep(i);
    if (e.mode == ColourWheel && e.present) colourWheelStep(i);
    // Every entry's flash state runs, whatever its mode; only flashing zones show it.
    flashingStep(i, now);
    paint(i);
  }
}

void LightListEffects::repaint() {
  for (size_t i = 0; i < state_.size(); ++i) paint(i);
}

void LightListEffects::paint(size_t i) {
  const LightListEntry& e = entries_[i];
  const ZoneState& s = state_[i];
  const auto& wheel = effect_tables::colourWheel();
  switch (e.mode) {
    case Breathing:
      if (!e.present) return;
      zones_.set(i, zone(e.multiColor ? wheel[s.breathShown % wheel.size()] : colourOf(e),
                         effect_tables::breathingCurve()[s.breathPhase] * levelOf(e) / 256));
      return;
    case Static: zones_.set(i, zone(colourOf(e), levelOf(e))); return;
    case Flashing:
      if (!s.flashOn) zones_.set(i, 0);
      else zones_.set(i, zone(e.multiColor ? wheel[s.flashColour % wheel.size()] : colourOf(e), levelOf(e)));
      return;
    case ColourWheel:
      if (e.present) zones_.set(i, zone(wheel[s.wheelColour % wheel.size()], levelOf(e)));
      return;
    case Off: zones_.set(i, 0); return;
    default: return;  // the zone keeps the device's own effect
  }
}

void LightListEffects::breathingStep(size_t i) {
  const LightListEntry& e = entries_[i];
  ZoneState& s = state_[i];
  if (s.breathColour >= 192) s.breathColour = 0;
  s.breathShown = s.breathColour;  // the colour is taken before the breath may end
  // The step is speed + 4 on an 8-bit phase; a step past 128 ends the breath
  // just the same as landing on it.
  const unsigned phase = s.breathPhase + index04(e.speed) + 4;
  if (phase >= 128) {
    s.breathPhase = 0;
    s.breathColour = static_cast<uint8_t>(s.breathColour + 1 >= 192 ? 0 : s.breathColour + 1);
  } else {
    s.breathPhase = static_cast<uint8_t>(phase);
  }
}

void LightListEffects::flashingStep(size_t i, SteadyTime now) {
  ZoneState& s = state_[i];
  if (s.toggled && now - s.lastToggle < s.flashPeriod) return;
  s.flashOn = !s.flashOn;
  s.lastToggle = now;
  s.toggled = true;
  s.flashColour = static_cast<uint8_t>(s.flashColour + 14 >= 192 ? 0 : s.flashColour + 14);
}

void LightListEffects::colourWheelStep(size_t i) {
  ZoneState& s = state_[i];
  if (++s.wheelCounter >= s.wheelInterval) {
    s.wheelCounter = 0;
    s.wheelColour = static_cast<uint8_t>(s.wheelColour + 1 >= 192 ? 0 : s.wheelColour + 1);
  }
}

}  // namespace tessel
