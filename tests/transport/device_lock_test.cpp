// The per-device lock file: its name and folder, and that two processes (and
// two transports of one process) on one device never overlap their exchanges.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/clock.h"
#include "device/transport/command_transport.h"
#include "device/transport/device_lock_file.h"
#include "sim/virtual_bus.h"

namespace fs = std::filesystem;
using namespace tessel;
using transport::DeviceLockFile;

namespace {

class DeviceLock : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tessel-lock-test-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    if (old != nullptr) oldRuntime_ = old;
    ::setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    transport::shareEmulatedDevices(true);
  }
  void TearDown() override {
    transport::shareEmulatedDevices(false);
    if (oldRuntime_) ::setenv("XDG_RUNTIME_DIR", oldRuntime_->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
  std::optional<std::string> oldRuntime_;
};

// A product whose firmware writes "<tag>+" when a request arrives and "<tag>-"
// 2 ms later, to a file shared by every process; its reply then follows. Two
// exchanges overlap exactly when the log holds two "+" in a row.
struct LoggingProduct {
  sim::VirtualHidBus bus;
  ManualClock clock;
  std::shared_ptr<sim::EmulatedProduct> product;
  transport::CommandTransport transport{bus, clock};

  LoggingProduct(const fs::path& log, char tag) {
    product = bus.plug("mouse");
    product->scripted()->setResponder([log, tag](const sim::Report& request, std::vector<sim::Report>& replies) {
      const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0600);
      const char enter[2] = {tag, '+'};
      const char leave[2] = {tag, '-'};
      (void)!::write(fd, enter, 2);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      (void)!::write(fd, leave, 2);
      ::close(fd);
      sim::Report reply(64, 0);
      reply[0] = 4;
      reply[3] = request[3];
      replies.push_back(reply);
    });
  }
  bool connect() { return transport.connect(product->commandPath(), transport::kConnectionCable); }
  void run(int exchanges) {
    for (int i = 0; i < exchanges; ++i) transport.resumeLighting();
  }
};

// Pairs "X+X-" one after the other; false at the first overlap.
bool exchangesStayApart(const std::string& log, int expectedPairs) {
  if (log.size() != static_cast<size_t>(expectedPairs) * 4) return false;
  for (size_t i = 0; i < log.size(); i += 4) {
    if (log[i + 1] != '+' || log[i + 3] != '-' || log[i] != log[i + 2]) return false;
  }
  return true;
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST_F(DeviceLock, NamesComeFromTheProductAndTheRealNode) {
  EXPECT_EQ(transport::deviceLockName("/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04"), "320f_7c1f-hidraw3.lock");
  EXPECT_EQ(transport::deviceLockName("sim/hidraw5#vid_320f&pid_7c20&mi_01&col04"), "320f_7c20.lock");
  // Emulated products of unrelated processes (tests) do not share a lock by default.
  transport::shareEmulatedDevices(false);
  EXPECT_EQ(transport::deviceLockName("sim/hidraw5#vid_320f&pid_7c20&mi_01&col04"), "");
  EXPECT_EQ(transport::deviceLockName("/dev/hidraw0#vid_0c76&pid_1630&mi_03"), "0c76_1630-hidraw0.lock");
}

TEST_F(DeviceLock, FolderFollowsTheRuntimeFolderOrFallsBackToTmp) {
  EXPECT_EQ(transport::deviceLockFolder(), root_ / "tessel-rgb");
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(transport::deviceLockFolder(), fs::path("/tmp/tessel-rgb-" + std::to_string(::getuid())));
}

TEST_F(DeviceLock, OpensInAPrivateFolderAndRefusesAFolderOthersCanEnter) {
  DeviceLockFile lock;
  ASSERT_TRUE(lock.open("sim/hidraw0#vid_320f&pid_7c1f&mi_01&col04"));
  EXPECT_EQ(lock.path(), root_ / "tessel-rgb" / "320f_7c1f.lock");
  struct stat st {};
  ASSERT_EQ(::stat((root_ / "tessel-rgb").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A folder open to everyone (someone else may have made it in /tmp) is not used.
  const fs::path open = root_ / "open";
  fs::create_directory(open);
  fs::permissions(open, fs::perms::all);
  DeviceLockFile other;
  EXPECT_FALSE(other.open("sim/hidraw0#vid_320f&pid_7c1f&mi_01&col04", open));
  EXPECT_FALSE(other.isOpen());
  other.lock();  // unlocked: does not block, does nothing
  other.unlock();
}

TEST_F(DeviceLock, TwoProcessesNeverOverlapTheirExchanges) {
  const fs::path log = root_ / "exchanges.log";
  constexpr int kExchanges = 40;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    LoggingProduct p(log, 'c');
    if (!p.connect()) ::_exit(3);
    p.run(kExchanges);
    ::_exit(0);
  }
  LoggingProduct p(log, 'p');
  ASSERT_TRUE(p.connect());
  EXPECT_FALSE(p.transport.deviceLock().path().empty());
  p.run(kExchanges);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  const std::string text = readAll(log);
  EXPECT_TRUE(exchangesStayApart(text, 2 * kExchanges)) << text;
  EXPECT_NE(text.find('c'), std::string::npos);
  EXPECT_NE(text.find('p'), std::string::npos);
}

TEST_F(DeviceLock, TwoLockObjectsOfOneProcessExcludeEachOther) {
  // Two transports of one process on one device each open the file: the
  // second waits for the first, as another process would.
  const std::string path = "sim/hidraw0#vid_320f&pid_7c1f&mi_01&col04";
  DeviceLockFile first, second;
  ASSERT_TRUE(first.open(path));
  ASSERT_TRUE(second.open(path));
  std::atomic<bool> inside{false};
  std::atomic<bool> overlapped{false};
  std::atomic<bool> started{false};
  std::thread holder([&] {
    first.lock();
    inside = true;
    started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    inside = false;
    first.unlock();
  });
  while (!started) std::this_thread::yield();
  second.lock();
  overlapped = inside.load();
  second.unlock();
  holder.join();
  EXPECT_FALSE(overlapped);
}

TEST_F(DeviceLock, AHolderThatNeverLetsGoMakesTheExchangeBusyNamingIt) {
  // A stopped process keeps its lock: the next exchange gives up after the
  // wait limit, says who holds the device, and the holder's end frees it.
  LoggingProduct product(root_ / "log", 'a');
  ASSERT_TRUE(product.connect());
  DeviceLockFile stopped;
  ASSERT_TRUE(stopped.open(product.product->commandPath()));
  ASSERT_TRUE(stopped.lock());
  product.transport.deviceLock().setWaitLimit(std::chrono::milliseconds(30));
  EXPECT_EQ(product.transport.resumeLighting(), ResultCode::Busy);
  EXPECT_EQ(product.transport.deviceLock().holder(), "held by process " + std::to_string(::getpid()));
  stopped.unlock();
  EXPECT_EQ(product.transport.resumeLighting(), ResultCode::Success);
}
