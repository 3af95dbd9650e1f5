// Tile timers against emulated products, on the manual clock.
#include <gtest/gtest.h>

#include "platform/debug.h"
#include "shell/device_tile.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

// A mouse controller whose wake state comes from the receiver's link query.
struct Mouse : UsbDeviceController {
  using UsbDeviceController::UsbDeviceController;
  int connectedCalls = 0, statusPolls = 0;
  void connected() override { ++connectedCalls; }
  std::optional<StatusBlock> readStatusBlock() override {
    ++statusPolls;
    return std::nullopt;
  }
  bool isAwake() override { return transport().linkQuery(); }
};

struct Host : TileHost {
  std::vector<std::pair<int, bool>> messages;
  int frames = 0;
  void reachabilityChanged(int option, bool reachable) override { messages.emplace_back(option, reachable); }
  void frameShown(const std::vector<uint8_t>&) override { ++frames; }
};

class Tile : public ::testing::Test {
 protected:
  void plug(std::string_view name) {
    std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(name);
    firmware = fw.get();
    product = bus.plug(name, fw);
  }
  ManualClock clock;
  sim::VirtualHidBus bus;
  std::shared_ptr<sim::EmulatedProduct> product;
  sim::CommandFirmware* firmware = nullptr;
  Host host;
};

}  // namespace

TEST_F(Tile, ConnectOnTheCableStartsLightTicksAndBatteryPolling) {
  plug("mouse");
  Mouse mouse(bus, clock);
  mouse.setOptionIndex(0);
  mouse.setBatteryFlag(true);
  mouse.setLightZoneCount(15);
  ASSERT_TRUE(mouse.transport().connect(product->commandPath(), 1));
  DeviceTile tile(clock, mouse, host);
  tile.setSelected(true);
  tile.startConnectTimer();
  clock.advance(499ms);
  EXPECT_EQ(mouse.connectedCalls, 0);
  clock.advance(1ms);
  EXPECT_EQ(mouse.connectedCalls, 1);
  EXPECT_TRUE(host.messages.empty());  // the cable needs no reachability message
  EXPECT_TRUE(tile.timerRunning(DeviceTile::kLightTick));
  EXPECT_FALSE(tile.timerRunning(DeviceTile::kLinkWatch));
  clock.advance(50ms);
  EXPECT_EQ(mouse.statusPolls, 1);
  clock.advance(5000ms);
  EXPECT_EQ(mouse.statusPolls, 2);
  // Disconnected: the light tick stops restarting itself.
  mouse.transport().disconnect();
  clock.advance(StillFrameGate::kRefresh + 5ms);
  EXPECT_FALSE(tile.timerRunning(DeviceTile::kLightTick));
  mouse.shutdown();
}

TEST_F(Tile, AWirelessMouseThatFallsAsleepLosesItsTileAtTheNextLinkWatchAndGetsItBack) {
  plug("mouse-receiver");
  Mouse mouse(bus, clock);
  mouse.setOptionIndex(0);
  mouse.setBatteryFlag(true);
  ASSERT_TRUE(mouse.transport().connect(product->commandPath(), 2));
  DeviceTile tile(clock, mouse, host);
  tile.setVisible(false);  // a receiver connection waits for the device to answer
  tile.startConnectTimer();
  clock.advance(500ms);
  ASSERT_EQ(host.messages, (std::vector<std::pair<int, bool>>{{0, true}}));
  tile.setVisible(true);  // the main window made it visible
  EXPECT_TRUE(tile.timerRunning(DeviceTile::kLinkWatch));

  firmware->setDeviceAwake(false);
  clock.advance(2000ms);  // first link watch
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1], std::make_pair(0, false));
  tile.setVisible(false);
  // While asleep the watch keeps looking every 3000 ms and says nothing more.
  clock.advance(6000ms);
  EXPECT_EQ(host.messages.size(), 2u);
  const int pollsBefore = mouse.statusPolls;
  firmware->setDeviceAwake(true);
  clock.advance(3000ms);
  ASSERT_EQ(host.messages.size(), 3u);
  EXPECT_EQ(host.messages[2], std::make_pair(0, true));
  EXPECT_GT(mouse.statusPolls, pollsBefore);
  mouse.shutdown();
}

TEST_F(Tile, ASleepingMouseAtConnectTimeIsRetriedEveryThreeSeconds) {
  plug("mouse-receiver");
  firmware->setDeviceAwake(false);
  Mouse mouse(bus, clock);
  mouse.setOptionIndex(0);
  ASSERT_TRUE(mouse.transport().connect(product->commandPath(), 2));
  DeviceTile tile(clock, mouse, host);
  tile.startConnectTimer();  // tiles start visible
  clock.advance(500ms);
  EXPECT_EQ(host.messages, (std::vector<std::pair<int, bool>>{{0, false}}));
  EXPECT_FALSE(tile.visible());
  EXPECT_EQ(mouse.connectedCalls, 0);
  clock.advance(3000ms);
  EXPECT_EQ(host.messages.size(), 1u);  // still asleep, already hidden
  firmware->setDeviceAwake(true);
  clock.advance(3000ms);
  EXPECT_EQ(mouse.connectedCalls, 1);
  EXPECT_EQ(host.messages.back(), std::make_pair(0, true));
  mouse.shutdown();
}

TEST_F(Tile, TimersStartedFromAnotherThreadRunOnTheSchedulersThread) {
  plug("keyboard");
  struct Keyboard : UsbDeviceController {
    using UsbDeviceController::UsbDeviceController;
    std::atomic<int> changed{0};
    void deviceChanged() override { ++changed; }
  } keyboard(bus, clock);
  DeviceTile tile(clock, keyboard, host);
  keyboard.setSettingsChangedHandler([&] { tile.startTimer(DeviceTile::kDeviceChanged, 50); });
  ASSERT_TRUE(keyboard.openInput(product->inputPath(), false));
  product->pushConsumerInput({3, 0x01, 0x04});
  for (int i = 0; i < 5000 && !tile.timerRunning(DeviceTile::kDeviceChanged); ++i)
    std::this_thread::sleep_for(1ms);
  EXPECT_EQ(keyboard.changed.load(), 0);
  clock.advance(50ms);
  EXPECT_EQ(keyboard.changed.load(), 1);
  keyboard.shutdown();
}

TEST_F(Tile, TheLightTickRunsEveryFiveMillisecondsOnlyWhileThePictureChangesAndSleepsWhileItStandsOnTheDevice) {
  plug("keyboard");
  UsbDeviceController keyboard(bus, clock);
  keyboard.setLightZoneCount(4);
  ASSERT_TRUE(keyboard.transport().connect(product->commandPath(), 1));
  DeviceTile tile(clock, keyboard, host);
  tile.setSelected(true);
  tile.startConnectTimer();
  clock.advance(500ms);
  // A moving picture: each change brings one tick, 5 ms on, and no more.
  for (int i = 0; i < 40; ++i) {
    keyboard.setZoneColour(0, packZone(static_cast<uint8_t>(i * 5), 0, 0, 255));
    clock.advance(5ms);
  }
  EXPECT_GE(host.frames, 40);
  EXPECT_LE(host.frames, 41);
  // A still picture that is on the keyboard whole is looked at again only
  // when its frame is due again (every ten seconds), not two hundred times a second.
  // (One look half a second on finds it there when the sender had not said so yet.)
  ASSERT_TRUE(keyboard.waitFramesIdle(2000ms));
  int before = host.frames;
  clock.advance(600ms);
  EXPECT_LE(host.frames - before, 2);
  before = host.frames;
  clock.advance(9000ms);
  EXPECT_EQ(host.frames - before, 0);
  clock.advance(1000ms);
  EXPECT_EQ(host.frames - before, 1);
  // A zone that changes brings the sleeping tick forward to 5 ms on.
  before = host.frames;
  keyboard.setZoneColour(1, packZone(9, 9, 9, 255));
  clock.advance(4ms);
  EXPECT_EQ(host.frames - before, 0);
  clock.advance(1ms);
  EXPECT_EQ(host.frames - before, 1);
  clock.advance(1000ms);
  // Light control off: nothing to show, and the tick stays slow.
  keyboard.setLightControlOn(false);
  before = host.frames;
  clock.advance(1000ms);
  EXPECT_LE(host.frames - before, 2);
  // Light control on again wakes the tick, and a moving picture speeds it up.
  keyboard.resumeLighting(true);
  before = host.frames;
  clock.advance(5ms);
  EXPECT_EQ(host.frames - before, 1);
  before = host.frames;
  for (int i = 0; i < 60; ++i) {
    keyboard.setZoneColour(2, packZone(static_cast<uint8_t>(i), 0, 0, 255));
    clock.advance(5ms);
  }
  EXPECT_GE(host.frames - before, 40);
  keyboard.shutdown();
}

TEST_F(Tile, TheMousepadsStatusIsPolledAndAPollThatWaitsIsNotRepeatedMeanwhile) {
  plug("mousepad");
  struct Pad : UsbDeviceController {
    using UsbDeviceController::UsbDeviceController;
    bool pollsStatus() const override { return true; }
    std::optional<StatusBlock> readStatusBlock() override { return readStatusFromDevice(); }
  } pad(bus, clock);
  std::vector<UsbDeviceController::StatusBlock> shown;
  pad.setStatusHandler([&](const UsbDeviceController::StatusBlock& b) { shown.push_back(b); });
  pad.commandQueue().runStepped();
  ASSERT_TRUE(pad.transport().connect(product->commandPath(), std::nullopt));
  DeviceTile tile(clock, pad, host);
  tile.startConnectTimer();
  clock.advance(500ms);
  ASSERT_EQ(pad.commandQueue().runPending(), 1u);  // the connect job
  clock.advance(50ms);
  // The status read waits in the queue: no second poll is started however long it waits.
  EXPECT_FALSE(tile.timerRunning(DeviceTile::kStatus));
  clock.advance(20000ms);
  EXPECT_EQ(pad.commandQueue().waiting(), 1u);
  EXPECT_TRUE(shown.empty());
  ASSERT_EQ(pad.commandQueue().runPending(), 1u);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0][5], 1);  // the phone on the charging area
  EXPECT_EQ(shown[0][3], 0);  // on its cable
  EXPECT_TRUE(tile.timerRunning(DeviceTile::kStatus));
  clock.advance(5000ms);
  EXPECT_EQ(pad.commandQueue().runPending(), 1u);
  EXPECT_EQ(shown.size(), 2u);
  tile.killAllTimers();
  pad.shutdown();
}
