#pragma once
// Injected time. Every timer, sleep and tick of the program goes through a
// Clock and a Scheduler so that tests can run a 5000 ms battery timer in no
// time at all with ManualClock.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace tessel {

using Millis = std::chrono::milliseconds;
using SteadyTime = std::chrono::steady_clock::time_point;
using WallTime = std::chrono::system_clock::time_point;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual SteadyTime now() const = 0;      // monotonic time for intervals
  virtual WallTime wallNow() const = 0;    // calendar time for identifiers
  virtual void sleepFor(Millis duration) = 0;
};

class Scheduler {
 public:
  using TimerId = uint64_t;
  using Task = std::function<void()>;
  virtual ~Scheduler() = default;
  // One-shot task after `delay`. Ids are never 0.
  virtual TimerId scheduleAfter(Millis delay, Task task) = 0;
  // Repeating task every `period` until cancelled.
  virtual TimerId scheduleEvery(Millis period, Task task) = 0;
  // Cancels a pending task; a task that is running finishes. Unknown ids are ignored.
  virtual void cancel(TimerId id) = 0;
};

// The real clock.
class SystemClock final : public Clock {
 public:
  SteadyTime now() const override { return std::chrono::steady_clock::now(); }
  WallTime wallNow() const override { return std::chrono::system_clock::now(); }
  void sleepFor(Millis duration) override { std::this_thread::sleep_for(duration); }
  static SystemClock& instance();
};

// Time that moves only when a test says so. advance() runs every task that
// falls due, in due-time order, with now() set to each task's due time.
// sleepFor() moves time forward too (and runs what falls due), so code that
// sleeps finishes at once. Thread-safe; tasks run on the thread that advances.
class ManualClock final : public Clock, public Scheduler {
 public:
  // Starts at 2026-03-04 05:06:07.089 UTC unless told otherwise.
  ManualClock();
  explicit ManualClock(WallTime start);

  SteadyTime now() const override;
  WallTime wallNow() const override;
  void sleepFor(Millis duration) override { advance(duration); }

  TimerId scheduleAfter(Millis delay, Task task) override;
  TimerId scheduleEvery(Millis period, Task task) override;
  void cancel(TimerId id) override;

  void advance(Millis duration);
  void setWallTime(WallTime t);
  size_t pendingTasks() const;

 private:
  struct Entry {
    SteadyTime due;
    Millis period{0};
    std::shared_ptr<Task> task;
  };
  TimerId add(Millis delay, Millis period, Task task);

  mutable std::mutex mutex_;
  SteadyTime steady_;
  WallTime wall_;
  TimerId nextId_ = 1;
  uint64_t sequence_ = 0;
  // Ordered by (due, insertion order) so equal due times run first-in first-out.
  std::map<std::pair<SteadyTime, uint64_t>, TimerId> queue_;
  std::map<TimerId, Entry> entries_;
};

// A real scheduler with one thread of its own; tasks run on that thread. Used
// where no UI event loop exists (the command-line tool, benchmarks).
class ThreadScheduler final : public Scheduler {
 public:
  ThreadScheduler();
  ~ThreadScheduler() override;
  TimerId scheduleAfter(Millis delay, Task task) override;
  TimerId scheduleEvery(Millis period, Task task) override;
  void cancel(TimerId id) override;

 private:
  struct Entry {
    SteadyTime due;
    Millis period{0};
    std::shared_ptr<Task> task;
  };
  TimerId add(Millis delay, Millis period, Task task);
  void run(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any wake_;
  TimerId nextId_ = 1;
  uint64_t generation_ = 0;  // changes whenever tasks are added or cancelled
  std::map<TimerId, Entry> entries_;
  std::jthread thread_;
};

}  // namespace tessel
