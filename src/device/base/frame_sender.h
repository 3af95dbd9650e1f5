#pragma once
// Hands live colour frames from the UI thread to the device on a thread of its
// own. The light tick composes a frame and submits it without waiting; the
// sender thread sends the newest frame it has (older ones are dropped: only
// the latest picture matters). When a send fails, the sender waits 200 ms
// before the next attempt, so a device that stopped answering is not flooded
// and the UI thread never sleeps.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/worker.h"

namespace tessel {

class FrameSender {
 public:
  // `send` returns the command's result code (1 on success).
  using SendFn = std::function<int(const std::vector<uint8_t>& frame)>;

  explicit FrameSender(SendFn send, std::chrono::milliseconds backoff = std::chrono::milliseconds(200));
  ~FrameSender();

  void start();
  // The system's name for the sender thread (15 bytes at most); taken by the next start.
  void setThreadName(std::string name) { thread_.setThreadName(std::move(name)); }
  // Stops the thread; a frame being sent finishes first.
  void stop();

  // Replaces any frame still waiting. Never blocks on device I/O.
  void submit(std::vector<uint8_t> frame);

  uint64_t sent() const;     // frames handed to `send`
  uint64_t dropped() const;  // frames replaced before they were sent
  uint64_t failed() const;   // sends that did not return 1

  // Waits until no frame is pending and no send is running (tests, shutdown).
  bool waitIdle(std::chrono::milliseconds bound);

 private:
  void run(const StopEvent& stop);

  SendFn send_;
  std::chrono::milliseconds backoff_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::optional<std::vector<uint8_t>> pending_;
  bool busy_ = false;
  bool stopping_ = false;
  uint64_t sent_ = 0, dropped_ = 0, failed_ = 0;
  WorkerThread thread_{"frame sender"};
};

}  // namespace tessel
