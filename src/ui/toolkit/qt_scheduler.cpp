#include "ui/toolkit/qt_scheduler.h"

#include <QThread>
#include <QTimerEvent>

namespace tessel::ui {

class QtScheduler::Host : public QObject {
 public:
  explicit Host(QtScheduler* owner) : owner_(owner) {}

 protected:
  void timerEvent(QTimerEvent* event) override { owner_->fire(event->timerId()); }

 private:
  QtScheduler* owner_;
};

QtScheduler::QtScheduler() : host_(std::make_unique<Host>(this)) {}

QtScheduler::~QtScheduler() {
  for (auto& [qtId, entry] : byQtId_) host_->killTimer(qtId);
  byQtId_.clear();
  qtIdOf_.clear();
}

bool QtScheduler::onOwnerThread() const { return QThread::currentThread() == host_->thread(); }

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
        host_.get(), [this, id, delay, repeat, shared] { start(id, delay, repeat, shared); },
        Qt::QueuedConnection);
  }
  return id;
}

void QtScheduler::start(TimerId id, Millis delay, bool repeat, std::shared_ptr<Task> task) {
  {
    std::lock_guard lock(mutex_);
    pendingStart_.erase(id);
    if (cancelled_.erase(id)) return;  // cancelled before it started
  }
  const int ms = static_cast<int>(std::max<Millis::rep>(0, delay.count()));
  const int qtId = host_->startTimer(ms, Qt::PreciseTimer);
  if (qtId == 0) return;
  byQtId_[qtId] = Entry{id, repeat, std::move(task)};
  qtIdOf_[id] = qtId;
}

void QtScheduler::stop(TimerId id) {
  auto it = qtIdOf_.find(id);
  if (it == qtIdOf_.end()) {
    std::lock_guard lock(mutex_);
    if (pendingStart_.count(id)) cancelled_.insert(id);  // its start is still queued
    return;
  }
  host_->killTimer(it->second);
  byQtId_.erase(it->second);
  qtIdOf_.erase(it);
}

void QtScheduler::fire(int qtTimerId) {
  auto it = byQtId_.find(qtTimerId);
  if (it == byQtId_.end()) return;
  std::shared_ptr<Task> task = it->second.task;
  if (!it->second.repeat) stop(it->second.id);
  (*task)();
}

void QtScheduler::cancel(TimerId id) {
  if (id == 0) return;
  if (onOwnerThread()) {
    stop(id);
  } else {
    QMetaObject::invokeMethod(host_.get(), [this, id] { stop(id); }, Qt::QueuedConnection);
  }
}

}  // namespace tessel::ui
