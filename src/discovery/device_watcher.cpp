#include "discovery/device_watcher.h"

#include <exception>
#include <new>

#include "device/hid/hid_device.h"
#include "device/hid/hid_path.h"
#include "platform/debug.h"

namespace tessel {

DeviceWatcher::DeviceWatcher(LiveInterfaceList& list, hid::HidBackend& backend, DeviceWatcherEvents& events)
    : list_(list), backend_(backend), events_(events) {}

DeviceWatcher::~DeviceWatcher() { stop(); }

void DeviceWatcher::start() {
  firstPass_ = true;
  retry_ = true;
  thread_.start([this](const StopEvent& stop) {
    // Shared with the stop event's call, which may still run while the thread ends.
    const std::shared_ptr<hid::ChangeWaiter> waiter = backend_.changeWaiter();
    stop.onSet([waiter] { waiter->interrupt(); });
    while (!stop.isSet()) {
      // Read before the pass: a change during the pass wakes the wait at once.
      const uint64_t seen = backend_.changeCounter();
      try {
        pass();
      } catch (const std::exception& e) {
        // Out of memory or a bug: the watcher keeps watching, and looks again.
        debugPrintf("device watcher pass failed: %s", e.what());
        retry_ = true;
      }
      if (stop.isSet()) break;
      // Asleep until a node comes or goes; a pass that owes another look (an
      // interface it could not open, a failed enumeration) comes back soon.
      waiter->wait(seen, retry_ ? kRetryPause : kQuietPause);
    }
    stop.onSet(nullptr);
    debugLine("抓取设备线程设定退出");
  });
}

bool DeviceWatcher::stop(std::chrono::milliseconds bound) { return thread_.stop(bound); }

void DeviceWatcher::pass() {
  if (!list_.allPresent()) {
    const uint64_t changes = backend_.changeCounter();
    if (retry_ || firstPass_ || changes != seenChanges_) {
      seenChanges_ = changes;
      scan();
    }
  }
  if (firstPass_) {
    firstPass_ = false;
    events_.firstScanDone();
  }
  checkPresence();
}

void DeviceWatcher::scan() {
  retry_ = false;
  hid::HidDevice identify(backend_);
  ++enumerations_;
  if (!identify.enumerate()) {
    // A failed enumeration is tried again on the next pass rather than ending
    // hot-plug detection for the rest of the session.
    debugLine("enumeration failed");
    retry_ = true;
    return;
  }
  while (auto path = identify.nextPath()) {
    InterfaceKey key;
    key.vendorId = hid::pathVendorId(*path);
    key.productId = hid::pathProductId(*path);
    key.interfaceNumber = hid::pathInterfaceNumber(*path);
    key.collectionNumber = hid::pathCollectionNumber(*path);
    key.path = *path;
    if (!list_.isWanted(key)) continue;
    // Taken before opening: should the node be replaced meanwhile, the
    // presence check sees another identity and reports the removal.
    const std::optional<hid::NodeIdentity> node = backend_.identity(*path);
    bool opened = false;
    try {
      opened = node && identify.open(*path, true, false, true, false);
    } catch (const std::bad_alloc&) {
      debugPrintf("%s: not enough memory to open", path->c_str());
    }
    if (!opened) {
      retry_ = true;  // skipped now, tried again on the next pass
      continue;
    }
    const hid::HidAttributes attributes = identify.attributes();
    const hid::HidCaps caps = identify.caps();
    identify.close();
    key.vendorId = attributes.vendorId;
    key.productId = attributes.productId;
    key.usagePage = caps.usagePage;
    key.usage = caps.usage;
    if (auto slot = list_.claim(key)) {
      if (identities_.size() <= static_cast<size_t>(*slot)) identities_.resize(static_cast<size_t>(*slot) + 1);
      identities_[static_cast<size_t>(*slot)] = node;
      events_.interfaceArrived(*slot);
    }
  }
  identify.freeList();
}

void DeviceWatcher::checkPresence() {
  const int count = static_cast<int>(list_.size());
  for (int i = 0; i < count; ++i) {
    auto s = list_.slot(i);
    if (!s || !s->present) continue;
    const size_t at = static_cast<size_t>(i);
    const hid::NodeIdentity* claimedOn =
        at < identities_.size() && identities_[at] ? &*identities_[at] : nullptr;
    const std::optional<hid::NodeIdentity> now = backend_.identity(s->path);
    if (now && (!claimedOn || *now == *claimedOn)) continue;
    // Another node under the same name: the bus may not look changed any more,
    // so the next pass enumerates to claim it.
    if (now) retry_ = true;
    if (static_cast<size_t>(i) < identities_.size()) identities_[static_cast<size_t>(i)].reset();
    list_.release(i);
    events_.interfaceRemoved(i);
  }
}

}  // namespace tessel
