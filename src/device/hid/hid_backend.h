#pragma once
// The platform side of HID access. Two backends implement it: hidraw + libudev
// (real devices) and the in-process virtual bus (emulated products, sim/).
// Both give the same results and the same path format:
//   "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04"
// one path per top-level collection, collections numbered from 1 in descriptor
// order; an interface with a single collection has no "&col" part.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessel::hid {

inline constexpr int kInfinite = -1;  // time-out that waits until a report or close

// Which node a path stands for: the device number and inode of the hidraw node
// (a virtual node: its number and plug serial). A product unplugged and plugged
// back may get the same node name, never the same identity.
struct NodeIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  friend bool operator==(const NodeIdentity&, const NodeIdentity&) = default;
};

struct HidAttributes {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
};

// One opened top-level collection. Reads see only the input reports whose
// report ids belong to this collection.
class HidChannel {
 public:
  virtual ~HidChannel() = default;
  // Waits up to timeoutMs (kInfinite: no limit) for one input report. False on
  // time-out, cancel, close or device loss; the channel stays usable after a time-out.
  virtual bool read(uint8_t* buffer, size_t length, size_t* count, int timeoutMs) = 0;
  // Sends one output report (first byte the report id). False on failure or time-out.
  virtual bool write(const uint8_t* buffer, size_t length, size_t* count, int timeoutMs) = 0;
  // Sends an output report through the control pipe (HIDIOCSOUTPUT on hidraw).
  virtual bool sendOutputReport(const uint8_t* buffer, size_t length) = 0;
  // Makes a pending read or write (on any thread) return false at once. Later
  // calls are not affected.
  virtual void cancel() = 0;
  // Ends the channel for good: pending calls return false at once and every
  // later read, write or output report fails. Idempotent; any thread. The
  // object itself may still be destroyed only when no call is running in it.
  virtual void close() = 0;
  virtual HidAttributes attributes() const = 0;
  // The report descriptor of the whole interface the collection belongs to.
  virtual std::vector<uint8_t> reportDescriptor() const = 0;
};

// Sleeps one watcher thread until the backend's interfaces may have changed.
class ChangeWaiter {
 public:
  virtual ~ChangeWaiter() = default;
  // Returns when changeCounter() may no longer be `seen`, when `bound` has
  // passed, or at once after interrupt().
  virtual void wait(uint64_t seen, std::chrono::milliseconds bound) = 0;
  // Any thread; holds from then on (the waiter's thread is ending).
  virtual void interrupt() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Paths of every present HID collection; false on failure (paths cleared).
  virtual bool enumerate(std::vector<std::string>& paths) = 0;
  // Opens one collection by path; nullptr when it is gone or cannot be opened.
  virtual std::unique_ptr<HidChannel> open(const std::string& path, bool wantRead, bool wantWrite) = 0;
  // Grows whenever an interface appears or disappears, so a watcher can skip
  // enumeration while nothing changed. Cheap to call.
  virtual uint64_t changeCounter() = 0;
  // The identity of the node behind `path` while it is attached; none once it
  // is gone (costs no more than a stat).
  virtual std::optional<NodeIdentity> identity(const std::string& path) = 0;
  // True while the collection at `path` is attached.
  bool present(const std::string& path) { return identity(path).has_value(); }
  // A waiter for one watcher thread. This one sleeps out its bound: a backend
  // that can be told of changes wakes its waiters early instead.
  virtual std::unique_ptr<ChangeWaiter> changeWaiter();
};

// The backend the program uses: hidraw by default; the virtual bus in demo
// mode and in tests. Not owned.
HidBackend& defaultBackend();
void setDefaultBackend(HidBackend* backend);  // nullptr restores hidraw

}  // namespace tessel::hid
