#pragma once
// Software lighting effects computed on the host, the zone colour array they
// write, and the live colour frame built from it.
//
// The effect thread writes zone records while the UI thread reads them for the
// light tick, so every record is an atomic 32-bit value (red, green, blue,
// brightness from the low byte up). A frame may still mix two effect steps,
// which is harmless.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tessel {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A zone record packed as red | green << 8 | blue << 16 | brightness << 24.
constexpr uint32_t packZone(uint8_t r, uint8_t g, uint8_t b, uint8_t brightness) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(brightness) << 24;
}
constexpr uint8_t zoneRed(uint32_t z) { return z & 0xFF; }
constexpr uint8_t zoneGreen(uint32_t z) { return (z >> 8) & 0xFF; }
constexpr uint8_t zoneBlue(uint32_t z) { return (z >> 16) & 0xFF; }
constexpr uint8_t zoneBrightness(uint32_t z) { return (z >> 24) & 0xFF; }

namespace effect_tables {
const std::array<Rgb, 4>& fourColours();
const std::array<Rgb, 192>& colourWheel();
const std::array<uint8_t, 128>& breathingCurve();
// The 96-entry breathing wave of the wave effects (mouse group wave, user
// sequence wave): 48 rising values from 22 to 255, then the same in reverse.
const std::array<uint8_t, 96>& breathingWave();
inline constexpr std::array<uint8_t, 5> kBrightness{0, 80, 135, 195, 255};
inline constexpr std::array<uint8_t, 5> kFlashPeriod{28, 23, 18, 13, 7};  // units of 200 ms
}  // namespace effect_tables

// The most zones a live colour frame carries (three bytes each).
inline constexpr size_t kMaxFrameZones = 170;

class ZoneColours {
 public:
  explicit ZoneColours(size_t count = 0) { resize(count); }
  // Not thread-safe against concurrent readers: call while no effect runs.
  void resize(size_t count);
  size_t size() const { return count_; }
  // Out-of-range indices are ignored (set) or read as 0 (get).
  void set(size_t index, uint32_t record);
  uint32_t get(size_t index) const;
  void fill(uint32_t record);
  // The live colour frame: three bytes per zone (red, green, blue each scaled
  // by brightness / 256), for at most kMaxFrameZones zones.
  std::vector<uint8_t> frame() const;
  // `call` runs (on the thread that set the zone) at the first change of a
  // zone after arm(), once per arm: the light tick sleeps while the picture
  // stands still. Set it before any effect runs.
  void setOnChange(std::function<void()> call) { onChange_ = std::move(call); }
  void arm() { armed_.store(true, std::memory_order_release); }

 private:
  void changed() {
    if (armed_.load(std::memory_order_relaxed) && armed_.exchange(false) && onChange_) onChange_();
  }

  std::unique_ptr<std::atomic<uint32_t>[]> zones_;
  size_t count_ = 0;
  std::function<void()> onChange_;
  std::atomic<bool> armed_{false};
};

enum class SoftwareEffect { Breathing, BreathingFourColours, Static, ColourWheel, Flashing, FlashingFourColours, Off };

// The state of the software effect of one device and its steps. One thread
// steps it (the device's effect thread); settings may be changed from another:
// the setters are atomic, and the selected effect with its step state (phase,
// colour index, flash state) is locked, so select() may run while a step does.
class SoftwareEffectEngine {
 public:
  explicit SoftwareEffectEngine(ZoneColours& zones) : zones_(zones) {}

  void setForward(bool forward) { forward_ = forward; }
  // Indices from documents or devices are clamped to 0..4.
  void setSpeedIndex(int index);
  void setBrightnessIndex(int index);
  void setColourful(bool colourful) { colourful_ = colourful; }
  void setFixedColour(Rgb colour);
  // Starts an effect from its first step (phase and colour index reset).
  void select(SoftwareEffect effect);
  SoftwareEffect selected() const;

  // One step of the selected effect; every zone gets the same colour.
  void step(std::chrono::steady_clock::time_point now);

  // The individual steps (also used by the synchronised lighting).
  void breathing();
  void breathingFourColours();
  void staticColour();
  void colourWheel();
  void flashing(std::chrono::steady_clock::time_point now);
  void flashingFourColours(std::chrono::steady_clock::time_point now);
  void off();

  unsigned phase() const;
  unsigned colourIndex() const;
  void setPhase(unsigned phase);
  bool flashOn() const;

 private:
  // The step bodies; the caller holds mutex_.
  void breathingLocked();
  void breathingFourColoursLocked();
  void staticColourLocked();
  void colourWheelLocked();
  void flashingLocked(std::chrono::steady_clock::time_point now);
  void flashingFourColoursLocked(std::chrono::steady_clock::time_point now);
  void stepPhase(unsigned limit);
  bool flashDue(std::chrono::steady_clock::time_point now);
  uint8_t brightness() const { return effect_tables::kBrightness[brightnessIndex_.load()]; }
  Rgb fixed() const;

  ZoneColours& zones_;
  std::atomic<bool> forward_{true};
  std::atomic<int> speedIndex_{0};
  std::atomic<int> brightnessIndex_{4};
  std::atomic<bool> colourful_{false};
  std::atomic<uint32_t> fixed_{0};
  mutable std::mutex mutex_;  // guards the members below
  SoftwareEffect effect_ = SoftwareEffect::Static;
  unsigned phase_ = 0;
  unsigned colourIndex_ = 0;
  bool flashOn_ = false;
  bool toggledOnce_ = false;
  std::chrono::steady_clock::time_point lastToggle_{};
};

// One step of the decay of an audio band level. Curve 0 and 29 have their own
// rules; any other curve uses the default. Never goes below 0.
uint8_t audioBandDecay(uint8_t value, int curve);

// The pages of "device_function_switch" (F) and "device_key_function_switch"
// (K) for a function mode; K is -1 when it stays unchanged.
struct FunctionModePages {
  int function;
  int keyFunction;
};
FunctionModePages functionModePages(int mode, uint16_t typeCode);

}  // namespace tessel
