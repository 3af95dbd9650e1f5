#include "device/transport/device_lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "device/hid/hid_path.h"
#include "platform/debug.h"
#include "platform/held_lock.h"

namespace tessel::transport {

namespace {

// The folder must be a real directory of ours that nobody else can enter:
// in a shared /tmp someone else could have made it first.
bool folderIsOurs(const std::filesystem::path& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 0077) == 0;
}

bool makeFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    // The parent may be missing ($XDG_RUNTIME_DIR/tessel-rgb under a fresh
    // runtime folder is one level; a test's folder may be deeper).
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return folderIsOurs(folder);
}

std::atomic<bool> gEmulatedShared{false};

}  // namespace

void shareEmulatedDevices(bool shared) { gEmulatedShared.store(shared, std::memory_order_release); }
bool emulatedDevicesShared() { return gEmulatedShared.load(std::memory_order_acquire); }

std::filesystem::path deviceLockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::filesystem::path(runtime) / "tessel-rgb";
  return std::filesystem::path("/tmp") / ("tessel-rgb-" + std::to_string(::getuid()));
}

std::string deviceLockName(std::string_view devicePath) {
  const std::string_view node = hid::pathNode(devicePath);
  const bool real = node.rfind("/dev/", 0) == 0;
  if (!real && !emulatedDevicesShared()) return {};
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x_%04x", hid::pathVendorId(devicePath), hid::pathProductId(devicePath));
  std::string name = ids;
  if (real) {
    std::string_view base = node.substr(node.rfind('/') + 1);
    std::string clean;
    for (char c : base)
      clean.push_back((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : '_');
    if (!clean.empty()) name += "-" + clean;
  }
  return name + ".lock";
}

DeviceLockFile::~DeviceLockFile() { close(); }

bool DeviceLockFile::open(std::string_view devicePath, const std::optional<std::filesystem::path>& folder) {
  std::lock_guard guard(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
  const std::string name = deviceLockName(devicePath);
  if (name.empty()) return false;
  const std::filesystem::path dir = folder.value_or(deviceLockFolder());
  if (!makeFolder(dir)) {
    debugPrintf("device lock: folder %s is not usable; exchanges run without the lock", dir.c_str());
    return false;
  }
  const std::filesystem::path file = dir / name;
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    debugPrintf("device lock: cannot open %s; exchanges run without the lock", file.c_str());
    return false;
  }
  fd_ = fd;
  path_ = file;
  return true;
}

void DeviceLockFile::close() {
  std::lock_guard guard(mutex_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
}

bool DeviceLockFile::isOpen() const {
  std::lock_guard guard(mutex_);
  return fd_ >= 0;
}

std::filesystem::path DeviceLockFile::path() const {
  std::lock_guard guard(mutex_);
  return path_;
}

bool DeviceLockFile::lock() {
  mutex_.lock();
  locked_ = false;
  if (fd_ < 0) return true;
  locked_ = lockWithin(fd_, waitLimit_);
  if (!locked_) {
    holder_ = heldByText(fd_);
    debugPrintf("device lock: %s %s", path_.c_str(), holder_.c_str());
  }
  return locked_;
}

void DeviceLockFile::unlock() {
  if (fd_ >= 0 && locked_) ::flock(fd_, LOCK_UN);
  locked_ = false;
  mutex_.unlock();
}

void DeviceLockFile::setWaitLimit(std::chrono::milliseconds limit) {
  std::lock_guard guard(mutex_);
  waitLimit_ = limit;
}

std::string DeviceLockFile::holder() const {
  std::lock_guard guard(mutex_);
  return holder_;
}

}  // namespace tessel::transport
