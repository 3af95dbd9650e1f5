#pragma once
// The real backend: /dev/hidraw* nodes found with libudev.
//
// Enumeration reads only sysfs (through a SysfsSource), so it needs no access
// to the nodes themselves and can be fed recorded data in tests: each hidraw
// node gives its node name, the HID_ID of its hid parent, the bInterfaceNumber
// of the USB interface it hangs on and the report descriptor. Every top-level
// collection of the descriptor becomes one path,
//   "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04"
// with "&colNN" counted from 1 in descriptor order and left out when the
// interface has a single collection.
//
// Opening a path opens the node, checks with HIDIOCGRAWINFO that it still
// belongs to the product in the path (node numbers are reused after a replug),
// reads the descriptor with HIDIOCGRDESC and hands out an FdChannel that sees
// only its collection's input reports.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/fd_channel.h"
#include "device/hid/hid_backend.h"

namespace tessel::hid {

// One hidraw node as sysfs shows it.
struct SysfsRecord {
  std::string devNode;                    // "/dev/hidraw3"
  std::string hidId;                      // HID_ID of the hid device: "0003:0000320F:00007C1F"
  std::string interfaceNumber;            // bInterfaceNumber, "01"; empty when not on USB
  std::string bcdDevice;                  // of the USB device, "0102"; may be empty
  std::vector<uint8_t> reportDescriptor;  // the hid device's "report_descriptor"
};

struct HidrawNode {
  std::string devNode;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  uint16_t interfaceNumber = 0;
  std::vector<uint8_t> descriptor;
};

// Reads one record; none when HID_ID is malformed or the node name is empty.
std::optional<HidrawNode> nodeFromSysfs(const SysfsRecord& record);

// Appends the paths of every top-level collection of `nodes`, ordered by node
// number, then by collection. A node whose descriptor does not parse gives none.
void collectionPaths(std::vector<HidrawNode> nodes, std::vector<std::string>& paths);

// Opens the channel of the collection `path` names over an opened node `fd`
// (taken over and closed on failure). Used by the backend and by tests with a
// socketpair. nullptr when the descriptor has no such collection.
std::unique_ptr<FdChannel> makeCollectionChannel(int fd, const std::string& path,
                                                 const HidAttributes& attributes,
                                                 std::vector<uint8_t> descriptor, bool wantRead,
                                                 bool wantWrite);

class SysfsSource {
 public:
  virtual ~SysfsSource() = default;
  // Every hidraw node present; false on failure.
  virtual bool list(std::vector<SysfsRecord>& records) = 0;
  // The record of one node, for its version number; none when unknown.
  virtual std::optional<SysfsRecord> find(const std::string& devNode) = 0;
  // Grows when a node appears or disappears.
  virtual uint64_t changeCounter() = 0;
};

// libudev over the live sysfs; changes are seen by watching /dev for hidraw
// nodes coming and going (works without a udev daemon, e.g. in containers).
std::unique_ptr<SysfsSource> makeUdevSource();

class HidrawBackend : public HidBackend {
 public:
  explicit HidrawBackend(std::unique_ptr<SysfsSource> source = makeUdevSource());

  bool enumerate(std::vector<std::string>& paths) override;
  std::unique_ptr<HidChannel> open(const std::string& path, bool wantRead, bool wantWrite) override;
  uint64_t changeCounter() override;
  std::optional<NodeIdentity> identity(const std::string& path) override;
  // Wakes when a hidraw node appears in, leaves or changes in /dev.
  std::unique_ptr<ChangeWaiter> changeWaiter() override;

 private:
  std::mutex mutex_;  // the source is used by one thread at a time
  std::unique_ptr<SysfsSource> source_;
};

}  // namespace tessel::hid
