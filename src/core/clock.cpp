#include "core/clock.h"

#include <vector>

#include "core/thread_name.h"

namespace tessel {
using namespace std::chrono;

SystemClock& SystemClock::instance() {
  static SystemClock clock;
  return clock;
}

// ---------------------------------------------------------------- ManualClock

ManualClock::ManualClock() : ManualClock(WallTime(sys_days(2026y / 3 / 4) + 5h + 6min + 7s + 89ms)) {}

ManualClock::ManualClock(WallTime start) : steady_(SteadyTime(hours(1))), wall_(start) {}

SteadyTime ManualClock::now() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return steady_;
}

WallTime ManualClock::wallNow() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return wall_;
}

void ManualClock::setWallTime(WallTime t) {
  std::lock_guard<std::mutex> lock(mutex_);
  wall_ = t;
}

Scheduler::TimerId ManualClock::add(Millis delay, Millis period, Task task) {
  std::lock_guard<std::mutex> lock(mutex_);
  TimerId id = nextId_++;
  Entry e{steady_ + std::max(delay, Millis(0)), period, std::make_shared<Task>(std::move(task))};
  queue_.emplace(std::make_pair(e.due, sequence_++), id);
  entries_.emplace(id, std::move(e));
  return id;
}

Scheduler::TimerId ManualClock::scheduleAfter(Millis delay, Task task) {
  return add(delay, Millis(0), std::move(task));
}

Scheduler::TimerId ManualClock::scheduleEvery(Millis period, Task task) {
  return add(period, std::max(period, Millis(1)), std::move(task));
}

void ManualClock::cancel(TimerId id) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.erase(id);  // its queue entry is skipped when reached
}

size_t ManualClock::pendingTasks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

void ManualClock::advance(Millis duration) {
  SteadyTime target;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    target = steady_ + std::max(duration, Millis(0));
  }
  for (;;) {
    std::shared_ptr<Task> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // Drop queue entries of cancelled tasks.
      while (!queue_.empty() && !entries_.count(queue_.begin()->second)) queue_.erase(queue_.begin());
      if (queue_.empty() || queue_.begin()->first.first > target) {
        wall_ += duration_cast<WallTime::duration>(target - steady_);
        steady_ = target;
        return;
      }
      auto [key, id] = *queue_.begin();
      queue_.erase(queue_.begin());
      Entry& e = entries_.at(id);
      wall_ += duration_cast<WallTime::duration>(key.first - steady_);
      steady_ = key.first;
      task = e.task;
      if (e.period.count() > 0) {
        e.due = steady_ + e.period;
        queue_.emplace(std::make_pair(e.due, sequence_++), id);
      } else {
        entries_.erase(id);
      }
    }
    (*task)();
  }
}

// ------------------------------------------------------------ ThreadScheduler

ThreadScheduler::ThreadScheduler() {
  thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

ThreadScheduler::~ThreadScheduler() {
  thread_.request_stop();
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

Scheduler::TimerId ThreadScheduler::add(Millis delay, Millis period, Task task) {
  TimerId id;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    id = nextId_++;
    ++generation_;
    entries_.emplace(id, Entry{steady_clock::now() + std::max(delay, Millis(0)), period,
                               std::make_shared<Task>(std::move(task))});
  }
  wake_.notify_all();
  return id;
}

Scheduler::TimerId ThreadScheduler::scheduleAfter(Millis delay, Task task) {
  return add(delay, Millis(0), std::move(task));
}

Scheduler::TimerId ThreadScheduler::scheduleEvery(Millis period, Task task) {
  return add(period, std::max(period, Millis(1)), std::move(task));
}

void ThreadScheduler::cancel(TimerId id) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(id);
    ++generation_;
  }
  wake_.notify_all();
}

void ThreadScheduler::run(std::stop_token stop) {
  nameThisThread("scheduler");
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop.stop_requested()) {
    auto next = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
      if (next == entries_.end() || it->second.due < next->second.due) next = it;
    if (next == entries_.end()) {
      wake_.wait(lock, stop, [&] { return !entries_.empty(); });
      continue;
    }
    if (next->second.due > steady_clock::now()) {
      // Copy the due time: the entry may be cancelled while we wait.
      // Wake early when tasks are added or cancelled: an earlier one may now be first.
      const SteadyTime due = next->second.due;
      const uint64_t seen = generation_;
      wake_.wait_until(lock, stop, due, [&] { return generation_ != seen; });
      continue;
    }
    std::shared_ptr<Task> task = next->second.task;
    if (next->second.period.count() > 0) next->second.due += next->second.period;
    else entries_.erase(next);
    lock.unlock();
    (*task)();
    lock.lock();
  }
}

}  // namespace tessel
