#include "input/evdev_source.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/thread_name.h"
#include "input/input_mapping.h"
#include "input/reader_thread.h"
#include "platform/debug.h"

namespace tessel::input {

namespace {

constexpr size_t kRecordSize = sizeof(struct input_event);
static_assert(EvdevRecordDecoder::kKeyCount == KEY_CNT);

// Keys or buttons worth listening to: a keyboard (has KEY_A or KEY_ENTER) or
// a pointer with a left button.
bool hasKeysOrButtons(int fd, std::string* name) {
  struct libevdev* dev = nullptr;
  if (libevdev_new_from_fd(fd, &dev) < 0) return false;
  const bool keys = libevdev_has_event_type(dev, EV_KEY) &&
                    (libevdev_has_event_code(dev, EV_KEY, KEY_A) || libevdev_has_event_code(dev, EV_KEY, KEY_ENTER) ||
                     libevdev_has_event_code(dev, EV_KEY, BTN_LEFT));
  if (name && libevdev_get_name(dev)) *name = libevdev_get_name(dev);
  libevdev_free(dev);  // the descriptor stays open
  return keys;
}

std::vector<std::string> eventNodes(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.rfind("event", 0) == 0) out.push_back(entry.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

void EvdevRecordDecoder::record(const uint8_t* bytes, std::vector<InputEvent>& out) {
  struct input_event ev;
  std::memcpy(&ev, bytes, kRecordSize);
  if (ev.type == EV_SYN) {
    if (ev.code == SYN_DROPPED) {
      dropping_ = true;
      lost_ = true;
    } else if (ev.code == SYN_REPORT) {
      dropping_ = false;
    }
    return;
  }
  if (dropping_ || ev.type != EV_KEY) return;
  if (ev.value < 0 || ev.value > 2) return;
  if (ev.code < kKeyCount) down_[ev.code] = ev.value != 0;
  if (auto event = eventFromEvdevKey(ev.code, ev.value != 0)) out.push_back(*event);
}

void EvdevRecordDecoder::resync(const std::bitset<kKeyCount>& pressed, std::vector<InputEvent>& out) {
  lost_ = false;
  for (size_t code = 0; code < kKeyCount; ++code) {
    if (!down_[code] || pressed[code]) continue;
    down_[code] = false;
    if (auto event = eventFromEvdevKey(static_cast<uint16_t>(code), false)) out.push_back(*event);
  }
}

void EvdevRecordDecoder::feed(std::span<const uint8_t> bytes, std::vector<InputEvent>& out) {
  size_t at = 0;
  if (!partial_.empty()) {
    const size_t need = kRecordSize - partial_.size();
    const size_t take = std::min(need, bytes.size());
    partial_.insert(partial_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    at = take;
    if (partial_.size() < kRecordSize) return;
    record(partial_.data(), out);
    partial_.clear();
  }
  for (; at + kRecordSize <= bytes.size(); at += kRecordSize) record(bytes.data() + at, out);
  partial_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
}

bool readEvdevRecords(int fd, EvdevRecordDecoder& decoder, std::vector<InputEvent>& out) {
  uint8_t buffer[64 * kRecordSize];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) {
    decoder.feed(std::span<const uint8_t>(buffer, static_cast<size_t>(n)), out);
    return true;
  }
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  return false;  // end of file, or the device was unplugged (ENODEV)
}

std::vector<EvdevDevice> readableKeyDevices(const std::string& dir) {
  std::vector<EvdevDevice> out;
  for (const auto& path : eventNodes(dir)) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    EvdevDevice device{path, {}};
    if (hasKeysOrButtons(fd, &device.name)) out.push_back(std::move(device));
    ::close(fd);
  }
  return out;
}

EvdevSource::EvdevSource(std::string dir) : dir_(std::move(dir)) {}

EvdevSource::EvdevSource(std::vector<int> fds) : givenFds_(std::move(fds)) {}

EvdevSource::~EvdevSource() {
  stop();
  for (int fd : givenFds_) ::close(fd);
}

std::string EvdevSource::description() const { return "input devices in " + (dir_.empty() ? "the test" : dir_); }

bool EvdevSource::start(InputSink sink, bool /*grabKeyboard*/, std::string& reason) {
  stop();
  std::vector<int> fds;
  if (!givenFds_.empty()) {
    fds = givenFds_;
  } else {
    for (const auto& path : eventNodes(dir_)) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) continue;
      if (hasKeysOrButtons(fd, nullptr))
        fds.push_back(fd);
      else
        ::close(fd);
    }
  }
  if (fds.empty()) {
    reason = "no readable keyboard or mouse in " + dir_;
    return false;
  }
  stopFd_ = openStopEvent(reason);
  if (stopFd_ < 0) {
    if (givenFds_.empty())
      for (int fd : fds) ::close(fd);
    return false;
  }
  deviceCount_ = fds.size();
  running_ = true;
  thread_ = std::thread(&EvdevSource::run, this, std::move(fds), stopFd_, std::move(sink));
  return true;
}

void EvdevSource::run(std::vector<int> fds, int stopFd, InputSink sink) {
  nameThisThread("input evdev");
  const bool owned = givenFds_.empty();
  std::vector<EvdevRecordDecoder> decoders(fds.size());
  std::vector<InputEvent> events;
  for (;;) {
    std::vector<pollfd> polls;
    polls.push_back({stopFd, POLLIN, 0});
    for (int fd : fds) polls.push_back({fd, POLLIN, 0});
    if (::poll(polls.data(), polls.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (polls[0].revents) break;
    for (size_t i = fds.size(); i-- > 0;) {
      const short revents = polls[i + 1].revents;
      if (!revents) continue;
      events.clear();
      bool alive = (revents & POLLIN) ? readEvdevRecords(fds[i], decoders[i], events) : false;
      if (alive && decoders[i].needsResync()) {
        // Records were lost: ask the device which keys are down now.
        uint8_t bits[EvdevRecordDecoder::kKeyCount / 8] = {};
        std::bitset<EvdevRecordDecoder::kKeyCount> pressed;
        if (::ioctl(fds[i], EVIOCGKEY(sizeof bits), bits) >= 0)
          for (size_t code = 0; code < EvdevRecordDecoder::kKeyCount; ++code)
            pressed[code] = (bits[code / 8] >> (code % 8)) & 1;
        // Without the state (not a device) every key seen down is let go.
        decoders[i].resync(pressed, events);
      }
      for (const auto& e : events) sink(e);
      if (!alive || (revents & (POLLERR | POLLNVAL)) || ((revents & POLLHUP) && !(revents & POLLIN))) {
        debugLine("evdev: a device went away while recording");
        if (owned) ::close(fds[i]);
        fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
        decoders.erase(decoders.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
  }
  if (owned)
    for (int fd : fds) ::close(fd);
}

void EvdevSource::stop() {
  stopReaderThread(thread_, stopFd_, running_);
}

}  // namespace tessel::input
