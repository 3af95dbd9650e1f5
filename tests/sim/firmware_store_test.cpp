// The demo store: the emulated products' memories survive the process,
// --demo-reset goes back to the factory state, two processes on one store see
// one device, and a file that is not ours is kept aside.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/clock.h"
#include "device/transport/command_transport.h"
#include "device/transport/device_lock_file.h"
#include "platform/json_file.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_store.h"
#include "sim/virtual_bus.h"

namespace fs = std::filesystem;
using namespace tessel;

namespace {

class FirmwareStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tessel-store-test-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    ::setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    fs::create_directories(root_ / "run");
    fs::permissions(root_ / "run", fs::perms::owner_all);
  }
  void TearDown() override {
    transport::shareEmulatedDevices(false);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path folder() const { return root_ / "state" / "tessel-rgb" / "demo"; }
  fs::path root_;
};

// A process's view of the demo: a store, a bus with the mouse plugged through
// the store's factory, and a transport to it.
struct Demo {
  std::shared_ptr<sim::FirmwareStore> store;
  sim::VirtualHidBus bus;
  ManualClock clock;
  std::shared_ptr<sim::EmulatedProduct> mouse;
  transport::CommandTransport t{bus, clock};

  Demo(const fs::path& folder, bool reset = false)
      : store(std::make_shared<sim::FirmwareStore>(folder, reset)) {
    bus.setFirmwareFactory(store->factory());
    mouse = bus.plug("mouse");
    connected = t.connect(mouse->commandPath(), transport::kConnectionCable);
  }
  sim::CommandFirmware& fw() { return dynamic_cast<sim::CommandFirmware&>(mouse->firmware()); }
  std::vector<uint8_t> readSettings(uint16_t offset, size_t n) {
    std::vector<uint8_t> out(n);
    EXPECT_EQ(t.readSettings(out, offset), ResultCode::Success);
    return out;
  }
  bool connected = false;
};

}  // namespace

TEST_F(FirmwareStoreTest, FolderFollowsXdgStateHome) {
  const char* old = std::getenv("XDG_STATE_HOME");
  const std::string saved = old ? old : "";
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  ::setenv("XDG_STATE_HOME", "/somewhere/state", 1);
  EXPECT_EQ(sim::defaultFirmwareStoreFolder(), fs::path("/somewhere/state/tessel-rgb/demo"));
  ::unsetenv("XDG_STATE_HOME");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(sim::defaultFirmwareStoreFolder(), fs::path("/home/someone/.local/state/tessel-rgb/demo"));
  if (old) ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
  if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(FirmwareStoreTest, AWriteSurvivesTheProcessAndResetGoesBackToTheFactory) {
  const std::vector<uint8_t> stage1 = {1, 0, 49, 0, 49, 0, 0x11, 0x22, 0x33};
  {
    Demo first(folder());
    ASSERT_TRUE(first.connected);
    // The first start stores the factory memories.
    ASSERT_TRUE(fs::exists(folder() / "mouse.json"));
    ASSERT_EQ(first.t.writeSettings(stage1, 14 + 9), ResultCode::Success);
  }
  {
    Demo second(folder());
    ASSERT_TRUE(second.connected);
    EXPECT_EQ(second.readSettings(14 + 9, 9), stage1);
    // The rest of the memory is still the factory's.
    EXPECT_EQ(second.fw().settings()[14 + 2], sim::mouseFactoryImage(false).settings[14 + 2]);
  }
  {
    Demo reset(folder(), true);
    const std::vector<uint8_t> factory = sim::mouseFactoryImage(false).settings;
    EXPECT_EQ(reset.readSettings(14 + 9, 9), std::vector<uint8_t>(factory.begin() + 23, factory.begin() + 32));
  }
  // The reset replaced the file too.
  Demo after(folder());
  EXPECT_NE(after.readSettings(14 + 9, 9), stage1);
}

TEST_F(FirmwareStoreTest, ReplugInTheSameRunKeepsTheChangesEvenWithReset) {
  Demo d(folder(), true);
  const std::vector<uint8_t> bytes = {7, 7, 7};
  ASSERT_EQ(d.t.writeSettings(bytes, 200), ResultCode::Success);
  ASSERT_TRUE(d.bus.unplug("mouse"));
  auto again = d.bus.plug("mouse");
  ASSERT_NE(again, nullptr);
  auto& fw = dynamic_cast<sim::CommandFirmware&>(again->firmware());
  const std::vector<uint8_t> settings = fw.settings();
  EXPECT_EQ(std::vector<uint8_t>(settings.begin() + 200, settings.begin() + 203), bytes);
}

TEST_F(FirmwareStoreTest, AWriteKilledRightAfterItsReplyIsKept) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Demo d(folder());
    const std::vector<uint8_t> bytes = {0xAB, 0xCD};
    const bool ok = d.connected && d.t.writeSettings(bytes, 300) == ResultCode::Success;
    if (ok) ::kill(::getpid(), SIGKILL);  // no destructor, no exit handler
    ::_exit(3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the child's write failed";
  Demo d(folder());
  EXPECT_EQ(d.readSettings(300, 2), (std::vector<uint8_t>{0xAB, 0xCD}));
}

TEST_F(FirmwareStoreTest, TwoProcessesOnOneStoreSeeOneDevice) {
  // The window's emulated mouse and tesselctl's: what one writes, the other
  // reads at its next command.
  Demo window(folder());
  Demo tool(folder());
  ASSERT_TRUE(window.connected && tool.connected);
  EXPECT_FALSE(window.t.deviceLock().path().empty()) << "the store shares the device lock";
  const std::vector<uint8_t> colour = {0x10, 0x20, 0x30};
  ASSERT_EQ(tool.t.writeSettings(colour, 6), ResultCode::Success);
  EXPECT_EQ(window.readSettings(6, 3), colour);
  // And back the other way, without losing the first change.
  const std::vector<uint8_t> polling = {4};
  ASSERT_EQ(window.t.writeSettings(polling, 11), ResultCode::Success);
  EXPECT_EQ(tool.readSettings(6, 6), (std::vector<uint8_t>{0x10, 0x20, 0x30, 0, 0, 4}));
}

TEST_F(FirmwareStoreTest, TheLiveFrameIsNotKept) {
  Demo d(folder());
  const auto before = fs::last_write_time(folder() / "mouse.json");
  const auto stamp = readJsonFile(folder() / "mouse.json");
  std::vector<uint8_t> frame(56, 0x5A);
  d.t.sendLiveFrame(frame);
  EXPECT_GT(d.fw().liveFrameChunks(), 0);
  EXPECT_EQ(readJsonFile(folder() / "mouse.json"), stamp);
  EXPECT_EQ(fs::last_write_time(folder() / "mouse.json"), before);
}

TEST_F(FirmwareStoreTest, AFileThatIsNotOursIsKeptAsideAndTheFactoryStateUsed) {
  fs::create_directories(folder());
  {
    std::ofstream(folder() / "mouse.json") << "{ not json";
  }
  Demo d(folder());
  EXPECT_TRUE(fs::exists(folder() / "mouse.json.bad"));
  EXPECT_EQ(d.fw().settings(), sim::mouseFactoryImage(false).settings);
  // The store is usable again at once.
  EXPECT_EQ(readJsonFile(folder() / "mouse.json")["product"].asString(), "mouse");
}

TEST_F(FirmwareStoreTest, MemoriesOfAnotherLayoutOrBadHexAreKeptAsideWhole) {
  fs::create_directories(folder());
  sim::MouseFirmware changed;
  changed.setSettings(5, {9, 9});
  std::vector<uint8_t> snapshot = changed.snapshot();
  snapshot.push_back(0);  // one byte too many: not this product's layout
  Json::Value root;
  root["product"] = "mouse";
  std::string hex;
  char two[3];
  for (uint8_t b : snapshot) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  root["memories"] = hex;
  ASSERT_TRUE(writeJsonFile(folder() / "mouse.json", root));
  {
    Demo d(folder());
    EXPECT_EQ(d.fw().settings(), sim::mouseFactoryImage(false).settings) << "nothing taken from a bad snapshot";
  }
  EXPECT_TRUE(fs::exists(folder() / "mouse.json.bad"));

  root["memories"] = "zz";
  fs::remove(folder() / "mouse.json.bad");
  ASSERT_TRUE(writeJsonFile(folder() / "mouse.json", root));
  Demo d(folder());
  EXPECT_EQ(d.fw().settings(), sim::mouseFactoryImage(false).settings);
  EXPECT_EQ(readJsonFile(folder() / "mouse.json")["product"].asString(), "mouse") << "ours written back";
}
