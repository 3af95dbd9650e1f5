#pragma once
// DeviceLockFile: an advisory lock (flock) on one file per device, held
// around every command exchange, so two processes that talk to the same
// device (the window and tesselctl) never interleave their reports: a reply
// read by one process is always the reply to its own request. The in-process
// locks of the transport stay as they are; this lock is taken innermost,
// after the I/O lock, and released with it.
//
// Where the files live: $XDG_RUNTIME_DIR/tessel-rgb/, or /tmp/tessel-rgb-UID/
// when XDG_RUNTIME_DIR is unset. The folder is created with mode 0700; a
// folder that is not ours or lets others in is not used (a shared /tmp must
// not let another user hold our devices). Without a usable folder or file the
// exchange runs unlocked, as it did before, and one debug line says so.
//
// The file name comes from the device path: "vid_pid" of the product, and
// for a real node its name too ("320f_7c1f-hidraw3.lock"), so two identical
// mice do not wait on each other. An emulated product lives inside one
// process and needs no such lock, unless its memories are shared with other
// processes (the demo's persistent store turns shareEmulatedDevices on): it
// exists once per process under one vid:pid, whatever node number its bus
// gave it, so its lock is then "320f_7c1f.lock" in every process.
//
// The lock is per open file description: two DeviceLockFile objects on the
// same device exclude each other even inside one process (a test can use two
// transports on one emulated device).
#include <chrono>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace tessel::transport {

// The folder of the lock files (not created here).
std::filesystem::path deviceLockFolder();

// Whether emulated devices (paths outside /dev/) take the lock too. Off by
// default, so unrelated test processes on their own virtual buses never wait
// on each other.
void shareEmulatedDevices(bool shared);
bool emulatedDevicesShared();

// "320f_7c1f-hidraw3.lock" for "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04";
// "320f_7c1f.lock" for an emulated node ("sim/hidraw0#...") while emulated
// devices are shared; empty when the path needs no lock.
std::string deviceLockName(std::string_view devicePath);

class DeviceLockFile {
 public:
  DeviceLockFile() = default;
  ~DeviceLockFile();
  DeviceLockFile(const DeviceLockFile&) = delete;
  DeviceLockFile& operator=(const DeviceLockFile&) = delete;

  // Opens (creating it when missing) the lock file of `devicePath` in
  // `folder` (default: deviceLockFolder()). False (also for a path that needs
  // no lock) leaves the object unlocked: lock() then does nothing.
  bool open(std::string_view devicePath,
            const std::optional<std::filesystem::path>& folder = std::nullopt);
  void close();
  bool isOpen() const;
  std::filesystem::path path() const;

  // Takes the lock, waiting while another holder has it, at most the wait
  // limit: one exchange takes milliseconds, so a holder that keeps it longer
  // is stopped or hung, and the exchange fails as busy (false) instead of
  // waiting for ever. unlock() gives it back. The object's own mutex is held
  // in between, also after a failed wait, so two threads sharing one object
  // wait for each other (flock alone would let a second lock on the same
  // descriptor through), and open/close wait for the holder.
  bool lock();
  void unlock();
  void setWaitLimit(std::chrono::milliseconds limit);
  // "held by process N" after a failed lock().
  std::string holder() const;

 private:
  mutable std::mutex mutex_;  // held from lock() to unlock(); guards fd_ and path_
  int fd_ = -1;
  bool locked_ = false;
  std::chrono::milliseconds waitLimit_{5000};
  std::string holder_;
  std::filesystem::path path_;
};

}  // namespace tessel::transport
