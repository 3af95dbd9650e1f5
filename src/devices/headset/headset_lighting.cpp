#include "devices/headset/headset_lighting.h"

#include <algorithm>

#include "device/base/light_thread.h"

namespace tessel::headset {

namespace {

// The device base's software effect of a mode position, if it is one of them.
std::optional<SoftwareEffect> baseEffect(unsigned mode) {
  switch (mode) {
    case 1: return SoftwareEffect::ColourWheel;
    case 2: return SoftwareEffect::Breathing;
    case 3: return SoftwareEffect::Static;
    case 4: return SoftwareEffect::Flashing;
    case 8: return SoftwareEffect::Off;
    default: return std::nullopt;
  }
}

}  // namespace

HeadsetLighting::HeadsetLighting(UsbDeviceController& device)
    : device_(device), zones_(device.zones()), sequence_(device.zones()), lightList_(device.zones()) {
  // The end of the synchronised effect must reach the zones without waiting.
  device_.setLightWake([this] { notify(); });
}

HeadsetLighting::~HeadsetLighting() { device_.setLightWake({}); }

void HeadsetLighting::setWake(std::function<void()> wake) {
  std::lock_guard lock(wakeMutex_);
  wake_ = std::move(wake);
}

void HeadsetLighting::notify() {
  std::function<void()> wake;
  {
    std::lock_guard lock(wakeMutex_);
    wake = wake_;
  }
  if (wake) wake();
}

void HeadsetLighting::setRecord(const LightRecord& record) {
  {
    std::lock_guard lock(mutex_);
    if (record == record_ && !changed_) return;
    record_ = record;
    changed_ = true;
  }
  notify();
}

LightRecord HeadsetLighting::record() const {
  std::lock_guard lock(mutex_);
  return record_;
}

void HeadsetLighting::setDispatch(uint8_t mode, uint8_t speed) {
  {
    std::lock_guard lock(mutex_);
    const unsigned bounded = std::min<unsigned>(speed, 4);
    if (mode == mode_ && bounded == speed_ && !changed_) return;
    if (mode != mode_) modeChanged_ = true;
    mode_ = mode;
    speed_ = bounded;
    changed_ = true;
  }
  notify();
}

uint8_t HeadsetLighting::mode() const {
  std::lock_guard lock(mutex_);
  return static_cast<uint8_t>(mode_);
}

void HeadsetLighting::reload(LightSequence sequence, std::vector<LightListEntry> lightList) {
  {
    std::lock_guard lock(mutex_);
    newSequence_ = std::move(sequence);
    newLightList_ = std::move(lightList);
  }
  notify();
}

FlowState HeadsetLighting::flowState() const {
  std::lock_guard lock(mutex_);
  return flow_;
}

void HeadsetLighting::setFlowState(const FlowState& state) {
  std::lock_guard lock(mutex_);
  flow_ = state;
}

unsigned HeadsetLighting::passCount() const {
  std::lock_guard lock(mutex_);
  return passCount_;
}

// ------------------------------------------------------------------ the turn

SteadyTime HeadsetLighting::turn(SteadyTime now) {
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
    passCount_ = 0;
  }
  if (idle_) {
    // Back from idling: a new pass grid from now, and the picture at once.
    idle_ = false;
    nextPass_ = now;
    passCount_ = 0;
    stepNow = true;
  }
  if (newSequence_) {
    sequence_.setSteps(std::move(*newSequence_), now);
    newSequence_.reset();
    stepNow = true;
  }
  if (newLightList_) {
    lightList_.load(std::move(*newLightList_), now);
    newLightList_.reset();
    stepNow = true;
  }
  if (changed_) {
    applyRecordLocked();
    if (modeChanged_ && sequenceMode()) sequence_.restart(now);
    modeChanged_ = false;
    changed_ = false;
    stepNow = true;
  }
  if (stepNow) {
    // A step out of turn takes this pass: the pass count starts again from
    // it, and the light list zones are put back without moving them on.
    if (sequenceMode()) sequence_.pass(now, static_cast<int>(speed_));
    else stepLocked(now);
    passCount_ = 0;
    nextPass_ = now + kAdvance;
    lightList_.repaint();
  } else if (now >= nextPass_) {
    const auto passes = 1 + (now - nextPass_) / kAdvance;
    nextPass_ += passes * kAdvance;
    if (sequenceMode()) {
      sequence_.pass(now, static_cast<int>(speed_));
    } else {
      // A late turn runs one step and keeps the passes past it, so the
      // steps stay on their grid instead of drifting by the lateness.
      const unsigned period = kInterval[speed_];
      const auto count = passCount_ + passes;
      passCount_ = static_cast<unsigned>(count % period);
      if (count >= period) stepLocked(now);
    }
    lightList_.pass(now);
  }
  const SteadyTime next = nextDueLocked();
  rebase_ = next == LightThread::kIdle;
  return next;
}

SteadyTime HeadsetLighting::nextDueLocked() const {
  if (sequenceMode() || lightList_.animated()) return nextPass_;
  // Static and off look the same at every step: sleep until something changes.
  if (mode_ == kModeStatic || mode_ == kModeOff) return LightThread::kIdle;
  const unsigned period = kInterval[speed_];
  return nextPass_ + (period - passCount_ - 1) * kAdvance;
}

void HeadsetLighting::applyRecordLocked() {
  const LightRecord& r = record_;
  SoftwareEffectEngine& effects = device_.effects();
  effects.setForward(r.fx != 0);
  effects.setSpeedIndex(static_cast<int>(speed_));
  effects.setBrightnessIndex(r.light);
  effects.setColourful(r.multiColor != 0);
  effects.setFixedColour({r.red, r.green, r.blue});
  if (!modeChanged_) return;
  // Phase, step counter, bands and levels all start at 0 with a new mode.
  flow_ = FlowState{};
  if (const auto effect = baseEffect(mode_)) effects.select(*effect);
}

void HeadsetLighting::stepLocked(SteadyTime now) {
  switch (mode_) {
    case kModeWave: waveStep(zones_, flow_, kHeadsetWave, record_); break;
    case kModeBandFlow: bandFlowStep(zones_, flow_, kZoneCount, record_); break;
    case kModeMirroredBandFlow: mirroredBandFlowStep(zones_, flow_, kZoneCount, record_); break;
    default:
      if (baseEffect(mode_)) device_.effects().step(now);
      break;
  }
}

}  // namespace tessel::headset
