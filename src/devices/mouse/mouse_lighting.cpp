#include "devices/mouse/mouse_lighting.h"

#include <algorithm>

#include "device/base/light_thread.h"

namespace tessel {

namespace {

constexpr unsigned kFirstSequence = 10;
constexpr unsigned kModeStreamer = 5;
constexpr unsigned kModeFade = 6;
constexpr unsigned kWheelSize = 192;

unsigned index04(uint8_t value) { return std::min<unsigned>(value, 4); }

// The base's software effect of a mode position, if it is one of them.
std::optional<SoftwareEffect> baseEffect(unsigned mode) {
  switch (mode) {
    case 1: return SoftwareEffect::ColourWheel;
    case 2: return SoftwareEffect::Breathing;
    case 3: return SoftwareEffect::Static;
    case 4: return SoftwareEffect::Flashing;
    case 7: return SoftwareEffect::BreathingFourColours;
    case 8: return SoftwareEffect::FlashingFourColours;
    case 9: return SoftwareEffect::Off;
    default: return std::nullopt;
  }
}

uint32_t zone(Rgb c, unsigned level) {
  return packZone(c.r, c.g, c.b, static_cast<uint8_t>(std::min(level, 255u)));
}

}  // namespace

const std::array<std::vector<uint8_t>, MouseLighting::kGroupCount>& MouseLighting::groups() {
  static const std::array<std::vector<uint8_t>, kGroupCount> g{
      {{0, 13}, {1, 12}, {2, 11}, {3, 10}, {4, 9}, {5, 8}, {6, 14, 7}}};
  return g;
}

MouseLighting::MouseLighting(UsbDeviceController& device, RandomSource random)
    : device_(device),
      zones_(device.zones()),
      random_(std::move(random)),
      sequence_(device.zones()),
      lightList_(device.zones()) {}

void MouseLighting::setWake(std::function<void()> wake) {
  std::lock_guard lock(wakeMutex_);
  wake_ = std::move(wake);
}

void MouseLighting::notify() {
  std::function<void()> wake;
  {
    std::lock_guard lock(wakeMutex_);
    wake = wake_;
  }
  if (wake) wake();
}

void MouseLighting::setRecord(const LightRecord& record) {
  {
    std::lock_guard lock(mutex_);
    record_ = record;
    recordChanged_ = true;
    recordMode_ = record.selectItem;
  }
  notify();
}

LightRecord MouseLighting::record() const {
  std::lock_guard lock(mutex_);
  return record_;
}

void MouseLighting::setSequence(LightSequence steps) {
  {
    std::lock_guard lock(mutex_);
    newSequence_ = std::move(steps);
  }
  notify();
}

void MouseLighting::setLightList(std::vector<LightListEntry> entries) {
  {
    std::lock_guard lock(mutex_);
    newLightList_ = std::move(entries);
  }
  notify();
}

void MouseLighting::reload(SteadyTime now) {
  {
    std::lock_guard lock(mutex_);
    if (newSequence_) sequence_.setSteps(std::move(*newSequence_), now);
    else sequence_.restart(now);
    newSequence_.reset();
    if (newLightList_) lightList_.setEntries(std::move(*newLightList_), now);
    else lightList_.restart(now);
    newLightList_.reset();
  }
  notify();
}

void MouseLighting::keyEvent() {
  if (recordMode_.load() != kModeFade) return;
  keyPending_ = true;
  notify();
}

unsigned MouseLighting::phase() const {
  std::lock_guard lock(mutex_);
  return phase_;
}

unsigned MouseLighting::frameCount() const {
  std::lock_guard lock(mutex_);
  return frameCount_;
}

MouseLighting::FadeZone MouseLighting::fadeZone(size_t zone) const {
  std::lock_guard lock(mutex_);
  return zone < fade_.size() ? fade_[zone] : FadeZone{};
}

unsigned MouseLighting::randomIndex() {
  if (random_) return random_() % kWheelSize;
  // xorshift32: enough for colours, and the same run after run.
  seed_ ^= seed_ << 13;
  seed_ ^= seed_ >> 17;
  seed_ ^= seed_ << 5;
  return seed_ % kWheelSize;
}

uint8_t MouseLighting::brightnessEntry() const { return effect_tables::kBrightness[index04(record_.light)]; }

// ------------------------------------------------------------------ the turn

SteadyTime MouseLighting::turn(SteadyTime now) {
  std::lock_guard lock(mutex_);
  if (!device_.isConnected() || device_.synchronised()) {
    idle_ = true;
    return LightThread::kIdle;
  }
  bool stepNow = false;
  if (rebase_) {
    // The last turn slept until woken: passes start again from now.
    rebase_ = false;
    nextPass_ = now;
    frameCount_ = 0;
  }
  if (idle_) {
    // Back from idling: a new pass grid from now, and the picture at once.
    idle_ = false;
    nextPass_ = now;
    frameCount_ = 0;
    stepNow = true;
  }
  if (recordChanged_) {
    applyRecordLocked(now);
    recordChanged_ = false;
    stepNow = true;
  }
  if (newSequence_) {
    sequence_.setSteps(std::move(*newSequence_), now);
    newSequence_.reset();
  }
  if (newLightList_) {
    lightList_.setEntries(std::move(*newLightList_), now);
    newLightList_.reset();
  }
  const bool sequence = mode_ >= kFirstSequence;
  bool drawn = false;
  if (keyPending_.exchange(false) && mode_ == kModeFade) {
    startFadeLocked();
    showFadeLocked();
    drawn = true;
  }
  if (stepNow && !sequence) {
    frameCount_ = 0;
    modeStepLocked(mode_, now);
    drawn = true;
  }
  if (now >= nextPass_) {
    const auto passes = 1 + (now - nextPass_) / kAdvance;
    nextPass_ += passes * kAdvance;
    if (sequence) {
      sequence_.pass(now, record_.speed);
    } else {
      const unsigned period = kFramePeriod[index04(record_.speed)];
      frameCount_ = static_cast<unsigned>(std::min<decltype(passes)>(frameCount_ + passes, period));
      if (frameCount_ >= period) {
        frameCount_ = 0;
        modeStepLocked(mode_, now);
      }
    }
    lightList_.pass(now);
  } else if (drawn) {
    // The mode's step overwrote zones the light list drives: put them back
    // without moving the list's effects on.
    lightList_.repaint();
  }
  const SteadyTime next = nextDueLocked();
  rebase_ = next == LightThread::kIdle;
  return next;
}

SteadyTime MouseLighting::nextDueLocked() const {
  if (mode_ >= kFirstSequence || lightList_.animated()) return nextPass_;
  const bool fading = std::any_of(fade_.begin(), fade_.end(), [](const FadeZone& z) { return z.state != FadeState::Idle; });
  if (mode_ == 3 || mode_ == 9 || (mode_ == kModeFade && !fading)) {
    // Static, off and a faded-out fade look the same at every step: sleep
    // until something changes (a record, a key event).
    return LightThread::kIdle;
  }
  const unsigned period = kFramePeriod[index04(record_.speed)];
  return nextPass_ + (period - frameCount_ - 1) * kAdvance;
}

void MouseLighting::applyRecordLocked(SteadyTime now) {
  const LightRecord& r = record_;
  SoftwareEffectEngine& effects = device_.effects();
  effects.setForward(r.fx != 0);
  effects.setSpeedIndex(r.speed);
  effects.setBrightnessIndex(r.light);
  effects.setColourful(r.multiColor != 0);
  effects.setFixedColour({r.red, r.green, r.blue});
  const unsigned mode = r.selectItem;
  if (haveMode_ && mode == mode_) return;
  haveMode_ = true;
  mode_ = mode;
  phase_ = 0;
  fade_ = {};
  device_.clearAudioBuffers();
  if (const auto effect = baseEffect(mode)) effects.select(*effect);
  if (mode >= kFirstSequence) sequence_.restart(now);
}

void MouseLighting::modeStepLocked(unsigned mode, SteadyTime now) {
  switch (mode) {
    case 0: groupWaveLocked(); break;
    case kModeStreamer: streamerLocked(); break;
    case kModeFade:
      fadeStepLocked();
      showFadeLocked();
      break;
    default:
      if (baseEffect(mode)) device_.effects().step(now);
      break;
  }
}

void MouseLighting::stepPhase(unsigned limit) {
  if (phase_ >= limit) phase_ = 0;
  if (record_.fx != 0) phase_ = phase_ + 1 >= limit ? 0 : phase_ + 1;
  else phase_ = phase_ == 0 ? limit - 1 : phase_ - 1;
}

void MouseLighting::setGroup(size_t group, uint32_t record) {
  for (uint8_t z : groups()[group]) zones_.set(z, record);
}

// ------------------------------------------------------------ the mouse's own

void MouseLighting::groupWaveLocked() {
  const bool multi = record_.multiColor != 0;
  stepPhase(multi ? kWheelSize : 96);
  const unsigned level = brightnessEntry();
  const Rgb fixed{record_.red, record_.green, record_.blue};
  for (size_t g = 0; g < kGroupCount; ++g) {
    const unsigned at = phase_ + 1 + 7 * static_cast<unsigned>(g);
    if (multi) setGroup(g, zone(effect_tables::colourWheel()[at % kWheelSize], level));
    else setGroup(g, zone(fixed, level * effect_tables::breathingWave()[at % 96] / 256));
  }
}

void MouseLighting::streamerLocked() {
  const bool forward = record_.fx != 0;
  stepPhase(kWheelSize);
  // Bands 1..7 light the seven groups; the pulse enters from band 0 going
  // forward, from band 8 going backward. A pulse that has run round the 23
  // bands is filled up again as it enters, and an empty ring gets a new one,
  // so the streamer keeps running with nothing feeding the bands.
  const int entry = forward ? 0 : 8;
  bool empty = true;
  for (int b = 0; b < 23; ++b) empty = empty && device_.audioBand(b) == 0;
  if (empty || device_.audioBand(entry) != 0) device_.setAudioBand(entry, 255);
  device_.audioBandsFull();
  device_.audioBandRotate(forward);
  for (size_t g = 0; g < kGroupCount; ++g) device_.audioBandDecay(static_cast<int>(g) + 1, 5);

  const unsigned level = brightnessEntry();
  const bool multi = record_.multiColor != 0;
  const bool leading = device_.audioBand(forward ? 1 : 7) != 0;
  for (size_t g = 0; g < kGroupCount; ++g) {
    Rgb c{record_.red, record_.green, record_.blue};
    if (multi) {
      if (leading) {
        const uint32_t shown = zones_.get(groups()[g].front());
        c = {zoneRed(shown), zoneGreen(shown), zoneBlue(shown)};
      } else {
        phase_ = (phase_ + 12) % kWheelSize;
        c = effect_tables::colourWheel()[phase_];
      }
    }
    setGroup(g, zone(c, level * device_.audioBand(static_cast<int>(g) + 1) / 256));
  }
}

void MouseLighting::startFadeLocked() {
  for (FadeZone& z : fade_) {
    z.state = FadeState::Rising;
    z.level = 255;
    z.colourIndex = static_cast<uint8_t>(randomIndex());
  }
}

void MouseLighting::fadeStepLocked() {
  for (FadeZone& z : fade_) {
    if (z.state == FadeState::Rising) {
      z.level = static_cast<uint8_t>(std::min(255, z.level + 15));
      if (z.level == 255) z.state = FadeState::Falling;
    } else if (z.state == FadeState::Falling) {
      z.level = static_cast<uint8_t>(std::max(0, z.level - 15));
      if (z.level == 0) z.state = FadeState::Idle;
    }
  }
}

void MouseLighting::showFadeLocked() {
  const unsigned level = brightnessEntry();
  const Rgb fixed{record_.red, record_.green, record_.blue};
  for (size_t i = 0; i < fade_.size(); ++i) {
    const FadeZone& z = fade_[i];
    const Rgb c = record_.multiColor ? effect_tables::colourWheel()[z.colourIndex % kWheelSize] : fixed;
    zones_.set(i, zone(c, z.level * level / 256));
  }
}

}  // namespace tessel
