#pragma once
// Stop events and worker threads. A worker checks its stop event between
// pieces of work (and waits on it instead of sleeping); its owner sets the
// event and waits a bounded time for the thread to end. Threads are never
// killed.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessel {

// A manual-reset event.
class StopEvent {
 public:
  void set();
  void reset();
  bool isSet() const { return set_.load(std::memory_order_acquire); }
  // Waits up to `timeout`; true when the event is set.
  bool waitFor(std::chrono::milliseconds timeout) const;
  // `call` also runs when the event is set (at once when it is set already),
  // for a worker that sleeps in something else than waitFor (a poll() on a
  // file descriptor, another condition). One call at a time; reset() drops it.
  void onSet(std::function<void()> call) const;

 private:
  std::atomic<bool> set_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  mutable std::function<void()> onSet_;
};

class WorkerThread {
 public:
  using Body = std::function<void(const StopEvent& stop)>;

  // `name` names the thread in debug lines and, cut to 15 bytes, for the
  // system, unless setThreadName gives it a shorter one.
  explicit WorkerThread(std::string name = "worker") : name_(std::move(name)) {}
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Starts the thread; false when one is already running.
  bool start(Body body);
  // Sets the stop event and waits up to `bound` for the thread to end. True
  // when it ended (it is then joined). When it did not, a debug line says so
  // and the thread keeps its stop event set; the destructor waits for it,
  // because a detached thread could still touch its owner.
  bool stop(std::chrono::milliseconds bound = std::chrono::milliseconds(1000));
  bool running() const;
  // The system's name for the thread (top, ps -L); a running thread is
  // renamed at once.
  void setThreadName(std::string name);
  const StopEvent& stopEvent() const { return state_ ? state_->stop : idleStop_; }

 private:
  struct State {
    StopEvent stop;
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;
    bool named = false;  // the thread has named itself
    std::string threadName;
  };
  std::string name_, threadName_;
  std::shared_ptr<State> state_;
  std::thread thread_;
  StopEvent idleStop_;
};

}  // namespace tessel
