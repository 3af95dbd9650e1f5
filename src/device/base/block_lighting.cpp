#include "device/base/block_lighting.h"

#include <algorithm>

#include "device/base/light_thread.h"

namespace tessel {

namespace {

std::optional<SoftwareEffect> baseEffect(unsigned mode) {
  switch (mode) {
    case BlockLighting::kWheel: return SoftwareEffect::ColourWheel;
    case BlockLighting::kBreathing: return SoftwareEffect::Breathing;
    case BlockLighting::kStatic: return SoftwareEffect::Static;
    case BlockLighting::kFlashing: return SoftwareEffect::Flashing;
    case BlockLighting::kOff: return SoftwareEffect::Off;
    default: return std::nullopt;
  }
}

}  // namespace

BlockLighting::BlockLighting(UsbDeviceController& device, WaveParams wave)
    : device_(device), zones_(device.zones()), wave_(wave), sequence_(device.zones()), lightList_(device.zones()) {
  // The end of the synchronised effect must reach the zones without waiting.
  device_.setLightWake([this] { notify(); });
}

BlockLighting::~BlockLighting() { device_.setLightWake({}); }

void BlockLighting::setWake(std::function<void()> wake) {
  std::lock_guard lock(wakeMutex_);
  wake_ = std::move(wake);
}

void BlockLighting::notify() {
  std::function<void()> wake;
  {
    std::lock_guard lock(wakeMutex_);
    wake = wake_;
  }
  if (wake) wake();
}

void BlockLighting::setRecord(const LightRecord& record) {
  {
    std::lock_guard lock(mutex_);
    record_ = record;
    changed_ = true;
  }
  notify();
}

LightRecord BlockLighting::record() const {
  std::lock_guard lock(mutex_);
  return record_;
}

void BlockLighting::setImage(uint8_t mode, uint8_t speed) {
  {
    std::lock_guard lock(mutex_);
    mode_ = mode;
    speed_ = std::min<unsigned>(speed, 4);
    changed_ = true;
  }
  notify();
}

unsigned BlockLighting::modeByte() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

void BlockLighting::setSequence(LightSequence steps) {
  {
    std::lock_guard lock(mutex_);
    newSequence_ = std::move(steps);
  }
  notify();
}

void BlockLighting::setLightList(std::vector<LightListEntry> entries) {
  {
    std::lock_guard lock(mutex_);
    newLightList_ = std::move(entries);
  }
  notify();
}

FlowState BlockLighting::flowState() const {
  std::lock_guard lock(mutex_);
  return flow_;
}

void BlockLighting::setFlowState(const FlowState& state) {
  std::lock_guard lock(mutex_);
  flow_ = state;
}

unsigned BlockLighting::passCount() const {
  std::lock_guard lock(mutex_);
  return passCount_;
}

size_t BlockLighting::sequenceStep() const {
  std::lock_guard lock(mutex_);
  return sequence_.currentStep();
}

unsigned BlockLighting::interval() const { return kInterval[std::min<unsigned>(speed_, 4)]; }

// ------------------------------------------------------------------ the turn

SteadyTime BlockLighting::turn(SteadyTime now) {
  std::lock_guard lock(mutex_);
  if (!device_.isConnected() || device_.synchronised()) {
    idle_ = true;
    return LightThread::kIdle;
  }
  bool stepNow = false;
  if (rebase_ || idle_) {
    // Back from sleeping until woken: a new pass grid from now.
    rebase_ = false;
    nextPass_ = now;
    passCount_ = 0;
    stepNow = idle_;
    idle_ = false;
  }
  if (changed_) {
    applyChangesLocked(now);
    changed_ = false;
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
  const bool sequence = playsSequence(mode_);
  if (stepNow && !sequence) {
    // A change shows at once; the pass count starts again from it, and the
    // zones the light list drives are put back without moving its effects on.
    stepLocked(now);
    passCount_ = 0;
    nextPass_ = now + kAdvance;
    lightList_.repaint();
  } else if (now >= nextPass_) {
    const auto passes = 1 + (now - nextPass_) / kAdvance;
    nextPass_ += passes * kAdvance;
    if (sequence) {
      sequence_.pass(now, record_.speed);
    } else {
      // A late turn runs one step and keeps the passes past it, so the steps
      // stay on their grid instead of drifting by the lateness.
      const auto count = passCount_ + passes;
      passCount_ = static_cast<unsigned>(count % interval());
      if (count >= interval()) stepLocked(now);
    }
    lightList_.pass(now);
  }
  const SteadyTime next = nextDueLocked();
  rebase_ = next == LightThread::kIdle;
  return next;
}

SteadyTime BlockLighting::nextDueLocked() const {
  if (playsSequence(mode_) || lightList_.animated()) return nextPass_;
  // Static and off look the same at every step: sleep until something changes.
  if (mode_ == kStatic || mode_ == kOff) return LightThread::kIdle;
  return nextPass_ + (interval() - passCount_ - 1) * kAdvance;
}

void BlockLighting::applyChangesLocked(SteadyTime now) {
  const LightRecord& r = record_;
  SoftwareEffectEngine& effects = device_.effects();
  effects.setForward(r.fx != 0);
  effects.setSpeedIndex(r.speed);
  effects.setBrightnessIndex(r.light);
  effects.setColourful(r.multiColor != 0);
  effects.setFixedColour({r.red, r.green, r.blue});
  if (haveMode_ && shownMode_ == mode_) return;
  haveMode_ = true;
  shownMode_ = mode_;
  flow_ = {};
  if (const auto effect = baseEffect(mode_)) effects.select(*effect);
  if (playsSequence(mode_)) sequence_.restart(now);
}

void BlockLighting::stepLocked(SteadyTime now) {
  switch (mode_) {
    case kWave: waveStep(zones_, flow_, wave_, record_); break;
    case kBandFlow: bandFlowStep(zones_, flow_, wave_.zones, record_); break;
    case kMirroredBandFlow: mirroredBandFlowStep(zones_, flow_, wave_.zones, record_); break;
    default:
      if (baseEffect(mode_)) device_.effects().step(now);
      break;
  }
}

}  // namespace tessel
