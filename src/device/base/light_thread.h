#pragma once
// The light thread of a device: it runs the device's light turn, sleeps until
// the time the turn asked for, and runs it again. It never polls: between
// steps it sleeps on the injected clock (core/wakeable_wait.h), and wake()
// makes it run a turn at once (a key event, a changed light record, the
// device opened). A turn that returns kIdle sleeps until woken (the device is
// closed, or it shows the synchronised effect). stop() ends it at once, even
// while it sleeps.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "core/clock.h"
#include "core/wakeable_wait.h"

namespace tessel {

class LightThread {
 public:
  // One turn of the device's lighting at `now`; returns when the next is due.
  using Turn = std::function<SteadyTime(SteadyTime now)>;
  static constexpr SteadyTime kIdle = WakeableWait::kNever;

  // `name` is for debug lines; `threadName` (15 bytes at most) for the system.
  explicit LightThread(Clock& clock, std::string name = "light thread", std::string threadName = "light");
  ~LightThread();
  LightThread(const LightThread&) = delete;
  LightThread& operator=(const LightThread&) = delete;

  // Starts the thread; its first turn runs at once. A running thread is
  // stopped first (the new turn replaces the old).
  void start(Turn turn);
  // Ends the thread: a sleeping thread wakes at once, a running turn finishes.
  void stop();
  // Runs a turn at once (callable from any thread; kept when the thread is
  // inside a turn, so the change is seen by the turn after).
  void wake();
  bool running() const { return running_.load(); }
  // Turns run since the last start.
  uint64_t turns() const { return turns_.load(); }

  // For tests: blocks until the thread sleeps between turns (or `bound` of
  // real time passed, answering false).
  bool waitUntilAsleep(Millis bound = Millis(5000)) const;

 private:
  void run(std::stop_token stop, Turn turn);

  Clock& clock_;
  std::string name_, threadName_;
  WakeableWait wait_;
  std::atomic<bool> running_{false};
  std::atomic<uint64_t> turns_{0};
  std::jthread thread_;
};

}  // namespace tessel
