#include "audio/udev_sound_card_watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <string>

#include "core/thread_name.h"
#include "platform/debug.h"

namespace tessel::audio {

namespace {

// The card number of a control node's name "controlC<N>".
std::optional<int> controlCard(const char* sysname) {
  if (!sysname) return std::nullopt;
  const std::string_view name(sysname);
  constexpr std::string_view kPrefix = "controlC";
  if (name.size() <= kPrefix.size() || name.size() > kPrefix.size() + 3 || name.substr(0, kPrefix.size()) != kPrefix)
    return std::nullopt;
  int n = 0;
  for (char c : name.substr(kPrefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string lowerText(const char* s) {
  std::string out = s ? s : "";
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Whether the node belongs to the USB device `usbId` ("vvvv:pppp").
bool isUsbDevice(udev_device* dev, const std::string& usbId) {
  udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
  if (!usb) return false;
  return lowerText(udev_device_get_sysattr_value(usb, "idVendor")) + ":" +
             lowerText(udev_device_get_sysattr_value(usb, "idProduct")) ==
         usbId;
}

}  // namespace

UdevSoundCardWatch::UdevSoundCardWatch(std::string usbId) : usbId_(std::move(usbId)) {}

UdevSoundCardWatch::~UdevSoundCardWatch() { stop(); }

std::optional<int> UdevSoundCardWatch::card() const {
  std::lock_guard lock(cardMutex_);
  return card_;
}

void UdevSoundCardWatch::cardEvent(std::string_view action, int card, bool ours) {
  std::optional<bool> present;
  {
    std::lock_guard lock(cardMutex_);
    if (action == "remove" && card_ == card) {
      card_.reset();
      present = false;
    } else if (action == "add" && ours && !card_) {
      card_ = card;
      present = true;
    }
  }
  if (present) announce(*present);
}

bool UdevSoundCardWatch::start() {
  if (thread_.joinable()) return true;
  udev* u = udev_new();
  if (!u) {
    debugLine("sound cards: udev is not available; a sound card plugged later needs a restart");
    return false;
  }
  // From the udev daemon when there is one (the node is usable by then).
  const char* source = ::access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
  udev_monitor* monitor = udev_monitor_new_from_netlink(u, source);
  if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "sound", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    debugLine("sound cards: cannot watch the sound subsystem; a sound card plugged later needs a restart");
    if (monitor) udev_monitor_unref(monitor);
    udev_unref(u);
    return false;
  }
  stopFd_ = ::eventfd(0, EFD_CLOEXEC);
  if (stopFd_ < 0) {
    udev_monitor_unref(monitor);
    udev_unref(u);
    return false;
  }
  // The card already there (watching first, so one added meanwhile is an event).
  if (udev_enumerate* e = udev_enumerate_new(u)) {
    if (udev_enumerate_add_match_subsystem(e, "sound") >= 0 && udev_enumerate_scan_devices(e) >= 0) {
      udev_list_entry* entry;
      udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
        udev_device* dev = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
        if (!dev) continue;
        const auto n = controlCard(udev_device_get_sysname(dev));
        if (n && isUsbDevice(dev, usbId_)) {
          std::lock_guard lock(cardMutex_);
          if (!card_ || *n < *card_) card_ = *n;
        }
        udev_device_unref(dev);
      }
    }
    udev_enumerate_unref(e);
  }
  udev_unref(u);  // the monitor keeps its own reference
  thread_ = std::thread([this, monitor, fd = stopFd_] {
    nameThisThread("sound cards");
    run(monitor, fd);
    udev_monitor_unref(monitor);
  });
  return true;
}

void UdevSoundCardWatch::run(void* monitorPtr, int stopFd) {
  auto* monitor = static_cast<udev_monitor*>(monitorPtr);
  pollfd fds[2] = {{udev_monitor_get_fd(monitor), POLLIN, 0}, {stopFd, POLLIN, 0}};
  while (true) {
    // Sleeps until the kernel reports a sound device or stop() wakes it.
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      debugLine("sound cards: waiting for events failed; the watch ends");
      return;
    }
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    while (udev_device* dev = udev_monitor_receive_device(monitor)) {
      const auto n = controlCard(udev_device_get_sysname(dev));
      const char* action = udev_device_get_action(dev);
      if (n && action) {
        const std::string_view a(action);
        cardEvent(a, *n, a == "add" && isUsbDevice(dev, usbId_));
      }
      udev_device_unref(dev);
    }
  }
}

void UdevSoundCardWatch::stop() {
  if (!thread_.joinable()) return;
  const uint64_t one = 1;
  if (::write(stopFd_, &one, sizeof one) < 0) debugLine("sound cards: cannot wake the watch");
  thread_.join();
  ::close(stopFd_);
  stopFd_ = -1;
}

}  // namespace tessel::audio
