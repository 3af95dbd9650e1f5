#pragma once
// The program's Scheduler: Qt timers on the thread that created it (the UI
// thread). scheduleAfter, scheduleEvery and cancel may be called from any
// thread; tasks always run on the UI thread.
#include <QObject>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

#include "core/clock.h"

class QTimer;

namespace tessel::ui {

class QtScheduler final : public Scheduler {
 public:
  QtScheduler();
  ~QtScheduler() override;
  TimerId scheduleAfter(Millis delay, Task task) override;
  TimerId scheduleEvery(Millis period, Task task) override;
  void cancel(TimerId id) override;

 private:
  TimerId add(Millis delay, bool repeat, Task task);
  void start(TimerId id, Millis delay, bool repeat, std::shared_ptr<Task> task);
  void stop(TimerId id);
  bool onOwnerThread() const;

  QObject context_;
  std::mutex mutex_;
  TimerId nextId_ = 1;
  std::set<TimerId> pendingStart_;   // started from another thread, not yet running
  std::set<TimerId> cancelled_;      // cancelled before their timer started
  std::map<TimerId, QTimer*> timers_;  // UI thread only
};

}  // namespace tessel::ui
