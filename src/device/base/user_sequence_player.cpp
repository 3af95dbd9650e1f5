#include "device/base/user_sequence_player.h"

#include <algorithm>

namespace tessel {

namespace {

unsigned index04(int value) { return static_cast<unsigned>(std::clamp(value, 0, 4)); }

uint8_t levelOf(const LightStep& s) { return effect_tables::kBrightness[index04(s.brightness)]; }

Rgb colourOf(const LightStep& s) { return {s.red, s.green, s.blue}; }

uint32_t zone(Rgb c, unsigned level) {
  return packZone(c.r, c.g, c.b, static_cast<uint8_t>(std::min(level, 255u)));
}

// One step forward within `limit`; a phase left past the limit by a step of
// another mode starts again at 0.
unsigned advance(unsigned phase, unsigned limit) { return phase + 1 >= limit ? 0 : phase + 1; }

}  // namespace

void UserSequencePlayer::setSteps(LightSequence steps, SteadyTime now) {
  steps_ = std::move(steps);
  restart(now);
}

void UserSequencePlayer::restart(SteadyTime now) {
  current_ = 0;
  stepBegan_ = now;
}

bool UserSequencePlayer::intervalReached(unsigned interval) {
  if (passCount_ < interval) return false;
  passCount_ = 0;
  return true;
}

void UserSequencePlayer::pass(SteadyTime now, int flashSpeed) {
  if (steps_.empty()) {
    zones_.fill(0);
    return;
  }
  if (current_ >= steps_.size()) current_ = 0;
  const LightStep& step = steps_[current_];
  passCount_ = passCount_ + 1 >= 255 ? 0 : passCount_ + 1;
  switch (step.mode) {
    case 0: breathing(step); break;
    case 1: staticColour(step); break;
    case 2: flashing(step, now, flashSpeed); break;
    case 4: wave(step); break;
    case 5: colourWheel(step); break;
    default: break;  // the zones stay as they are
  }
  if (now - stepBegan_ > Millis(std::max(step.time, 0))) {
    current_ = current_ + 1 >= steps_.size() ? 0 : current_ + 1;
    stepBegan_ = now;
  }
}

void UserSequencePlayer::breathing(const LightStep& s) {
  if (!intervalReached(kInterval[index04(s.speed)])) return;
  phase_ = advance(phase_, 128);
  const auto& wheel = effect_tables::colourWheel();
  // With multi-colour each breath takes the next sixth of the wheel, as the
  // device's own breathing does; a colour that never moved would make the
  // flag pointless.
  if (phase_ == 0) colourIndex_ = colourIndex_ + 16 >= wheel.size() ? 0 : colourIndex_ + 16;
  if (colourIndex_ >= wheel.size()) colourIndex_ = 0;
  const Rgb c = s.multiColor ? wheel[colourIndex_] : colourOf(s);
  zones_.fill(zone(c, levelOf(s) * effect_tables::breathingCurve()[phase_] / 256));
}

void UserSequencePlayer::staticColour(const LightStep& s) {
  if (!intervalReached(kInterval[index04(s.speed)])) return;
  zones_.fill(zone(colourOf(s), levelOf(s)));
}

void UserSequencePlayer::flashing(const LightStep& s, SteadyTime now, int flashSpeed) {
  phase_ = advance(phase_, 128);
  const Millis period = Millis(200) * effect_tables::kFlashPeriod[index04(flashSpeed)];
  if (!toggled_ || now - lastToggle_ >= period) {
    flashOn_ = !flashOn_;
    lastToggle_ = now;
    toggled_ = true;
    flashColour_ = static_cast<uint8_t>((phase_ + 14) % 192);
  }
  if (!flashOn_) {
    zones_.fill(0);
    return;
  }
  const Rgb c = s.multiColor ? effect_tables::colourWheel()[flashColour_] : colourOf(s);
  zones_.fill(zone(c, levelOf(s)));
}

void UserSequencePlayer::wave(const LightStep& s) {
  if (!intervalReached(kInterval[index04(s.speed)])) return;
  phase_ = advance(phase_, 192);
  unsigned p;
  if (s.direction == 0) p = phase_ + 1 >= 192 ? 0 : phase_ + 1;
  else p = std::min<unsigned>(static_cast<uint8_t>(0u - phase_ - 64u), 191);
  const auto& wheel = effect_tables::colourWheel();
  const auto& waveTable = effect_tables::breathingWave();
  const unsigned level = levelOf(s);
  for (size_t i = 0; i < zones_.size(); ++i) {
    if (s.multiColor) {
      zones_.set(i, zone(wheel[(p + 12 * i) % 192], level));
    } else {
      zones_.set(i, zone(colourOf(s), level * waveTable[(p + 12 * (i + 1)) % 96] / 256));
    }
  }
}

void UserSequencePlayer::colourWheel(const LightStep& s) {
  if (!intervalReached(kWheelInterval[index04(s.speed)])) return;
  phase_ = advance(phase_, 192);
  const Rgb c = effect_tables::colourWheel()[phase_];
  zones_.fill(zone(c, levelOf(s)));
}

}  // namespace tessel
