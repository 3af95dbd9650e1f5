#include "ui/instance_socket.h"

#include <QSocketNotifier>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/debug.h"

namespace tessel::ui {
namespace {

bool makeAddress(const QString& path, sockaddr_un& address) {
  const QByteArray bytes = path.toLocal8Bit();
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (bytes.isEmpty() || static_cast<size_t>(bytes.size()) >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
  return true;
}

}  // namespace

InstanceSocket::InstanceSocket(std::function<void()> onRaise) : onRaise_(std::move(onRaise)) {}

InstanceSocket::~InstanceSocket() { Close(); }

bool InstanceSocket::Listen(const QString& path) {
  Close();
  sockaddr_un address;
  if (!makeAddress(path, address)) {
    debugPrintf("instance socket: path too long: %s", path.toLocal8Bit().constData());
    return false;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::unlink(address.sun_path);  // left by an instance that died; we hold the lock now
  const mode_t old = ::umask(0077);
  const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::umask(old);
  if (!bound || ::listen(fd, 4) != 0) {
    debugPrintf("instance socket: cannot listen at %s: %s", address.sun_path, std::strerror(errno));
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = path;
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Accept(); });
  return true;
}

void InstanceSocket::Accept() {
  bool raise = false;
  for (;;) {
    const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) break;
    ::close(peer);
    raise = true;
  }
  if (raise && onRaise_) onRaise_();
}

void InstanceSocket::Close() {
  delete notifier_;
  notifier_ = nullptr;
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(path_.toLocal8Bit().constData());
  }
}

bool InstanceSocket::Raise(const QString& path) {
  sockaddr_un address;
  if (!makeAddress(path, address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

}  // namespace tessel::ui
