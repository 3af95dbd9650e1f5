#include "device/base/device_command_queue.h"


namespace tessel {

DeviceCommandQueue::DeviceCommandQueue(std::string name) : name_(std::move(name)), thread_(name_) {}

DeviceCommandQueue::~DeviceCommandQueue() { stop(); }

bool DeviceCommandQueue::runOnThread(Post post) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == Mode::Thread) return false;
    mode_ = Mode::Thread;
    post_ = std::move(post);
    alive_ = std::make_shared<std::atomic<bool>>(true);
  }
  return thread_.start([this](const StopEvent& stop) { workerLoop(stop); });
}

void DeviceCommandQueue::runStepped() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (mode_ == Mode::Inline) mode_ = Mode::Stepped;
}

DeviceCommandQueue::Mode DeviceCommandQueue::mode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return mode_;
}

void DeviceCommandQueue::submit(Work work, Done done, std::string key) {
  Mode mode;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!key.empty()) {
      // Only a job that has not started can be superseded; the running one
      // has already left the deque.
      for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
        if (it->key == key) {
          jobs_.erase(it);
          ++superseded_;
          break;  // at most one waits per key
        }
      }
    }
    jobs_.push_back(Job{std::move(work), std::move(done), std::move(key)});
    mode = mode_;
  }
  cv_.notify_all();
  if (mode == Mode::Inline) drainInline();
}

void DeviceCommandQueue::runJob(Job& job) {
  if (job.work) job.work();
  ++completed_;
}

// Inline and stepped jobs complete on the thread that runs them.
void DeviceCommandQueue::runHere(Job& job) {
  runJob(job);
  if (job.done) job.done();
  finishJob();
}

void DeviceCommandQueue::finishJob() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
  }
  cv_.notify_all();
}

void DeviceCommandQueue::drainInline() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (draining_) return;  // the outer loop picks the new job up after the current one
    draining_ = true;
  }
  for (;;) {
    Job job;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (jobs_.empty() || mode_ != Mode::Inline) {
        draining_ = false;
        break;
      }
      job = std::move(jobs_.front());
      jobs_.pop_front();
      running_ = true;
    }
    runHere(job);
  }
}

bool DeviceCommandQueue::runNext() {
  Job job;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode_ == Mode::Thread || jobs_.empty()) return false;
    job = std::move(jobs_.front());
    jobs_.pop_front();
    running_ = true;
  }
  runHere(job);
  return true;
}

size_t DeviceCommandQueue::runPending() {
  size_t n = 0;
  while (runNext()) ++n;
  return n;
}

void DeviceCommandQueue::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  jobs_.clear();
}

void DeviceCommandQueue::stop() {
  bool threaded;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    threaded = mode_ == Mode::Thread;
    jobs_.clear();
    alive_->store(false);
    mode_ = Mode::Inline;  // the worker sees this and ends after its job
  }
  cv_.notify_all();
  if (threaded) thread_.stop(std::chrono::milliseconds(6000));
  std::lock_guard<std::mutex> lock(mutex_);
  post_ = nullptr;
}

size_t DeviceCommandQueue::waiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return jobs_.size();
}

bool DeviceCommandQueue::waitIdle(std::chrono::milliseconds bound) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, bound, [this] { return jobs_.empty() && !running_; });
}

void DeviceCommandQueue::workerLoop(const StopEvent& stop) {
  for (;;) {
    Job job;
    Post post;
    std::shared_ptr<std::atomic<bool>> alive;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Sleeps until a job comes or the queue stops; never polls.
      cv_.wait(lock, [&] { return !jobs_.empty() || mode_ != Mode::Thread || stop.isSet(); });
      if (mode_ != Mode::Thread || stop.isSet()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      running_ = true;
      post = post_;
      alive = alive_;
    }
    runJob(job);
    if (job.done && post && alive->load()) {
      post([alive, done = std::move(job.done)] {
        if (alive->load()) done();
      });
    }
    finishJob();
  }
}

}  // namespace tessel
