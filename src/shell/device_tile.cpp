#include "shell/device_tile.h"

#include "platform/debug.h"

namespace tessel {

DeviceTile::DeviceTile(Scheduler& scheduler, UsbDeviceController& device, TileHost& host)
    : scheduler_(scheduler), device_(device), host_(host) {
  // A zone that changes brings the next light tick to 5 ms from now: the
  // rest of the effect's step lands in that frame too, and frames never go
  // out closer than the cable's 5 ms.
  device_.setFrameWake([this] { startTimer(kLightTick, kFastTickMs); });
}

DeviceTile::~DeviceTile() {
  device_.setFrameWake(nullptr);  // waits for a wake in progress
  killAllTimers();
}

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

std::function<void(bool)> DeviceTile::guarded(void (DeviceTile::*handler)(bool)) {
  return [this, handler, life = std::weak_ptr<int>(life_)](bool value) {
    if (life.lock()) (this->*handler)(value);
  };
}

void DeviceTile::onTimer(int id) {
  killTimer(id);
  UsbDeviceController& device = device_;
  switch (id) {
    case kLightTick: {
      // Armed before the frame is made: a change from here on brings the
      // next tick forward, so none is missed while the tick sleeps.
      device_.armFrameWake();
      std::vector<uint8_t> frame = device_.lightTick();
      if (selected_ && device_.windowActive()) host_.frameShown(frame);
      // The tick sleeps until a zone changes (the wake above: one tick per
      // effect step), looking again only when the frame is due to be sent
      // again; the receiver, which gets no frames, every 500 ms.
      if (device_.isConnected())
        startTimer(kLightTick, device_.onReceiver() ? kReceiverTickMs
                                                    : static_cast<int>(device_.stillFramePause().count()));
      break;
    }
    case kConnect: connectTimer(); break;
    case kDeviceChanged: device.commandQueue().submit([&device] { device.deviceChanged(); }); break;
    case kReserved3: device.commandQueue().submit([&device] { device.reserved3(); }); break;
    case kReserved4: device.commandQueue().submit([&device] { device.reserved4(); }); break;
    case kStatus:
      if (device_.pollsStatus()) requestStatus(true);
      break;
    case kLinkWatch: linkWatchTimer(); break;
    default: break;
  }
}

void DeviceTile::pollStatus() { requestStatus(false); }

void DeviceTile::requestStatus(bool rearm) {
  UsbDeviceController& device = device_;
  device.commandQueue().request<std::optional<UsbDeviceController::StatusBlock>>(
      [&device] { return device.readStatusBlock(); },
      [this, rearm, life = std::weak_ptr<int>(life_)](std::optional<UsbDeviceController::StatusBlock> block) {
        if (!life.lock()) return;
        if (block) device_.showStatus(*block);
        // The next timed poll is started only once this one is answered, so a
        // silent device never piles up polls.
        if (rearm && device_.pollsStatus() && device_.isConnected()) startTimer(kStatus, 5000);
      },
      // Only an extra poll may be superseded: a dropped timed poll would
      // never start the next one.
      rearm ? std::string() : std::string("status poll"));
}

void DeviceTile::connectTimer() {
  UsbDeviceController& device = device_;
  // The link query and the device's connect reads run on its queue.
  device.commandQueue().request<bool>(
      [&device] {
        const bool awake = !(device.onReceiver() && device.isConnected()) || device.isAwake();
        if (awake) device.connected();
        return awake;
      },
      guarded(&DeviceTile::connectAnswered));
}

void DeviceTile::connectAnswered(bool awake) {
  const int option = device_.optionIndex();
  if (device_.onReceiver() && device_.isConnected()) {
    if (!awake) {
      if (visible_) {
        visible_ = false;
        host_.reachabilityChanged(option, false);
      }
      startTimer(kConnect, 3000);
      return;
    }
    host_.reachabilityChanged(option, true);
  }
  if (!device_.isConnected()) return;
  device_.pictureLost();
  startTimer(kLightTick, kFastTickMs);
  if (device_.pollsStatus()) startTimer(kStatus, 50);
  if (device_.onReceiver()) startLinkWatch(2000);
}

void DeviceTile::linkWatchTimer() {
  if (!device_.onReceiver()) return;
  UsbDeviceController& device = device_;
  device.commandQueue().request<bool>([&device] { return device.isAwake(); },
                                      guarded(&DeviceTile::linkAnswered));
}

void DeviceTile::linkAnswered(bool awake) {
  if (!device_.onReceiver() || !device_.isConnected()) return;
  if (awake && !visible_) {
    host_.reachabilityChanged(device_.optionIndex(), true);
    if (device_.pollsStatus()) {
      debugLine("2.4gcesvdfherhue  12312423 123342341");
      pollStatus();
    }
  } else if (!awake && visible_) {
    debugLine("2.4gcesvdfherhue");
    host_.reachabilityChanged(device_.optionIndex(), false);
  }
  startTimer(kLinkWatch, 3000);
}

}  // namespace tessel
