#pragma once
// Playback of a user light sequence: its steps play in order, each for its
// "Time" in milliseconds, after the last the first again. Every pass of the
// light thread runs the current step's mode over all zones: 0 breathing,
// 1 static, 2 flashing, 4 wave, 5 colour wheel; any other mode leaves the
// zones as they are. An empty sequence turns every zone off.
//
// One phase is shared by all steps and not reset between them; a pass count
// paces the modes (it wraps to 0 at 255). Not locked: the owner calls it under
// its own lock.
#include <array>
#include <cstdint>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/software_effects.h"

namespace tessel {

class UserSequencePlayer {
 public:
  // Passes between phase steps of breathing, static and wave, by step speed.
  static constexpr std::array<uint8_t, 5> kInterval{28, 23, 18, 13, 7};
  // Passes between phase steps of the colour wheel, by step speed.
  static constexpr std::array<uint8_t, 5> kWheelInterval{5, 4, 3, 2, 1};

  explicit UserSequencePlayer(ZoneColours& zones) : zones_(zones) {}

  // Replaces the steps and restarts at the first.
  void setSteps(LightSequence steps, SteadyTime now);
  const LightSequence& steps() const { return steps_; }
  // Back to the first step, which begins at `now`.
  void restart(SteadyTime now);
  // One pass. `flashSpeed` is the speed index of the device's light record:
  // flashing toggles every flash period of that speed (28..7 x 200 ms).
  void pass(SteadyTime now, int flashSpeed);

  size_t currentStep() const { return current_; }
  unsigned passCount() const { return passCount_; }
  unsigned phase() const { return phase_; }
  bool flashOn() const { return flashOn_; }

 private:
  void breathing(const LightStep& s);
  void staticColour(const LightStep& s);
  void flashing(const LightStep& s, SteadyTime now, int flashSpeed);
  void wave(const LightStep& s);
  void colourWheel(const LightStep& s);
  bool intervalReached(unsigned interval);

  ZoneColours& zones_;
  LightSequence steps_;
  size_t current_ = 0;
  SteadyTime stepBegan_{};
  unsigned passCount_ = 0;
  unsigned phase_ = 0;
  unsigned colourIndex_ = 0;  // breathing with multi-colour: advanced at each breath
  bool flashOn_ = false;
  bool toggled_ = false;
  SteadyTime lastToggle_{};
  uint8_t flashColour_ = 0;
};

}  // namespace tessel
