#pragma once
// HidDevice: one handle on one HID top-level collection, over a HidBackend
// (hidraw by default, the virtual bus in tests and demo mode).
//
// Threads: one thread may read while another writes and a third closes; a
// close (or an open of another path) makes a pending read or write, even an
// endless one, return false at once. At most one read and one write may be
// pending at a time; callers serialise their exchanges.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/hid_backend.h"
#include "device/hid/hid_input.h"
#include "device/hid/hid_path.h"
#include "device/hid/report_descriptor.h"

namespace tessel::hid {

// The capabilities of the opened collection.
struct HidCaps {
  uint16_t usage = 0;
  uint16_t usagePage = 0;
  uint16_t inputReportByteLength = 0;   // report id byte included
  uint16_t outputReportByteLength = 0;
  uint16_t featureReportByteLength = 0;
  uint16_t numberInputButtonCaps = 0;
  uint16_t numberInputValueCaps = 0;
};

class HidDevice {
 public:
  explicit HidDevice(HidBackend& backend = defaultBackend());
  ~HidDevice();
  HidDevice(const HidDevice&) = delete;
  HidDevice& operator=(const HidDevice&) = delete;

  // Path list.
  bool enumerate();                       // fills the list, resets the cursor; false: empty list
  std::optional<std::string> nextPath();  // the next path, none at the end
  void freeList();
  size_t pathCount() const;

  // Opens one collection (an open object is closed first) and describes it.
  // False leaves the object closed. `overlapped` and `exclusive` are kept for
  // the record: every handle here waits with a time-out and shares the node.
  bool open(const std::string& path, bool wantRead, bool wantWrite, bool overlapped = true,
            bool exclusive = false);
  void close();
  bool isOpen() const;

  // One report; false on time-out (the object stays open), close or loss.
  // timeoutMs may be kInfinite.
  bool read(uint8_t* buffer, size_t length, size_t* count, int timeoutMs);
  bool write(const uint8_t* buffer, size_t length, size_t* count, int timeoutMs);
  // An output report through the control pipe (the headset's 17-byte LED reports).
  bool sendOutputReport(const uint8_t* buffer, size_t length);

  // Unpacks one input report into the input items (see hid_input.h).
  HidStatus unpackInput(const uint8_t* report, size_t length);
  std::vector<HidDataItem> inputItems() const;  // a copy
  // The first usage of the first input item, 0 when there is none.
  uint16_t firstInputUsage() const;

  std::string devicePath() const;
  HidAttributes attributes() const;
  HidCaps caps() const;
  uint32_t interfaceNumber() const;
  uint32_t collectionNumber() const;
  bool wantRead() const;
  bool wantWrite() const;

  HidBackend& backend() { return backend_; }

 private:
  std::shared_ptr<HidChannel> channel() const;

  HidBackend& backend_;
  std::vector<std::string> paths_;  // used by one thread (the watcher)
  size_t cursor_ = 0;

  mutable std::mutex mutex_;  // guards everything below
  std::shared_ptr<HidChannel> channel_;
  std::string path_;
  bool wantRead_ = false, wantWrite_ = false, overlapped_ = false, exclusive_ = false;
  HidAttributes attributes_;
  HidCaps caps_;
  TopCollection collection_;
  std::vector<HidDataItem> items_;
  uint32_t interfaceNumber_ = 0;
  uint32_t collectionNumber_ = 0;
};

// The collection a path names inside its interface's descriptor: "&colNN"
// counts from 1; no "&col" means the first (and only) one. nullptr when the
// descriptor has no such collection.
const TopCollection* collectionOfPath(const ReportDescriptor& descriptor, const std::string& path);

}  // namespace tessel::hid
