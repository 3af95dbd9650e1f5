#pragma once
// The device watcher: a thread that notices supported interfaces arriving and
// leaving, claims their live-list slots and tells the main window.
//
// Each pass (when the backend says an interface came or went, 100 ms after a
// pass that owes another look, at the latest every 2 s):
//   - while some slot is free, and the HID bus changed since the last look (or
//     a wanted interface could not be opened last time), enumerate: every
//     wanted path is opened read-only to learn its ids and usages, claimed,
//     and reported with interfaceArrived(slot) (synchronous);
//   - after the first pass, firstScanDone() once;
//   - every claimed slot whose node is gone, or is now another node under the
//     same name (device number or inode differ: a quick replug), is released
//     and reported with interfaceRemoved(slot) (synchronous); the next pass
//     claims the new node again. This check costs a stat per slot.
// Nothing a device hands over (a descriptor asking for too much memory, say)
// ends the thread: a pass that throws is logged and tried again.
#include <cstdint>
#include <optional>
#include <vector>

#include "core/worker.h"
#include "device/hid/hid_backend.h"
#include "discovery/live_interface_list.h"

namespace tessel {

class DeviceWatcherEvents {
 public:
  virtual ~DeviceWatcherEvents() = default;
  // Both run before the watcher goes on (the main window handles them on its thread).
  virtual void interfaceArrived(int slot) = 0;
  virtual void interfaceRemoved(int slot) = 0;
  // Posted once, after the first pass (the instance message).
  virtual void firstScanDone() = 0;
};

class DeviceWatcher {
 public:
  DeviceWatcher(LiveInterfaceList& list, hid::HidBackend& backend, DeviceWatcherEvents& events);
  ~DeviceWatcher();

  // The thread: a pass, then asleep until the next, until stopped.
  void start();
  static constexpr std::chrono::milliseconds kRetryPause{100};
  static constexpr std::chrono::milliseconds kQuietPause{2000};
  // Sets the stop event and waits up to `bound`; the debug line
  // "抓取设备线程设定退出" is written when the thread ends.
  bool stop(std::chrono::milliseconds bound = std::chrono::milliseconds(1000));

  // One pass, on the calling thread (tests drive the watcher this way).
  void pass();
  // How many enumerations have run (for tests and diagnostics).
  uint64_t enumerations() const { return enumerations_.load(); }

 private:
  void scan();
  void checkPresence();

  LiveInterfaceList& list_;
  hid::HidBackend& backend_;
  DeviceWatcherEvents& events_;
  WorkerThread thread_{"device watcher"};
  bool firstPass_ = true;
  bool retry_ = true;  // enumerate on the next pass even if the bus did not change
  uint64_t seenChanges_ = 0;
  // The node each claimed slot was claimed on (watcher thread only).
  std::vector<std::optional<hid::NodeIdentity>> identities_;
  std::atomic<uint64_t> enumerations_{0};
};

}  // namespace tessel
