#pragma once
// Advisory whole-file locks (flock) that wait a bounded time and say which
// process holds them. The holder writes its process id into the lock file
// once it has the lock, so a process that gives up can name it
// ("held by process 4711"). A stopped or hung holder then costs the others a
// clear failure instead of an endless wait.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace tessel {

// Takes the exclusive lock of `fd` within `limit`. flock has no timed wait
// and the kernel says nothing when a lock is released, so a lock that is
// taken is retried with growing pauses (1 ms doubling up to 50 ms) until the
// limit; an uncontended lock is taken at once. On success the caller's
// process id is written into the file.
bool lockWithin(int fd, std::chrono::milliseconds limit);

// The process id the current holder wrote; nullopt when unknown.
std::optional<int> lockHolder(int fd);

// "held by process N" or "held by another process".
std::string heldByText(int fd);

// A lock file opened (created 0600 when missing, never through a symlink)
// and locked for the lifetime of the object.
class HeldLock {
 public:
  HeldLock(const std::filesystem::path& file, std::chrono::milliseconds limit);
  ~HeldLock();
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

  bool locked() const { return locked_; }
  // Why the lock was not taken: "held by process N", or the open error.
  const std::string& why() const { return why_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
  std::string why_;
};

}  // namespace tessel
