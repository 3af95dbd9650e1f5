#include "device/base/light_thread.h"

#include "core/thread_name.h"
#include "platform/debug.h"

namespace tessel {

LightThread::LightThread(Clock& clock, std::string name, std::string threadName)
    : clock_(clock), name_(std::move(name)), threadName_(std::move(threadName)), wait_(clock) {}

LightThread::~LightThread() { stop(); }

void LightThread::start(Turn turn) {
  stop();
  turns_ = 0;
  running_ = true;
  debugPrintf("%s: started", name_.c_str());
  thread_ = std::jthread([this, turn = std::move(turn)](std::stop_token stop) { run(stop, turn); });
}

void LightThread::stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();  // wakes the sleeper through its stop token
  thread_.join();
  running_ = false;
  debugPrintf("%s: stopped", name_.c_str());
}

void LightThread::wake() { wait_.wake(); }

bool LightThread::waitUntilAsleep(Millis bound) const { return wait_.waitUntilAsleep(bound); }

void LightThread::run(std::stop_token stop, Turn turn) {
  nameThisThread(threadName_);
  while (!stop.stop_requested()) {
    const SteadyTime next = turn(clock_.now());
    ++turns_;
    if (wait_.waitUntil(next, stop) == WakeableWait::Reason::Stopped) break;
  }
}

}  // namespace tessel
