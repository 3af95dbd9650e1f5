#include "input/reader_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace tessel::input {

int openStopEvent(std::string& reason) {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) reason = std::string("eventfd: ") + std::strerror(errno);
  return fd;
}

void stopReaderThread(std::thread& thread, int& stopFd, std::atomic<bool>& running) {
  if (thread.joinable()) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopFd, &one, sizeof one);
    if (thread.get_id() == std::this_thread::get_id()) {
      running = false;
      return;
    }
    thread.join();
  }
  if (stopFd >= 0) {
    ::close(stopFd);
    stopFd = -1;
  }
  running = false;
}

}  // namespace tessel::input
