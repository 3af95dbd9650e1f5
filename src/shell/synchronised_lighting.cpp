#include "shell/synchronised_lighting.h"

#include <algorithm>

#include "device/base/usb_device_controller.h"
#include "platform/debug.h"

namespace tessel {

namespace {

uint8_t tableIndex(uint8_t value) { return std::min<uint8_t>(value, 4); }

constexpr uint8_t kWheelSize = 192;
constexpr uint8_t kBreathingSize = 128;

}  // namespace

SynchronisedSettings SynchronisedSettings::fromLightRecord(const LightRecord& record, int kind) {
  SynchronisedSettings s;
  s.mode = static_cast<uint8_t>(std::clamp(kind, 0, 255));
  s.brightnessIndex = tableIndex(record.light);
  s.speedIndex = tableIndex(record.speed);
  s.direction = record.fx;
  s.colourful = record.multiColor;
  s.colour = {record.red, record.green, record.blue};
  return s;
}

std::optional<uint32_t> synchronisedStep(const SynchronisedSettings& settings, SynchronisedStepState& state,
                                         SteadyTime now) {
  using namespace effect_tables;
  const uint8_t brightness = kBrightness[tableIndex(settings.brightnessIndex)];
  const Rgb fixed = settings.colour;
  switch (settings.mode) {
    case SynchronisedSettings::kBreathing: {
      if (settings.direction != 0)
        state.breathingPhase = static_cast<uint8_t>((state.breathingPhase + 1) % kBreathingSize);
      else
        state.breathingPhase = state.breathingPhase == 0 ? kBreathingSize - 1 : state.breathingPhase - 1;
      if (settings.colourful != 0 && state.breathingPhase <= 1) {
        state.breathingColour = static_cast<uint8_t>(state.breathingColour + 16);
        if (state.breathingColour >= kWheelSize) state.breathingColour = 0;
      }
      const Rgb c = settings.colourful != 0 ? colourWheel()[state.breathingColour % kWheelSize] : fixed;
      const auto level = static_cast<uint8_t>((brightness * breathingCurve()[state.breathingPhase]) >> 8);
      return packZone(c.r, c.g, c.b, level);
    }
    case SynchronisedSettings::kStatic:
      return packZone(fixed.r, fixed.g, fixed.b, brightness);
    case SynchronisedSettings::kFlashing: {
      const Millis period = Millis(200) * kFlashPeriod[tableIndex(settings.speedIndex)];
      if (!state.lastToggle || now - *state.lastToggle >= period) {
        state.flashOn = !state.flashOn;
        state.lastToggle = now;
        const unsigned next = state.flashPosition + 14u;
        state.flashPosition = next >= kWheelSize ? 0 : static_cast<uint8_t>(next);
      }
      if (!state.flashOn) return packZone(0, 0, 0, 0);
      const Rgb c = settings.colourful != 0 ? colourWheel()[state.flashPosition] : fixed;
      return packZone(c.r, c.g, c.b, brightness);
    }
    case SynchronisedSettings::kColourWheel: {
      state.wheelPosition = static_cast<uint8_t>((state.wheelPosition + 1) % kWheelSize);
      const Rgb c = colourWheel()[state.wheelPosition];
      return packZone(c.r, c.g, c.b, brightness);
    }
    case SynchronisedSettings::kOff:
      return packZone(0, 0, 0, 0);
    default:
      return std::nullopt;
  }
}

SynchronisedLighting::SynchronisedLighting(Clock& clock)
    : clock_(clock), thread_(clock, "synchronised lighting", "light sync") {}

SynchronisedLighting::~SynchronisedLighting() { stop(); }

void SynchronisedLighting::start() {
  {
    std::lock_guard lock(devicesMutex_);
    rebase_ = true;
  }
  thread_.start([this](SteadyTime now) { return turn(now); });
}

void SynchronisedLighting::stop() {
  if (!thread_.running()) return;
  thread_.stop();
  debugLine("同步灯光线程设定退出");
}

void SynchronisedLighting::add(UsbDeviceController* device) {
  if (!device) return;
  {
    std::lock_guard lock(devicesMutex_);
    if (std::find(devices_.begin(), devices_.end(), device) != devices_.end()) return;
    devices_.push_back(device);
  }
  thread_.wake();
}

void SynchronisedLighting::remove(UsbDeviceController* device) {
  std::lock_guard lock(devicesMutex_);
  devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
}

size_t SynchronisedLighting::deviceCount() const {
  std::lock_guard lock(devicesMutex_);
  return devices_.size();
}

void SynchronisedLighting::setSettings(const SynchronisedSettings& settings) {
  {
    std::lock_guard lock(settingsMutex_);
    settings_ = settings;
  }
  {
    // The next turn shows the new settings at once and counts from there.
    std::lock_guard lock(devicesMutex_);
    rebase_ = true;
  }
  thread_.wake();
}

SynchronisedSettings SynchronisedLighting::settings() const {
  std::lock_guard lock(settingsMutex_);
  return settings_;
}

SteadyTime SynchronisedLighting::turn(SteadyTime now) {
  std::lock_guard lock(devicesMutex_);
  // Read under the list's lock: new settings set rebase_ after they are
  // stored, so a turn that saw rebase_ sees them too.
  const SynchronisedSettings settings = this->settings();
  const bool active = std::any_of(devices_.begin(), devices_.end(), [](const UsbDeviceController* d) {
    return d->synchronised() && d->isConnected();
  });
  if (!active || settings.mode > SynchronisedSettings::kOff) {
    // Nothing to show (or nothing to compute): look again in a second, and
    // start a new pass grid when something shows.
    if (!active) idleLooks_.fetch_add(1);
    rebase_ = true;
    return now + kIdleLook;
  }
  const unsigned interval = kPassCount[tableIndex(settings.speedIndex)];
  bool step = false;
  if (rebase_) {
    // Newly synchronised devices or new settings show at once.
    rebase_ = false;
    nextPass_ = now + kAdvance;
    passCount_ = 0;
    step = true;
  } else if (now >= nextPass_) {
    // A late turn keeps the step grid instead of drifting by its lateness.
    const auto passes = static_cast<unsigned>(1 + (now - nextPass_) / kAdvance);
    nextPass_ += passes * kAdvance;
    const unsigned count = passCount_ + passes;
    passCount_ = count % interval;
    step = count >= interval;
  }
  if (step) {
    if (const auto record = synchronisedStep(settings, state_, now)) {
      steps_.fetch_add(1);
      for (UsbDeviceController* d : devices_) {
        if (!d->synchronised()) continue;
        for (int zone = 0; zone < d->lightZoneCount(); ++zone) d->setZoneColour(zone, *record);
      }
    }
  }
  return nextPass_ + (interval - passCount_ - 1) * kAdvance;
}

}  // namespace tessel
