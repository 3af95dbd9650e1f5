#pragma once
// The per-device command queue: every exchange with one device (connect
// reads, link queries, status polls, lighting commands, and the reads and
// writes of the device pages) runs on that device's own worker thread, one
// job after another in submission order. Results come back to the UI thread
// as posted calls, through a "post to UI" function the program injects (a
// zero-delay task on the UI thread's scheduler), so the UI thread never waits
// on a device.
//
// A job may carry a coalescing key naming the memory it writes ("settings",
// "key table", ...). Submitting a job with a key drops a job with the same key
// that has not started yet: the newer write supersedes it (a slider being
// dragged). Jobs with another key, or none, are never dropped. A dropped job's
// completion is not called.
//
// Three ways to run, chosen once before the first submit:
//   Inline   (default) each job runs at once on the submitting thread; a job
//            submitted by a running job or completion runs right after it.
//            Completions run inline too. Tests on the manual clock use this.
//   Stepped  jobs wait until runNext()/runPending() on the test's thread, so a
//            scenario can look at the UI side while a job is still queued.
//   Thread   runOnThread(post): a worker thread of its own runs the jobs and
//            hands each completion to `post`.
// Completions are never called after the queue is stopped or destroyed.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/worker.h"

namespace tessel {

class DeviceCommandQueue {
 public:
  using Work = std::function<void()>;
  using Done = std::function<void()>;
  // Runs a call on the UI thread later; must be callable from any thread.
  using Post = std::function<void(std::function<void()>)>;
  enum class Mode { Inline, Stepped, Thread };

  explicit DeviceCommandQueue(std::string name = "device queue");
  ~DeviceCommandQueue();
  DeviceCommandQueue(const DeviceCommandQueue&) = delete;
  DeviceCommandQueue& operator=(const DeviceCommandQueue&) = delete;

  // Starts the worker thread; completions go through `post`. False when the
  // queue already runs on a thread.
  bool runOnThread(Post post);
  // Jobs wait for runNext()/runPending() (tests).
  void runStepped();
  Mode mode() const;
  // The system's name for the worker thread (15 bytes at most).
  void setThreadName(std::string name) { thread_.setThreadName(std::move(name)); }

  // Queues `work` for the device's thread, then `done` (if any) on the UI
  // thread. A non-empty `key` drops a waiting job with the same key.
  void submit(Work work, Done done = {}, std::string key = {});
  // `work` returns a value that `done` receives on the UI thread.
  template <class T>
  void request(std::function<T()> work, std::function<void(T)> done, std::string key = {}) {
    auto result = std::make_shared<T>();
    submit([work = std::move(work), result] { *result = work(); },
           [done = std::move(done), result] { done(std::move(*result)); }, std::move(key));
  }

  // Stepped mode: runs the oldest waiting job (and its completion) on the
  // calling thread; false when none waits. runPending runs until none waits.
  bool runNext();
  size_t runPending();

  // Drops every job that has not started (the device went away).
  void clear();
  // Ends the worker after the running job; waiting jobs are dropped and no
  // completion runs from here on. The queue then runs inline again.
  void stop();

  size_t waiting() const;
  uint64_t completed() const { return completed_.load(); }
  uint64_t superseded() const { return superseded_.load(); }
  // Waits until no job waits or runs (tests, shutdown). True when idle.
  bool waitIdle(std::chrono::milliseconds bound) const;

 private:
  struct Job {
    Work work;
    Done done;
    std::string key;
  };
  void runJob(Job& job);
  void runHere(Job& job);
  void finishJob();
  void drainInline();
  void workerLoop(const StopEvent& stop);

  std::string name_;
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  std::deque<Job> jobs_;
  Mode mode_ = Mode::Inline;
  bool running_ = false;   // a job is being run (any mode)
  bool draining_ = false;  // inline: a drain loop is active
  Post post_;
  // Cleared when the queue stops; posted completions check it on the UI thread.
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  std::atomic<uint64_t> completed_{0}, superseded_{0};
  WorkerThread thread_;
};

}  // namespace tessel
