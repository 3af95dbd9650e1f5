#include "platform/held_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <thread>

namespace tessel {

namespace {

void writeHolder(int fd) {
  const std::string text = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) != 0) return;
  [[maybe_unused]] const ssize_t n = ::pwrite(fd, text.data(), text.size(), 0);
}

}  // namespace

bool lockWithin(int fd, std::chrono::milliseconds limit) {
  if (fd < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      writeHolder(fd);
      return true;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

std::optional<int> lockHolder(int fd) {
  char text[32] = {};
  const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
  if (n <= 0) return std::nullopt;
  int pid = 0;
  const auto [end, ec] = std::from_chars(text, text + n, pid);
  if (ec != std::errc() || pid <= 0) return std::nullopt;
  return pid;
}

std::string heldByText(int fd) {
  const auto pid = lockHolder(fd);
  return pid ? "held by process " + std::to_string(*pid) : std::string("held by another process");
}

HeldLock::HeldLock(const std::filesystem::path& file, std::chrono::milliseconds limit) {
  fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    why_ = "cannot open " + file.string() + ": " + std::strerror(errno);
    return;
  }
  locked_ = lockWithin(fd_, limit);
  if (!locked_) why_ = heldByText(fd_);
}

HeldLock::~HeldLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace tessel
