#pragma once
// The timers of one device tile and what they do to the device: connecting,
// streaming the live colour frame, polling the battery and watching the
// wireless link. The tile control above the Qt line owns one of these and
// shows what it decides; the main window hears about reachability changes
// through TileHost (message 3331).
//
// Timers (each handler first stops its own timer, then may start it again):
//   1000 light tick     5 ms on the cable while the picture changes; while it
//                       stands still or light control is off, 500 ms (when a
//                       still frame is due again) or at once when a zone
//                       changes; 500 ms on the receiver; while connected
//   1001 connect        500 ms after a connection; 3000 ms retries while asleep
//   1002 device changed after input usage 0x401 (started by the input reader)
//   1003, 1004          reserved operations of the device
//   1005 status         50 ms after connecting, then every 5000 ms for devices
//                       that poll their status block
//   1007 link watch     2000 ms after connecting through the receiver, then every 3000 ms
// Timers may be started from any thread (the input reader starts 1002); they
// run where the scheduler runs its tasks (the UI thread in the program).
// Whatever a timer asks of the device (link query, connect reads, status
// block) runs as a job on the device's command queue; the timer's decision
// follows in the job's completion, back on the UI thread, and a timer that
// waits for a job is started again only once the job has answered, so a
// silent device never piles jobs up.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/clock.h"
#include "device/base/usb_device_controller.h"

namespace tessel {

class TileHost {
 public:
  virtual ~TileHost() = default;
  // Message 3331: the device of option index `optionIndex` became reachable or not.
  virtual void reachabilityChanged(int optionIndex, bool reachable) = 0;
  // A light tick produced this frame; the page shows it on its light buttons
  // when its tile is selected and the window is active.
  virtual void frameShown(const std::vector<uint8_t>& /*frame*/) {}
};

class DeviceTile {
 public:
  enum TimerId : int {
    kLightTick = 1000,
    kConnect = 1001,
    kDeviceChanged = 1002,
    kReserved3 = 1003,
    kReserved4 = 1004,
    kStatus = 1005,
    kLinkWatch = 1007,
  };

  DeviceTile(Scheduler& scheduler, UsbDeviceController& device, TileHost& host);
  ~DeviceTile();
  DeviceTile(const DeviceTile&) = delete;
  DeviceTile& operator=(const DeviceTile&) = delete;

  // A visible tile means connected and reachable.
  void setVisible(bool visible) { visible_ = visible; }
  bool visible() const { return visible_; }
  void setSelected(bool selected) { selected_ = selected; }
  bool selected() const { return selected_; }
  void setSynchronised(bool on) { synchronised_ = on; }
  bool synchronised() const { return synchronised_; }

  void startConnectTimer() { startTimer(kConnect, 500); }
  // Only while the device is connected.
  void startLinkWatch(int delayMs);
  void startTimer(int id, int delayMs);
  void killTimer(int id);
  void killAllTimers();
  bool timerRunning(int id) const;

  // The handler of one timer (public so the tile control can forward timer
  // events of its own, and tests can call it).
  void onTimer(int id);
  // Queues a read of the status block; the device's status handler shows it.
  void pollStatus();

  static constexpr int kFastTickMs = 5;
  static constexpr int kReceiverTickMs = 500;

  UsbDeviceController& device() { return device_; }

 private:
  void connectTimer();
  void connectAnswered(bool awake);
  void linkWatchTimer();
  void linkAnswered(bool awake);
  // Reads the status block on the queue and shows it; `rearm`: the 5 s
  // timer's own poll, which starts the next one when answered.
  void requestStatus(bool rearm);
  // Wraps a completion so that it does nothing once the tile is gone.
  std::function<void(bool)> guarded(void (DeviceTile::*handler)(bool));

  Scheduler& scheduler_;
  UsbDeviceController& device_;
  TileHost& host_;
  std::atomic<bool> visible_{true};
  std::atomic<bool> selected_{false};
  std::atomic<bool> synchronised_{false};
  mutable std::mutex mutex_;
  std::map<int, Scheduler::TimerId> timers_;
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace tessel
