#pragma once
// The program's Scheduler: Qt timers on the thread that created it (the UI
// thread). scheduleAfter, scheduleEvery and cancel may be called from any
// thread; tasks always run on the UI thread.
//
// The tiles' light ticks start a one-shot timer every 5 ms per device, so a
// timer costs no object of its own: each task is one QObject::startTimer id
// on a single host object.
#include <QObject>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "core/clock.h"

namespace tessel::ui {

class QtScheduler final : public Scheduler {
 public:
  QtScheduler();
  ~QtScheduler() override;
  TimerId scheduleAfter(Millis delay, Task task) override;
  TimerId scheduleEvery(Millis period, Task task) override;
  void cancel(TimerId id) override;

 private:
  class Host;
  struct Entry {
    TimerId id = 0;
    bool repeat = false;
    std::shared_ptr<Task> task;
  };
  TimerId add(Millis delay, bool repeat, Task task);
  void start(TimerId id, Millis delay, bool repeat, std::shared_ptr<Task> task);
  void stop(TimerId id);
  void fire(int qtTimerId);
  bool onOwnerThread() const;

  std::unique_ptr<Host> host_;
  std::mutex mutex_;
  TimerId nextId_ = 1;
  std::set<TimerId> pendingStart_;  // started from another thread, not yet running
  std::set<TimerId> cancelled_;     // cancelled before their timer started
  // UI thread only.
  std::map<int, Entry> byQtId_;
  std::map<TimerId, int> qtIdOf_;
};

}  // namespace tessel::ui
