#pragma once
// The synchronised effect: one light effect the main window computes on a
// thread of its own and writes into every light zone of every device whose
// synchronised flag is set, whatever its kind. "deng_same_mode" on any light
// editor fills the settings; the devices' own effects pause while their flag
// is set and the tile's light tick sends the zones as live frames.
//
// Pacing. One pass is one clock advance of kAdvance (15.625 ms). A step runs
// every kPassCount[speed index] passes; between steps the thread sleeps until
// the next one is due. With no synchronised device that is connected it
// looks once a second (kIdleLook) and computes nothing; a mode outside 0..4
// computes nothing either. wake() makes it look at once (new settings, a
// device newly synchronised).
//
// Threads: setSettings() and add()/remove() come from the UI thread, the
// turns run on the thread. Settings sit behind a lock of their own; the
// device list behind another, held for a whole step, so remove() returns only
// once no step touches the device any more.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/light_thread.h"
#include "device/base/software_effects.h"

namespace tessel {

class UsbDeviceController;

// The synchronised settings: written by "deng_same_mode", all 0 at start.
struct SynchronisedSettings {
  enum Mode : uint8_t { kBreathing = 0, kStatic = 1, kFlashing = 2, kColourWheel = 3, kOff = 4 };
  uint8_t mode = 0;
  uint8_t brightnessIndex = 0;  // into effect_tables::kBrightness
  uint8_t speedIndex = 0;       // into the pass counts and effect_tables::kFlashPeriod
  uint8_t direction = 0;        // non-zero: the breathing phase counts up
  uint8_t colourful = 0;        // non-zero: colours come from the colour wheel
  Rgb colour;                   // used when not colourful
  bool operator==(const SynchronisedSettings&) const = default;

  // The settings of the common kind `kind` (0..4) with the light record's
  // brightness, speed, direction, multi-colour flag and colour. Indices past
  // the tables (a hand-edited document) are brought back to 0..4.
  static SynchronisedSettings fromLightRecord(const LightRecord& record, int kind);
};

// What the thread keeps between steps; each mode has its own values.
struct SynchronisedStepState {
  uint8_t breathingPhase = 0;   // 0..127
  uint8_t breathingColour = 0;  // 0..191, steps of 16
  uint8_t flashPosition = 0;    // 0..191, steps of 14
  bool flashOn = false;
  std::optional<SteadyTime> lastToggle;  // none before the first toggle
  uint8_t wheelPosition = 0;    // 0..191
};

// One step of `settings.mode` at `now`: the colour record (packZone) every
// zone gets, or nullopt for a mode outside 0..4.
std::optional<uint32_t> synchronisedStep(const SynchronisedSettings& settings, SynchronisedStepState& state,
                                         SteadyTime now);

class SynchronisedLighting {
 public:
  static constexpr std::chrono::microseconds kAdvance{15625};
  static constexpr std::array<uint8_t, 5> kPassCount{28, 23, 18, 13, 7};
  static constexpr Millis kIdleLook{1000};

  explicit SynchronisedLighting(Clock& clock = SystemClock::instance());
  ~SynchronisedLighting();
  SynchronisedLighting(const SynchronisedLighting&) = delete;
  SynchronisedLighting& operator=(const SynchronisedLighting&) = delete;

  void start();
  // Ends the thread (a step in progress finishes) with the debug line
  // "同步灯光线程设定退出". Nothing happens when it is not running.
  void stop();
  bool running() const { return thread_.running(); }

  // The device list (all four kinds). remove() waits for a step in progress,
  // so the caller may destroy the device once it returns.
  void add(UsbDeviceController* device);
  void remove(UsbDeviceController* device);
  size_t deviceCount() const;

  void setSettings(const SynchronisedSettings& settings);
  SynchronisedSettings settings() const;
  // Look again at once (a device was synchronised).
  void wake() { thread_.wake(); }

  // One turn at `now` (what the thread runs); returns when the next is due.
  SteadyTime turn(SteadyTime now);

  // Counters: turns that found no synchronised connected device, and steps.
  uint64_t idleLooks() const { return idleLooks_.load(); }
  uint64_t steps() const { return steps_.load(); }
  // For tests: blocks until the thread sleeps between turns.
  bool waitUntilAsleep(Millis bound = Millis(5000)) const { return thread_.waitUntilAsleep(bound); }

 private:
  Clock& clock_;
  mutable std::mutex settingsMutex_;
  SynchronisedSettings settings_;
  mutable std::mutex devicesMutex_;  // the list, held for a whole turn
  std::vector<UsbDeviceController*> devices_;
  // Touched by turns only (under devicesMutex_).
  SynchronisedStepState state_;
  SteadyTime nextPass_{};
  unsigned passCount_ = 0;
  bool rebase_ = true;
  std::atomic<uint64_t> idleLooks_{0};
  std::atomic<uint64_t> steps_{0};
  LightThread thread_;  // last: stopped before the members above go
};

}  // namespace tessel
