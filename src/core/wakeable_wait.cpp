#include "core/wakeable_wait.h"

#include <condition_variable>
#include <mutex>

namespace tessel {

struct WakeableWait::State {
  std::mutex mutex;
  std::condition_variable_any cv;          // the sleeper waits here
  mutable std::condition_variable asleepCv;  // tests wait here for the sleeper
  bool woken = false;                      // a wake() not yet consumed
  bool fired = false;                      // the manual clock reached the due time
  bool asleep = false;
  uint64_t generation = 0;                 // which wait a clock task belongs to
};

WakeableWait::WakeableWait(Clock& clock)
    : clock_(clock), manual_(dynamic_cast<ManualClock*>(&clock)), state_(std::make_shared<State>()) {}

WakeableWait::~WakeableWait() = default;

WakeableWait::Reason WakeableWait::waitUntil(SteadyTime due, std::stop_token stop) {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  if (stop.stop_requested()) return Reason::Stopped;
  if (s.woken) {
    s.woken = false;
    return Reason::Woken;
  }
  if (due != kNever && clock_.now() >= due) return Reason::Due;

  const uint64_t generation = ++s.generation;
  s.fired = false;
  Scheduler::TimerId timer = 0;
  if (manual_ && due != kNever) {
    // The task may outlive this object inside a running advance(): it holds
    // the state, not the object, and does nothing for an older wait.
    const Millis delay = std::chrono::ceil<Millis>(due - clock_.now());
    timer = manual_->scheduleAfter(delay, [state = state_, generation] {
      std::lock_guard taskLock(state->mutex);
      if (state->generation != generation) return;
      state->fired = true;
      state->asleep = false;
      state->cv.notify_all();
    });
  }

  s.asleep = true;
  s.asleepCv.notify_all();
  auto ready = [&] { return s.woken || s.fired; };
  if (manual_ || due == kNever) s.cv.wait(lock, stop, ready);
  else s.cv.wait_until(lock, stop, due, ready);
  s.asleep = false;
  ++s.generation;  // a task of this wait that is still queued does nothing now

  Reason reason = Reason::Due;
  if (stop.stop_requested()) reason = Reason::Stopped;
  else if (s.woken) {
    s.woken = false;
    reason = Reason::Woken;
  }
  s.fired = false;
  lock.unlock();
  if (timer) manual_->cancel(timer);
  return reason;
}

void WakeableWait::wake() {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  s.woken = true;
  s.asleep = false;
  s.cv.notify_all();
}

bool WakeableWait::waitUntilAsleep(Millis bound) const {
  State& s = *state_;
  std::unique_lock lock(s.mutex);
  return s.asleepCv.wait_for(lock, bound, [&] { return s.asleep; });
}

}  // namespace tessel
