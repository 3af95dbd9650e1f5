#include "device/base/frame_sender.h"

namespace tessel {

FrameSender::FrameSender(SendFn send, std::chrono::milliseconds backoff)
    : send_(std::move(send)), backoff_(backoff) {}

FrameSender::~FrameSender() { stop(); }

void FrameSender::start() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
  }
  thread_.start([this](const StopEvent& stop) { run(stop); });
}

void FrameSender::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  cv_.notify_all();
  thread_.stop(std::chrono::milliseconds(1000));
}

void FrameSender::submit(std::vector<uint8_t> frame) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_) ++dropped_;
    pending_ = std::move(frame);
  }
  cv_.notify_all();
}

uint64_t FrameSender::sent() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sent_;
}
uint64_t FrameSender::dropped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}
uint64_t FrameSender::failed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

bool FrameSender::waitIdle(std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, bound, [this] { return !pending_ && !busy_; });
}

void FrameSender::run(const StopEvent& stop) {
  for (;;) {
    std::vector<uint8_t> frame;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
      if (stopping_) return;
      frame = std::move(*pending_);
      pending_.reset();
      busy_ = true;
    }
    const int result = send_(frame);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++sent_;
      if (result != 1) ++failed_;
      busy_ = false;
    }
    cv_.notify_all();
    if (result != 1 && stop.waitFor(backoff_)) return;
  }
}

}  // namespace tessel
