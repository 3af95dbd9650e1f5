#include "device/hid/fd_channel.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace tessel::hid {
namespace {

constexpr size_t kMaxReport = 4096;

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void drain(int efd) {
  uint64_t value;
  while (::read(efd, &value, sizeof value) == static_cast<ssize_t>(sizeof value)) {
  }
}

void signal(int efd) {
  if (efd < 0) return;
  uint64_t one = 1;
  ssize_t r = ::write(efd, &one, sizeof one);
  (void)r;  // the counter can only overflow after 2^64 signals
}

}  // namespace

FdChannel::FdChannel(int fd, FdChannelConfig config) : fd_(fd), config_(std::move(config)) {
  if (fd_ >= 0) {
    int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
  }
  readCancel_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  writeCancel_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  closeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  std::sort(config_.inputReportIds.begin(), config_.inputReportIds.end());
}

FdChannel::~FdChannel() {
  for (int f : {fd_, readCancel_, writeCancel_, closeFd_})
    if (f >= 0) ::close(f);
}

bool FdChannel::accepts(uint8_t reportId) const {
  if (!config_.usesReportIds) return true;
  return std::binary_search(config_.inputReportIds.begin(), config_.inputReportIds.end(), reportId);
}

FdChannel::Wait FdChannel::waitFor(short events, int cancelFd, int64_t deadlineMs, int timeoutMs) {
  for (;;) {
    if (closed_.load()) return Wait::Cancelled;
    int wait = -1;
    if (timeoutMs != kInfinite) {
      int64_t left = deadlineMs - nowMs();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd fds[3] = {{fd_, events, 0}, {cancelFd, POLLIN, 0}, {closeFd_, POLLIN, 0}};
    int r = ::poll(fds, 3, wait);
    if (r < 0) {
      if (errno == EINTR) continue;
      return Wait::Failed;
    }
    if (fds[2].revents & POLLIN) return Wait::Cancelled;
    if (fds[1].revents & POLLIN) {
      drain(cancelFd);
      return Wait::Cancelled;
    }
    if (fds[0].revents & events) return Wait::Ready;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return Wait::Failed;
    if (r == 0) return Wait::TimedOut;
  }
}

bool FdChannel::read(uint8_t* buffer, size_t length, size_t* count, int timeoutMs) {
  if (count) *count = 0;
  if (!valid() || !config_.canRead || closed_.load() || !buffer || length == 0) return false;
  drain(readCancel_);  // a cancel from before this call is not for it
  int64_t deadline = nowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  uint8_t report[kMaxReport + 1];
  for (;;) {
    Wait w = waitFor(POLLIN, readCancel_, deadline, timeoutMs);
    if (w != Wait::Ready) return false;
    // Room for a leading 0 when the node sends reports without ids.
    uint8_t* dst = config_.usesReportIds ? report : report + 1;
    ssize_t n = ::read(fd_, dst, kMaxReport);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;  // ENODEV: the device is gone
    }
    if (n == 0) return false;  // peer closed
    size_t size = static_cast<size_t>(n);
    if (!config_.usesReportIds) {
      report[0] = 0;
      ++size;
    }
    if (!accepts(report[0])) continue;  // another collection's report
    size_t copied = std::min(size, length);
    std::memcpy(buffer, report, copied);
    if (count) *count = copied;
    return true;
  }
}

bool FdChannel::write(const uint8_t* buffer, size_t length, size_t* count, int timeoutMs) {
  if (count) *count = 0;
  if (!valid() || !config_.canWrite || closed_.load() || !buffer || length == 0) return false;
  const uint8_t* data = buffer;
  size_t size = length;
  if (!config_.usesReportIds) {  // the node takes the report without its 0 id
    ++data;
    --size;
    if (size == 0) return false;
  }
  drain(writeCancel_);
  int64_t deadline = nowMs() + (timeoutMs > 0 ? timeoutMs : 0);
  for (;;) {
    Wait w = waitFor(POLLOUT, writeCancel_, deadline, timeoutMs);
    if (w != Wait::Ready) return false;
    ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return false;
    }
    if (static_cast<size_t>(n) != size) return false;
    if (count) *count = length;
    return true;
  }
}

bool FdChannel::sendOutputReport(const uint8_t* buffer, size_t length) {
  if (!valid() || !config_.canWrite || closed_.load() || !buffer || length == 0) return false;
  std::vector<uint8_t> copy(buffer, buffer + length);
  int r = ::ioctl(fd_, HIDIOCSOUTPUT(length), copy.data());
  if (r >= 0) return true;
  if (errno != ENOTTY && errno != EINVAL && errno != ENOSYS) return false;
  // Kernels without HIDIOCSOUTPUT (and descriptors that are not hidraw nodes):
  // a plain write goes out as an output report too.
  size_t n = 0;
  return write(buffer, length, &n, 1000);
}

void FdChannel::cancel() {
  signal(readCancel_);
  signal(writeCancel_);
}

void FdChannel::close() {
  closed_.store(true);
  signal(closeFd_);
}

}  // namespace tessel::hid
