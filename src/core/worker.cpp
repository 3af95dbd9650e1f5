#include "core/worker.h"

#include "core/thread_name.h"
#include "platform/debug.h"

namespace tessel {

void StopEvent::set() {
  std::function<void()> call;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    set_.store(true, std::memory_order_release);
    call = onSet_;
  }
  cv_.notify_all();
  if (call) call();
}

void StopEvent::reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  set_.store(false, std::memory_order_release);
  onSet_ = nullptr;
}

void StopEvent::onSet(std::function<void()> call) const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    onSet_ = call;
    if (!set_.load(std::memory_order_acquire)) return;
  }
  if (call) call();
}

bool StopEvent::waitFor(std::chrono::milliseconds timeout) const {
  if (isSet()) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, timeout, [this] { return set_.load(std::memory_order_acquire); });
}

WorkerThread::~WorkerThread() {
  if (thread_.joinable()) {
    stop();
    if (thread_.joinable()) thread_.join();
  }
}

bool WorkerThread::start(Body body) {
  if (thread_.joinable()) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->finished) return false;
  }
  if (thread_.joinable()) thread_.join();
  state_ = std::make_shared<State>();
  state_->threadName = threadName_.empty() ? name_ : threadName_;
  thread_ = std::thread([state = state_, body = std::move(body)] {
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      nameThisThread(state->threadName);
      state->named = true;
    }
    body(state->stop);
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->finished = true;
    }
    state->cv.notify_all();
  });
  return true;
}

bool WorkerThread::stop(std::chrono::milliseconds bound) {
  if (!thread_.joinable()) return true;
  state_->stop.set();
  bool ended;
  {
    std::unique_lock<std::mutex> lock(state_->mutex);
    ended = state_->cv.wait_for(lock, bound, [this] { return state_->finished; });
  }
  if (!ended) {
    debugPrintf("%s: thread did not stop within %lld ms", name_.c_str(),
                static_cast<long long>(bound.count()));
    return false;
  }
  thread_.join();
  return true;
}

void WorkerThread::setThreadName(std::string name) {
  threadName_ = std::move(name);
  if (!state_) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->threadName = threadName_;
  if (state_->named && !state_->finished) nameThread(thread_.native_handle(), threadName_);
}

bool WorkerThread::running() const {
  if (!thread_.joinable()) return false;
  std::lock_guard<std::mutex> lock(state_->mutex);
  return !state_->finished;
}

}  // namespace tessel
