#include "ui/toolkit/qt_scheduler.h"

#include <QThread>
#include <QTimer>

namespace tessel::ui {

QtScheduler::QtScheduler() = default;

QtScheduler::~QtScheduler() {
  for (auto& [id, timer] : timers_) delete timer;
  timers_.clear();
}

bool QtScheduler::onOwnerThread() const { return QThread::currentThread() == context_.thread(); }

Scheduler::TimerId QtScheduler::scheduleAfter(Millis delay, Task task) { return add(delay, false, std::move(task)); }

Scheduler::TimerId QtScheduler::scheduleEvery(Millis period, Task task) {
  return add(std::max(period, Millis(1)), true, std::move(task));
}

Scheduler::TimerId QtScheduler::add(Millis delay, bool repeat, Task task) {
  TimerId id;
  {
    std::lock_guard lock(mutex_);
    id = nextId_++;
  }
  auto shared = std::make_shared<Task>(std::move(task));
  if (onOwnerThread()) {
    start(id, delay, repeat, std::move(shared));
  } else {
    {
      std::lock_guard lock(mutex_);
      pendingStart_.insert(id);
    }
    QMetaObject::invokeMethod(
        &context_, [this, id, delay, repeat, shared] { start(id, delay, repeat, shared); }, Qt::QueuedConnection);
  }
  return id;
}

void QtScheduler::start(TimerId id, Millis delay, bool repeat, std::shared_ptr<Task> task) {
  {
    std::lock_guard lock(mutex_);
    pendingStart_.erase(id);
    if (cancelled_.erase(id)) return;  // cancelled before it started
  }
  auto* timer = new QTimer(&context_);
  timer->setSingleShot(!repeat);
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer, &QTimer::timeout, &context_, [this, id, repeat, task] {
    if (!repeat) stop(id);
    (*task)();
  });
  timers_[id] = timer;
  timer->start(static_cast<int>(std::max<Millis::rep>(0, delay.count())));
}

void QtScheduler::stop(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) {
    std::lock_guard lock(mutex_);
    if (pendingStart_.count(id)) cancelled_.insert(id);  // its start is still queued
    return;
  }
  it->second->stop();
  it->second->deleteLater();
  timers_.erase(it);
}

void QtScheduler::cancel(TimerId id) {
  if (id == 0) return;
  if (onOwnerThread()) {
    stop(id);
  } else {
    QMetaObject::invokeMethod(&context_, [this, id] { stop(id); }, Qt::QueuedConnection);
  }
}

}  // namespace tessel::ui
