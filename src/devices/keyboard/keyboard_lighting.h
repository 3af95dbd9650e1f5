#pragma once
// The keyboard's lighting engine: computes the 170 position colours of the
// keyboard picture (and of the live colour frames of the host-driven modes 29
// and 30) from the light record, its own effect state and its inputs. It does
// no I/O; the keyboard controller's light thread drives it.
//
// Threads: the light thread calls advance()/step(); the window calls the
// setters (light record, audio settings, spectrum, external colour, custom
// colours) from other threads. The setters only write the locked input block;
// each step takes a copy of it first, so the effect state itself belongs to
// the light thread alone. The frame is a ZoneColours of atomic records
// (red, green, blue, alpha), readable at any time.
//
// Choices of this engine:
// - Twinkle (modes 15 and 22) starts from a table of 23 x 7 entries, one per
//   grid column and row 0..5 plus a seventh row for the positions without a
//   grid cell: the counter of cell (c, r) is (8 c + 29 r) mod 192 and its hue
//   (11 c + 53 r) mod 192, so neighbouring keys are at different points of
//   the twinkle curve. A position without a cell uses row 6 and column
//   position mod 23.
// - Ripple waves (mode 13) are seeded at grid column 9, row 0, in all four
//   planes; the wave then bounces between the top row and the row below the
//   grid through the re-seed rule of that column.
// - Edge ripples (mode 16) are seeded at column 0, row 0 and at column 22,
//   row 5; once every plane is empty both seeds are set again, so the effect
//   keeps playing.
// - Sweep (mode 24), multicolour: a hue that has risen to 192 or more shows
//   nothing (the trail has ended).
// - Audio style 1: grid row r is fed by bands 2r and 2r + 1.
// - Audio style 3: the ring hues advance per step by 1 + average level / 200.
// - Modes 0, 19 and every mode above 30 play the effect list: the steps of
//   the user light sequence the controller hands over (setEffectList), each
//   with its own mode, colour, brightness, speed and time, through the shared
//   sequence player. The player paces itself in passes, so in these modes
//   every clock advance is a pass; an empty list leaves the keyboard dark.
//
// Per-key overlays. "LightList" entry p drives layout position p on top of
// whatever the mode computed (breathing, static, flashing, colour wheel or
// off, each with its own brightness and speed); entries past position 169
// are ignored and a position without an entry shows the mode. The overlays
// move on at every clock advance, whatever the mode's step interval.
//
// Frames. The modes draw into a working frame of the light thread; the
// overlays are laid on a copy of it and only the finished picture is copied
// into the published frame, so a painter or the live frame sender never
// catches an overlaid key showing the mode's colour for one frame.
#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/light_list_effects.h"
#include "device/base/software_effects.h"
#include "device/base/user_sequence_player.h"
#include "devices/keyboard/keyboard_light_tables.h"

namespace tessel {

class KeyboardLighting {
 public:
  static constexpr size_t kPositions = keyboard_light::kPositions;
  static constexpr size_t kSpectrumBands = 25;
  static constexpr int kMaxLevel = 2000;
  // One clock advance of the effects' pace.
  static constexpr std::chrono::microseconds kAdvance{15625};

  KeyboardLighting();

  // Inputs (any thread).
  void setLight(const LightRecord& record);
  void setAudio(const AudioLightRecord& audio);
  // Stores at most the first 25 levels, each clamped to 0..2000. In mode 29
  // with audio style 2 the levels drive the beat ripples instead.
  void setSpectrum(std::span<const int> levels);
  void setExternalColour(std::span<const uint32_t> values);
  void setCustomColours(std::span<const Rgb> colours);
  // The effect list of modes 0, 19 and above 30; playback restarts at its
  // first step at the next clock advance.
  void setEffectList(LightSequence steps);
  // The "LightList" entries, entry p for position p; their effects restart
  // at the next clock advance.
  void setLightList(std::vector<LightListEntry> entries);

  // One clock advance at `nowMs` (the millisecond clock): runs the mode's
  // step when its interval is reached. Returns the time until the next step
  // is due, so the caller can sleep instead of polling.
  std::chrono::microseconds advance(uint32_t nowMs);
  // One step of the current mode, whatever the interval. The overlays are
  // laid on again as they stand, without moving on.
  void step(uint32_t nowMs);
  // In the audio mode, fresh levels step the mode at once instead of waiting
  // for the clock: true when they did. While levels keep coming the clock
  // steps no more (a step between two handouts would only show the bars
  // falling back); when they stop for kLevelsGone it takes over again.
  bool stepOnFreshLevels(uint32_t nowMs);
  static constexpr std::chrono::milliseconds kLevelsGone{100};

  // Modes whose frame the effect list plays.
  static bool playsEffectList(unsigned mode) { return mode == 0 || mode == 19 || mode > 30; }

  // The step interval in clock advances of a mode at a Speed.
  static unsigned stepInterval(unsigned mode, unsigned speed);

  const ZoneColours& frame() const { return frame_; }
  // Readers for tests and the page.
  uint8_t phase() const { return phase_; }
  uint8_t level(size_t position) const { return position < kPositions ? level_[position] : 0; }
  uint8_t hue(size_t position) const { return position < kPositions ? hue_[position] : 0; }
  uint8_t planeMask(size_t plane, int column) const;
  bool toggle() const { return toggle_; }
  int stage() const { return stage_; }
  // The effect list step being played (light thread only).
  size_t effectListStep() const { return sequence_.currentStep(); }
  // Whether an overlay changes from one clock advance to the next.
  bool overlaysAnimated() const { return overlays_.animated(); }
  // Seeds a ripple at a position (light thread only).
  void seedRipple(int position);

 private:
  struct Inputs {
    LightRecord light;
    AudioLightRecord audio;
    std::array<int, kSpectrumBands> spectrum{};
    bool spectrumFresh = false;
    int beatTotal = 0;
    bool beatSeed = false;
    std::array<uint32_t, 6> external{};
    std::array<Rgb, kPositions> custom{};
    std::optional<LightSequence> effectList;
    std::optional<std::vector<LightListEntry>> lightList;
  };

  void takeInputs();
  void takeLists(SteadyTime now);
  SteadyTime engineTime(uint32_t nowMs);
  void stepMode(uint32_t nowMs);
  void publish(bool moveOverlays, SteadyTime now);
  void reset(unsigned mode);
  uint8_t factor() const;
  Rgb user() const { return {in_.light.red, in_.light.green, in_.light.blue}; }
  void put(size_t position, Rgb colour, unsigned alpha);
  void putLevel(size_t position, Rgb colour) { put(position, colour, factor() * level_[position] / 256); }
  Rgb hueOr(size_t position) const;
  void decayAll(int curve);

  void columnWave(unsigned perColumnHue, unsigned perColumnBreath);
  void rowWave();
  void flow();
  void spectrumCycle();
  void breathing();
  void staticRings();
  void reactiveFade();
  void applyPlanes(bool randomHue);
  void spreadPlanes();
  bool planesEmpty() const;
  void reactive(bool rainbow);
  void raindrops();
  void rainbowShift();
  void rippleWaves();
  void scriptedShow();
  void edgeRipples();
  void fixedColour();
  void ringWave();
  void custom();
  void snake();
  void twinkle(unsigned advanceBy);
  void blink(uint32_t nowMs, bool fourColours);
  void sweep();
  void fourColourBreathing();
  void external();
  void audio();
  void audioBars(unsigned style);
  void audioRings();
  void beatRipples();

  mutable std::mutex inputMutex_;
  Inputs pending_;      // guarded by inputMutex_
  Inputs in_;           // the light thread's copy
  ZoneColours work_;    // what the mode draws (light thread only)
  ZoneColours shown_;   // work_ with the overlays laid on (light thread only)
  ZoneColours frame_;   // the published picture
  UserSequencePlayer sequence_{work_};
  LightListEffects overlays_{shown_};
  // The millisecond clock as a monotonic time for the players: it keeps
  // counting across the 32-bit wrap of the millisecond value.
  SteadyTime time_{};
  uint32_t lastMs_ = 0;
  bool haveTime_ = false;
  std::mt19937 random_{0x7e55e1u};

  unsigned mode_ = 0xFFFF;
  unsigned stepCount_ = 0;
  std::optional<SteadyTime> levelsStep_;  // when fresh levels last stepped the audio mode
  uint8_t phase_ = 0;
  uint8_t secondCounter_ = 0;
  bool toggle_ = false;
  bool toggledOnce_ = false;
  uint32_t toggleTime_ = 0;
  uint8_t colourIndex_ = 0;
  int stage_ = 0;
  uint8_t bandOffset_ = 0;
  std::array<uint8_t, kPositions> level_{};
  std::array<uint8_t, kPositions> hue_{};
  std::array<uint8_t, kPositions> aux_{};
  std::array<uint8_t, kPositions> state_{};
  std::array<Rgb, kPositions> lit_{};
  std::array<std::array<uint8_t, keyboard_light::kColumns>, 4> planes_{};
  std::array<bool, keyboard_light::kColumns> latch_{};
};

}  // namespace tessel
