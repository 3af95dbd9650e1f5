#include "device/hid/hidraw_backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

#include "device/hid/hid_path.h"
#include "device/hid/report_descriptor.h"
#include "platform/debug.h"

namespace tessel::hid {
namespace {

bool parseHex(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  uint32_t v = 0;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = (v << 4) | static_cast<uint32_t>(d);
  }
  value = v;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

// The number at the end of "/dev/hidraw12", for ordering.
long nodeNumber(const std::string& node) {
  size_t i = node.size();
  while (i > 0 && node[i - 1] >= '0' && node[i - 1] <= '9') --i;
  return i < node.size() ? std::strtol(node.c_str() + i, nullptr, 10) : -1;
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UdevSource : public SysfsSource {
 public:
  UdevSource() : udev_(udev_new()) {}
  ~UdevSource() override {
    if (udev_) udev_unref(udev_);
  }

  bool list(std::vector<SysfsRecord>& records) override {
    records.clear();
    if (!udev_) return false;
    udev_enumerate* e = udev_enumerate_new(udev_);
    if (!e) return false;
    bool ok = udev_enumerate_add_match_subsystem(e, "hidraw") >= 0 && udev_enumerate_scan_devices(e) >= 0;
    if (ok) {
      udev_list_entry* entry;
      udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
        udev_device* dev = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (!dev) continue;  // gone meanwhile
        if (auto r = record(dev)) records.push_back(std::move(*r));
        udev_device_unref(dev);
      }
    }
    udev_enumerate_unref(e);
    return ok;
  }

  std::optional<SysfsRecord> find(const std::string& devNode) override {
    struct stat st;
    if (!udev_ || ::stat(devNode.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return std::nullopt;
    udev_device* dev = udev_device_new_from_devnum(udev_, 'c', st.st_rdev);
    if (!dev) return std::nullopt;
    auto r = record(dev);
    udev_device_unref(dev);
    return r;
  }

  uint64_t changeCounter() override {
    // The set of hidraw nodes in /dev (name, inode, change time): a node that
    // is removed and created again under the same name gets a new inode.
    std::set<std::tuple<std::string, ino_t, long, long>> now;
    if (DIR* d = ::opendir("/dev")) {
      while (dirent* ent = ::readdir(d)) {
        if (std::string_view(ent->d_name).substr(0, 6) != "hidraw") continue;
        std::string node = std::string("/dev/") + ent->d_name;
        struct stat st;
        if (::stat(node.c_str(), &st) == 0)
          now.emplace(node, st.st_ino, static_cast<long>(st.st_ctim.tv_sec), st.st_ctim.tv_nsec);
      }
      ::closedir(d);
    }
    if (now != last_) {
      last_ = std::move(now);
      ++counter_;
    }
    return counter_;
  }

 private:
  static std::optional<SysfsRecord> record(udev_device* dev) {
    const char* node = udev_device_get_devnode(dev);
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
    if (!node || !hid) return std::nullopt;
    SysfsRecord r;
    r.devNode = node;
    if (const char* id = udev_device_get_property_value(hid, "HID_ID")) r.hidId = id;
    if (const char* sys = udev_device_get_syspath(hid))
      r.reportDescriptor = readFile(std::string(sys) + "/report_descriptor");
    if (udev_device* intf = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_interface"))
      if (const char* n = udev_device_get_sysattr_value(intf, "bInterfaceNumber")) r.interfaceNumber = n;
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device"))
      if (const char* v = udev_device_get_sysattr_value(usb, "bcdDevice")) r.bcdDevice = v;
    return r;
  }

  udev* udev_;
  std::set<std::tuple<std::string, ino_t, long, long>> last_;
  uint64_t counter_ = 0;
};

}  // namespace

std::optional<HidrawNode> nodeFromSysfs(const SysfsRecord& record) {
  if (record.devNode.empty()) return std::nullopt;
  // HID_ID is "bus:vendor:product", each hexadecimal.
  std::string_view id = trim(record.hidId);
  size_t a = id.find(':');
  size_t b = a == std::string_view::npos ? a : id.find(':', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  uint32_t bus, vid, pid;
  if (!parseHex(id.substr(0, a), bus) || !parseHex(id.substr(a + 1, b - a - 1), vid) ||
      !parseHex(id.substr(b + 1), pid))
    return std::nullopt;
  HidrawNode n;
  n.devNode = record.devNode;
  n.vendorId = static_cast<uint16_t>(vid);
  n.productId = static_cast<uint16_t>(pid);
  uint32_t v = 0;
  if (parseHex(trim(record.interfaceNumber), v)) n.interfaceNumber = static_cast<uint16_t>(v);
  if (parseHex(trim(record.bcdDevice), v)) n.versionNumber = static_cast<uint16_t>(v);
  n.descriptor = record.reportDescriptor;
  return n;
}

void collectionPaths(std::vector<HidrawNode> nodes, std::vector<std::string>& paths) {
  std::stable_sort(nodes.begin(), nodes.end(), [](const HidrawNode& x, const HidrawNode& y) {
    return nodeNumber(x.devNode) < nodeNumber(y.devNode);
  });
  for (const HidrawNode& n : nodes) {
    ReportDescriptor d;
    if (parseReportDescriptor(n.descriptor, d) != DescriptorError::None) {
      debugPrintf("hidraw: %s: unreadable report descriptor", n.devNode.c_str());
      continue;
    }
    size_t count = d.collections.size();
    for (size_t i = 0; i < count; ++i)
      paths.push_back(makeDevicePath(n.devNode, n.vendorId, n.productId, n.interfaceNumber,
                                     count == 1 ? 0 : static_cast<uint16_t>(i + 1)));
  }
}

std::unique_ptr<FdChannel> makeCollectionChannel(int fd, const std::string& path,
                                                 const HidAttributes& attributes,
                                                 std::vector<uint8_t> descriptor, bool wantRead,
                                                 bool wantWrite) {
  ReportDescriptor d;
  if (fd < 0) return nullptr;
  uint16_t col = pathCollectionNumber(path);
  size_t index = col == 0 ? 0 : size_t(col) - 1;
  if (parseReportDescriptor(descriptor, d) != DescriptorError::None || index >= d.collections.size() ||
      (col == 0 && d.collections.size() != 1)) {
    ::close(fd);
    return nullptr;
  }
  FdChannelConfig config;
  config.attributes = attributes;
  config.descriptor = std::move(descriptor);
  config.inputReportIds = d.collections[index].inputReportIds;
  config.usesReportIds = d.usesReportIds;
  config.canRead = wantRead;
  config.canWrite = wantWrite;
  auto channel = std::make_unique<FdChannel>(fd, std::move(config));
  if (!channel->valid()) return nullptr;
  return channel;
}

std::unique_ptr<SysfsSource> makeUdevSource() { return std::make_unique<UdevSource>(); }

namespace {

// Sleeps in poll() on an inotify watch of /dev, waking when a hidraw node is
// created, removed or changes its attributes (udev granting access), and on
// an eventfd for interrupt(). Without inotify it sleeps out its bound.
class DevWatchWaiter : public ChangeWaiter {
 public:
  DevWatchWaiter()
      : inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), interrupt_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (inotify_ >= 0 &&
        ::inotify_add_watch(inotify_, "/dev", IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
      debugLine("hot-plug: /dev cannot be watched; looking for devices every 2 s");
      ::close(inotify_);
      inotify_ = -1;
    }
  }
  ~DevWatchWaiter() override {
    if (inotify_ >= 0) ::close(inotify_);
    if (interrupt_ >= 0) ::close(interrupt_);
  }

  void wait(uint64_t, std::chrono::milliseconds bound) override {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      pollfd fds[2] = {{interrupt_, POLLIN, 0}, {inotify_, POLLIN, 0}};
      const int n = ::poll(fds, inotify_ >= 0 ? 2 : 1, static_cast<int>(left.count()));
      if (n < 0 && errno != EINTR) return;
      if (n <= 0) continue;
      if (fds[0].revents != 0) return;  // interrupted: stays readable
      if (fds[1].revents != 0 && hidrawEvent()) return;
    }
  }
  void interrupt() override {
    const uint64_t one = 1;
    if (interrupt_ >= 0) (void)!::write(interrupt_, &one, sizeof one);
  }

 private:
  // Reads the queued events; true when one names a hidraw node.
  bool hidrawEvent() {
    alignas(inotify_event) char buffer[4096];
    bool hidraw = false;
    for (;;) {
      const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
      if (got <= 0) return hidraw;
      for (ssize_t at = 0; at < got;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        if (e->len > 0 && std::string_view(e->name).substr(0, 6) == "hidraw") hidraw = true;
        if (e->mask & IN_Q_OVERFLOW) hidraw = true;  // events were lost: look anyway
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
  }

  int inotify_;
  int interrupt_;
};

}  // namespace

std::unique_ptr<ChangeWaiter> HidrawBackend::changeWaiter() { return std::make_unique<DevWatchWaiter>(); }

HidrawBackend::HidrawBackend(std::unique_ptr<SysfsSource> source) : source_(std::move(source)) {}

bool HidrawBackend::enumerate(std::vector<std::string>& paths) {
  paths.clear();
  std::vector<SysfsRecord> records;
  {
    std::lock_guard lock(mutex_);
    if (!source_ || !source_->list(records)) return false;
  }
  std::vector<HidrawNode> nodes;
  for (const SysfsRecord& r : records)
    if (auto n = nodeFromSysfs(r)) nodes.push_back(std::move(*n));
  collectionPaths(std::move(nodes), paths);
  return true;
}

std::unique_ptr<HidChannel> HidrawBackend::open(const std::string& path, bool wantRead, bool wantWrite) {
  std::string node(pathNode(path));
  if (node.rfind("/dev/hidraw", 0) != 0) return nullptr;
  int mode = wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  int fd = ::open(node.c_str(), mode | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  hidraw_devinfo info{};
  int size = 0;
  hidraw_report_descriptor desc{};
  if (::ioctl(fd, HIDIOCGRAWINFO, &info) < 0 || ::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 ||
      size > HID_MAX_DESCRIPTOR_SIZE) {
    ::close(fd);
    return nullptr;
  }
  desc.size = static_cast<uint32_t>(size);
  if (::ioctl(fd, HIDIOCGRDESC, &desc) < 0) {
    ::close(fd);
    return nullptr;
  }
  HidAttributes attributes;
  attributes.vendorId = static_cast<uint16_t>(info.vendor);
  attributes.productId = static_cast<uint16_t>(info.product);
  // The node number may have gone to another product since the enumeration.
  if (attributes.vendorId != pathVendorId(path) || attributes.productId != pathProductId(path)) {
    ::close(fd);
    return nullptr;
  }
  {
    std::lock_guard lock(mutex_);
    if (source_)
      if (auto r = source_->find(node))
        if (auto n = nodeFromSysfs(*r)) attributes.versionNumber = n->versionNumber;
  }
  std::vector<uint8_t> descriptor(desc.value, desc.value + desc.size);
  return makeCollectionChannel(fd, path, attributes, std::move(descriptor), wantRead, wantWrite);
}

uint64_t HidrawBackend::changeCounter() {
  std::lock_guard lock(mutex_);
  return source_ ? source_->changeCounter() : 0;
}

std::optional<NodeIdentity> HidrawBackend::identity(const std::string& path) {
  std::string node(pathNode(path));
  struct stat st;
  if (::stat(node.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return std::nullopt;
  return NodeIdentity{static_cast<uint64_t>(st.st_rdev), static_cast<uint64_t>(st.st_ino)};
}

}  // namespace tessel::hid
