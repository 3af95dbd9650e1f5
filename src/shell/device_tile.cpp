#include "shell/device_tile.h"

#include "platform/debug.h"

namespace tessel {

DeviceTile::DeviceTile(Scheduler& scheduler, UsbDeviceController& device, TileHost& host)
    : scheduler_(scheduler), device_(device), host_(host) {}

DeviceTile::~DeviceTile() { killAllTimers(); }

void DeviceTile::startTimer(int id, int delayMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto it = timers_.find(id); it != timers_.end()) scheduler_.cancel(it->second);
  timers_[id] = scheduler_.scheduleAfter(Millis(delayMs), [this, id] {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      timers_.erase(id);  // one-shot: the handler starts it again when it wants
    }
    onTimer(id);
  });
}

void DeviceTile::killTimer(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto it = timers_.find(id); it != timers_.end()) {
    scheduler_.cancel(it->second);
    timers_.erase(it);
  }
}

void DeviceTile::killAllTimers() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [id, timer] : timers_) scheduler_.cancel(timer);
  timers_.clear();
}

bool DeviceTile::timerRunning(int id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timers_.count(id) != 0;
}

void DeviceTile::startLinkWatch(int delayMs) {
  if (device_.isConnected()) startTimer(kLinkWatch, delayMs);
}

void DeviceTile::onTimer(int id) {
  killTimer(id);
  switch (id) {
    case kLightTick: {
      std::vector<uint8_t> frame = device_.lightTick();
      if (selected_ && device_.windowActive()) host_.frameShown(frame);
      if (device_.isConnected()) startTimer(kLightTick, device_.onReceiver() ? 500 : 5);
      break;
    }
    case kConnect: connectTimer(); break;
    case kDeviceChanged: device_.deviceChanged(); break;
    case kReserved3: device_.reserved3(); break;
    case kReserved4: device_.reserved4(); break;
    case kStatus:
      device_.pollStatus();
      if (device_.batteryFlag()) startTimer(kStatus, 5000);
      break;
    case kLinkWatch: linkWatchTimer(); break;
    default: break;
  }
}

void DeviceTile::connectTimer() {
  const int option = device_.optionIndex();
  if (device_.onReceiver() && device_.isConnected()) {
    if (!device_.isAwake()) {
      if (visible_) {
        visible_ = false;
        host_.reachabilityChanged(option, false);
      }
      startTimer(kConnect, 3000);
      return;
    }
    host_.reachabilityChanged(option, true);
  }
  device_.connected();
  startTimer(kLightTick, 5);
  if (device_.batteryFlag() && device_.isConnected()) startTimer(kStatus, 50);
  if (device_.onReceiver()) startLinkWatch(2000);
}

void DeviceTile::linkWatchTimer() {
  if (!device_.onReceiver()) return;
  const bool awake = device_.isAwake();
  if (awake && !visible_) {
    host_.reachabilityChanged(device_.optionIndex(), true);
    if (device_.batteryFlag()) {
      debugLine("2.4gcesvdfherhue  12312423 123342341");
      device_.pollStatus();
    }
  } else if (!awake && visible_) {
    debugLine("2.4gcesvdfherhue");
    host_.reachabilityChanged(device_.optionIndex(), false);
  }
  if (device_.onReceiver()) startTimer(kLinkWatch, 3000);
}

}  // namespace tessel
