#pragma once
// Sleeping until a due time on the injected clock, cut short by wake() or by
// a stop request. Light threads sleep here between their steps instead of
// waking every millisecond.
//
// On the real clock the sleep is a condition-variable wait until the due
// time. On a ManualClock time moves only when a test advances it, so the wait
// schedules a one-shot task on the clock at the due time (rounded up to the
// millisecond) and sleeps until that task, wake() or the stop request. The
// task runs inside ManualClock::advance on the test's thread and marks the
// sleeper awake before advance returns, which is what lets a test advance,
// wait until the sleeper is asleep again, and look at the result without any
// race.
#include <cstdint>
#include <memory>
#include <stop_token>

#include "core/clock.h"

namespace tessel {

class WakeableWait {
 public:
  enum class Reason { Due, Woken, Stopped };
  // A due time of kNever sleeps until woken or stopped.
  static constexpr SteadyTime kNever = SteadyTime::max();

  explicit WakeableWait(Clock& clock);
  ~WakeableWait();
  WakeableWait(const WakeableWait&) = delete;
  WakeableWait& operator=(const WakeableWait&) = delete;

  // One sleeper at a time. A wake() that came while nobody slept is kept: the
  // next wait returns Woken at once. A stop request wins over everything.
  Reason waitUntil(SteadyTime due, std::stop_token stop);
  void wake();

  // For tests: blocks until the sleeper is asleep (in waitUntil, with no wake
  // pending and its due time not reached), or `bound` of real time passed.
  bool waitUntilAsleep(Millis bound) const;

 private:
  struct State;
  Clock& clock_;
  ManualClock* manual_;  // the clock when it is a ManualClock
  std::shared_ptr<State> state_;
};

}  // namespace tessel
