#include "device/hid/hid_backend.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "device/hid/hidraw_backend.h"

namespace tessel::hid {
namespace {
std::atomic<HidBackend*> g_override{nullptr};
}  // namespace

namespace {

class SleepingWaiter : public ChangeWaiter {
 public:
  void wait(uint64_t, std::chrono::milliseconds bound) override {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, bound, [this] { return interrupted_; });
  }
  void interrupt() override {
    {
      std::lock_guard lock(mutex_);
      interrupted_ = true;
    }
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool interrupted_ = false;
};

}  // namespace

std::unique_ptr<ChangeWaiter> HidBackend::changeWaiter() { return std::make_unique<SleepingWaiter>(); }

HidBackend& defaultBackend() {
  if (HidBackend* b = g_override.load(std::memory_order_acquire)) return *b;
  static HidrawBackend hidraw;  // created on first use
  return hidraw;
}

void setDefaultBackend(HidBackend* backend) { g_override.store(backend, std::memory_order_release); }

}  // namespace tessel::hid
