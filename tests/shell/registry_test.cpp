// Scenarios of discovery, tiles and selection: the watcher, the registry and
// the tiles' timers run against emulated products with a manual clock, and a
// plain user interface that records what the window would show.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "devices/keyboard/keyboard_controller.h"
#include "devices/mouse/mouse_controller.h"
#include "devices/mousepad/mousepad_controller.h"
#include "discovery/device_tables.h"
#include "discovery/device_watcher.h"
#include "shell/device_registry.h"
#include "shell/light_control.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

// The device kinds' own controllers, counting their connect operation (which
// runs on the device's queue, so on its thread when the queue has one).
struct Counter {
  std::atomic<int> connectedCalls{0};
  std::atomic<int> loadCalls{0};
  std::atomic<int> changedCalls{0};
};
template <class Base>
struct Device : Base, Counter {
  using Base::Base;
  void connected() override { ++connectedCalls; }
  void loadConfiguration() override {
    ++loadCalls;
    Base::loadConfiguration();
  }
  void deviceChanged() override { ++changedCalls; }
  ~Device() override { this->shutdown(); }
};
int connectedCalls(const DevicePage& page) { return dynamic_cast<Counter&>(*page.device).connectedCalls.load(); }
Counter& counter(const DevicePage& page) { return dynamic_cast<Counter&>(*page.device); }

// The UI thread's message queue of a scenario whose device queues run on
// threads of their own: completions are posted here and run by pump().
class UiThread {
 public:
  DeviceCommandQueue::Post poster() {
    return [this](std::function<void()> call) {
      std::lock_guard<std::mutex> lock(mutex_);
      posted_.push_back(std::move(call));
    };
  }
  // Runs what was posted until `done` holds (bounded, in case it never does).
  template <class Pred>
  bool pumpUntil(Pred done) {
    for (int i = 0; i < 3000; ++i) {
      std::vector<std::function<void()>> calls;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        calls.swap(posted_);
      }
      for (auto& c : calls) c();
      if (done()) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> posted_;
};

class Shell : public ::testing::Test, public RegistryUi, public DeviceWatcherEvents, public TileHost {
 protected:
  void SetUp() override {
    list.fillFromTable();
    bus.setFirmwareFactory([this](const sim::ProductInfo& info) -> std::shared_ptr<sim::Firmware> {
      std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(info.name);
      firmwares[std::string(info.name)] = fw.get();
      return fw;
    });
    // The window creates the mouse and keyboard pages before any device is seen.
    registry.createPage(4, 0);
    registry.createPage(0, 0);
  }
  void TearDown() override {
    for (auto& t : tiles) t->killAllTimers();
    for (auto& d : devices) d->shutdown();
  }

  // RegistryUi
  std::optional<DevicePage> buildPage(int optionIndex) override {
    built.push_back(optionIndex);
    if (optionIndex == 0) devices.push_back(std::make_unique<Device<MouseController>>(bus, clock));
    else if (optionIndex == 1) devices.push_back(std::make_unique<Device<KeyboardController>>(bus, clock));
    else if (optionIndex == 2) devices.push_back(std::make_unique<Device<MousepadController>>(bus, clock));
    else devices.push_back(std::make_unique<Device<UsbDeviceController>>(bus, clock));
    tiles.push_back(std::make_unique<DeviceTile>(clock, *devices.back(), *this));
    DevicePage page;
    page.device = devices.back().get();
    page.tile = tiles.back().get();
    page.pageIndex = static_cast<int>(devices.size());  // page 0 is the home page
    page.powerIndex = static_cast<int>(devices.size()) - 1;
    return page;
  }
  void applyBar(const BarOutcome& outcome) override {
    overlay = outcome.noDeviceOverlay;
  }
  void closeSelectedPageTools() override { ++closedTools; }
  void bringToFront() override { ++broughtToFront; }
  // DeviceWatcherEvents: the window handles these synchronously.
  void interfaceArrived(int slot) override { registry.interfaceArrived(slot); }
  void interfaceRemoved(int slot) override { registry.interfaceRemoved(slot); }
  void firstScanDone() override { ++instanceMessages; }
  // TileHost: message 3331.
  void reachabilityChanged(int option, bool reachable) override {
    registry.reachabilityChanged(option, reachable);
  }

  const DevicePage& mousePage() { return *registry.pageForOption(0); }
  const DevicePage& keyboardPage() { return *registry.pageForOption(1); }
  bool tileVisible(const DevicePage& p) { return registry.bar().tile(p.tileIndex).visible; }
  int selected() { return registry.bar().selectedIndex(); }

  ManualClock clock;
  sim::VirtualHidBus bus;
  std::map<std::string, sim::CommandFirmware*> firmwares;
  LiveInterfaceList list;
  DeviceRegistry registry{list, *this, clock};
  DeviceWatcher watcher{list, bus, *this};
  std::vector<std::unique_ptr<UsbDeviceController>> devices;
  std::vector<std::unique_ptr<DeviceTile>> tiles;
  std::vector<int> built;
  std::optional<bool> overlay;
  int closedTools = 0, broughtToFront = 0, instanceMessages = 0;
};

}  // namespace

TEST_F(Shell, AProductPluggedBeforeStartIsShownByTheFirstPassFollowedByTheInstanceMessage) {
  EXPECT_EQ(built, (std::vector<int>{0, 1}));
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  EXPECT_EQ(instanceMessages, 1);
  EXPECT_TRUE(tileVisible(keyboardPage()));
  EXPECT_EQ(selected(), keyboardPage().tileIndex);
  EXPECT_EQ(overlay, false);
  EXPECT_TRUE(keyboardPage().device->transport().isOpen());
  EXPECT_TRUE(keyboardPage().device->inputOpen(false));
  EXPECT_FALSE(tileVisible(mousePage()));
  // The connect timer runs the device's connected operation and starts the light tick.
  clock.advance(500ms);
  EXPECT_EQ(connectedCalls(keyboardPage()), 1);
  clock.advance(50ms);
  // Frames go out on the device's frame sender thread.
  bool sent = false;
  for (int i = 0; i < 5000 && !sent; ++i) {
    sent = firmwares["keyboard"]->liveFrameChunks() > 0;
    if (!sent) std::this_thread::sleep_for(1ms);
  }
  EXPECT_TRUE(sent);
}

TEST_F(Shell, CablePluggedWhileTheReceiverIsInUseMovesThePageAndBack) {
  ASSERT_TRUE(bus.plug("mouse-receiver"));
  watcher.pass();
  const DevicePage& mouse = mousePage();
  EXPECT_TRUE(mouse.device->onReceiver());
  EXPECT_FALSE(tileVisible(mouse));  // shown only once the mouse answers
  clock.advance(500ms);              // connect timer: the mouse is awake
  EXPECT_TRUE(tileVisible(mouse));
  EXPECT_EQ(selected(), mouse.tileIndex);
  EXPECT_TRUE(mouse.device->inputOpen(true));  // the receiver's input interface

  ASSERT_TRUE(bus.plug("mouse"));
  watcher.pass();
  EXPECT_EQ(built.size(), 2u);  // no second page or tile
  EXPECT_FALSE(mouse.device->onReceiver());
  EXPECT_TRUE(mouse.device->transport().isOpen());
  EXPECT_TRUE(tileVisible(mouse));
  // Commands now go to the cable.
  uint8_t status[6];
  EXPECT_EQ(mouse.device->transport().readStatus(status), ResultCode::Success);
  EXPECT_GT(firmwares["mouse"]->countOf(0x1A), 0u);

  ASSERT_TRUE(bus.unplug("mouse"));
  watcher.pass();
  EXPECT_TRUE(mouse.device->onReceiver());
  EXPECT_TRUE(mouse.device->transport().isOpen());
  EXPECT_TRUE(tileVisible(mouse));
  const size_t before = firmwares["mouse-receiver"]->countOf(0x1A);
  EXPECT_EQ(mouse.device->transport().readStatus(status), ResultCode::Success);
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(0x1A), before + 1);
}

TEST_F(Shell, UnpluggingTheSelectedOfTwoSelectsTheOtherAndTheLastShowsTheOverlay) {
  ASSERT_TRUE(bus.plug("mouse"));
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  ASSERT_TRUE(tileVisible(mousePage()));
  ASSERT_TRUE(tileVisible(keyboardPage()));
  const int first = selected();
  const bool mouseFirst = first == mousePage().tileIndex;
  ASSERT_TRUE(bus.unplug(mouseFirst ? "mouse" : "keyboard"));
  watcher.pass();
  EXPECT_EQ(closedTools, 1);
  EXPECT_EQ(selected(), mouseFirst ? keyboardPage().tileIndex : mousePage().tileIndex);
  EXPECT_EQ(overlay, false);
  ASSERT_TRUE(bus.unplug(mouseFirst ? "keyboard" : "mouse"));
  watcher.pass();
  EXPECT_EQ(selected(), -1);
  EXPECT_EQ(overlay, true);
  EXPECT_FALSE(mousePage().device->transport().isOpen());
  EXPECT_FALSE(keyboardPage().device->transport().isOpen());
}

TEST_F(Shell, ASleepingWirelessMouseLosesItsTileAndGetsItBackUnselected) {
  ASSERT_TRUE(bus.plug("keyboard"));
  ASSERT_TRUE(bus.plug("mouse-receiver"));
  watcher.pass();
  clock.advance(500ms);
  const DevicePage& mouse = mousePage();
  ASSERT_TRUE(tileVisible(mouse));
  ASSERT_EQ(selected(), keyboardPage().tileIndex);

  firmwares["mouse-receiver"]->setDeviceAwake(false);
  clock.advance(2000ms);  // the first link watch
  EXPECT_FALSE(tileVisible(mouse));
  EXPECT_EQ(selected(), keyboardPage().tileIndex);
  firmwares["mouse-receiver"]->setDeviceAwake(true);
  clock.advance(3000ms);
  EXPECT_TRUE(tileVisible(mouse));
  EXPECT_EQ(selected(), keyboardPage().tileIndex);  // not selected: another device is visible
}

TEST_F(Shell, MousepadAndHeadsetPagesAreCreatedOnArrivalAndFoundByTheirOption) {
  ASSERT_TRUE(bus.plug("headset"));
  watcher.pass();
  ASSERT_TRUE(bus.plug("mousepad"));
  watcher.pass();
  EXPECT_EQ(built, (std::vector<int>{0, 1, 3, 2}));
  const DevicePage* headset = registry.pageForOption(3);
  const DevicePage* pad = registry.pageForOption(2);
  ASSERT_TRUE(headset && pad);
  EXPECT_EQ(headset->tileIndex, 2);  // created before the mousepad
  EXPECT_EQ(pad->tileIndex, 3);
  EXPECT_TRUE(headset->device->transport().isOpen());
  // Message 3331 for the mousepad's option hides the mousepad's tile, not tile 2.
  registry.reachabilityChanged(2, false);
  EXPECT_FALSE(tileVisible(*pad));
  EXPECT_TRUE(tileVisible(*headset));
}

TEST_F(Shell, LightControlReachesTheKeyboardOnItsCableAndSurvivesSuspend) {
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  LightControl light;
  auto off = light.toggle();
  EXPECT_EQ(off.broadcast, 0);
  EXPECT_EQ(off.text, kLightControlOffText);
  registry.setLightControl(off.state);
  EXPECT_FALSE(keyboardPage().device->lightControlOn());
  EXPECT_EQ(firmwares["keyboard"]->resumeLightingCount(), 0);
  auto on = light.toggle();
  EXPECT_EQ(on.broadcast, 1);
  registry.setLightControl(on.state);
  EXPECT_EQ(firmwares["keyboard"]->resumeLightingCount(), 1);
  registry.suspend();
  EXPECT_FALSE(keyboardPage().device->lightControlOn());
  EXPECT_TRUE(light.on());
  registry.resume(light.on());
  EXPECT_EQ(firmwares["keyboard"]->resumeLightingCount(), 2);
}

TEST(LightControlSwitch, RequestsFromOtherProgramsAreNeverBroadcast) {
  LightControl light;
  auto off = light.request(1, 0);
  ASSERT_TRUE(off);
  EXPECT_FALSE(off->state);
  EXPECT_EQ(off->text, kLightControlOffText);
  EXPECT_FALSE(off->broadcast);
  EXPECT_FALSE(light.request(0, 1));  // wParam other than 1: ignored
  EXPECT_FALSE(light.on());
  auto again = light.request(1, 5);  // re-sends the state, changes nothing
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->state);
  EXPECT_FALSE(again->text);
  EXPECT_FALSE(light.on());
}

TEST_F(Shell, HandOverIntoASilentReceiverLeavesTheUiThreadFreeAndThePageFollowsOnceTheMouseAnswers) {
  ASSERT_TRUE(bus.plug("mouse"));
  watcher.pass();
  const DevicePage& mouse = mousePage();
  ASSERT_TRUE(tileVisible(mouse));
  std::vector<UsbDeviceController::StatusBlock> shown;
  mouse.device->setStatusHandler([&](const UsbDeviceController::StatusBlock& b) { shown.push_back(b); });
  // From here the mouse's exchanges run on its own thread, as in the program.
  UiThread ui;
  ASSERT_TRUE(mouse.device->commandQueue().runOnThread(ui.poster()));
  auto receiver = bus.plug("mouse-receiver");
  ASSERT_TRUE(receiver);
  firmwares["mouse-receiver"]->setSilent(true);  // no reply at all, not even 0xAA
  watcher.pass();  // the receiver arriving while the cable is in use changes nothing
  EXPECT_FALSE(mouse.device->onReceiver());

  // Unplugging the cable hands the mouse over to the receiver. The removal
  // message returns while the hand-over goes on in the mouse's queue.
  ASSERT_TRUE(bus.unplug("mouse"));
  watcher.pass();
  auto linkQueries = [&] {
    size_t n = 0;
    for (const sim::Report& r : receiver->commandLog()) n += r.size() > 3 && r[3] == transport::command::kLinkQuery;
    return n;
  };
  ASSERT_TRUE(ui.pumpUntil([&] { return linkQueries() == 1; }));
  EXPECT_TRUE(mouse.device->onReceiver());
  // The first link query waits for the silent receiver on the mouse's thread;
  // meanwhile the UI thread handles another arrival completely.
  EXPECT_FALSE(mouse.device->commandQueue().waitIdle(0ms));
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  EXPECT_TRUE(tileVisible(keyboardPage()));
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(mouse.tile->timerRunning(DeviceTile::kLinkWatch));

  // The mouse answers: the page follows with its status, read through the
  // receiver, and the link watch starts.
  firmwares["mouse-receiver"]->setSilent(false);
  ASSERT_TRUE(ui.pumpUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(linkQueries(), 1u);  // answered at the first try: no retry
  EXPECT_EQ(shown[0][3], 1);     // the receiver mark is the host's own knowledge
  EXPECT_TRUE(mouse.tile->timerRunning(DeviceTile::kLinkWatch));
  EXPECT_TRUE(tileVisible(mouse));
  EXPECT_GT(firmwares["mouse-receiver"]->countOf(transport::command::kReadStatus), 0u);
  mouse.device->commandQueue().stop();
}

TEST_F(Shell, UnansweredLinkQueriesAreRetriedFiftyMillisecondsApartAndARemovalEndsThem) {
  ASSERT_TRUE(bus.plug("mouse"));
  watcher.pass();
  clock.advance(600ms);  // connected on the cable
  const DevicePage& mouse = mousePage();
  mouse.device->commandQueue().runStepped();
  ASSERT_TRUE(bus.plug("mouse-receiver"));
  firmwares["mouse-receiver"]->setDeviceAwake(false);  // answers 0xAA: asleep
  watcher.pass();
  ASSERT_TRUE(bus.unplug("mouse"));
  watcher.pass();
  // Only the hand-over is queued: nothing ran on the UI thread.
  EXPECT_EQ(mouse.device->commandQueue().waiting(), 1u);
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(transport::command::kLinkQuery), 0u);
  ASSERT_EQ(mouse.device->commandQueue().runPending(), 2u);  // hand-over, first query
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(transport::command::kLinkQuery), 1u);
  for (int i = 0; i < 5; ++i) {
    clock.advance(49ms);
    EXPECT_EQ(mouse.device->commandQueue().waiting(), 0u);
    clock.advance(1ms);
    ASSERT_EQ(mouse.device->commandQueue().runPending(), 1u);
  }
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(transport::command::kLinkQuery), 6u);
  // The receiver goes away mid-way: nothing more is queued for it.
  auto keepFirmware = bus.product("mouse-receiver");  // its log outlives the unplug
  ASSERT_TRUE(bus.unplug("mouse-receiver"));
  watcher.pass();
  clock.advance(50ms);
  mouse.device->commandQueue().runPending();
  clock.advance(5000ms);
  mouse.device->commandQueue().runPending();
  EXPECT_FALSE(mouse.device->transport().isOpen());
  EXPECT_FALSE(tileVisible(mouse));
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(transport::command::kLinkQuery), 6u);
  EXPECT_EQ(mouse.device->commandQueue().waiting(), 0u);
}

TEST_F(Shell, AllTwentySixTriesFailThenTheLinkWatchTakesOver) {
  ASSERT_TRUE(bus.plug("mouse"));
  watcher.pass();
  clock.advance(600ms);
  ASSERT_TRUE(bus.plug("mouse-receiver"));
  firmwares["mouse-receiver"]->setDeviceAwake(false);
  watcher.pass();
  ASSERT_TRUE(bus.unplug("mouse"));
  watcher.pass();
  clock.advance(50ms * (DeviceRegistry::kLinkRetries - 2));
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(transport::command::kLinkQuery),
            static_cast<size_t>(DeviceRegistry::kLinkRetries - 1));
  EXPECT_FALSE(mousePage().tile->timerRunning(DeviceTile::kLinkWatch));
  clock.advance(50ms);
  EXPECT_EQ(firmwares["mouse-receiver"]->countOf(transport::command::kLinkQuery),
            static_cast<size_t>(DeviceRegistry::kLinkRetries));
  EXPECT_TRUE(mousePage().tile->timerRunning(DeviceTile::kLinkWatch));
  clock.advance(10000ms);  // the link watch, not the hand-over, asks from now on
  EXPECT_FALSE(tileVisible(mousePage()));
}

TEST_F(Shell, ALateConnectAnswerAfterARemovalShowsNothing) {
  DeviceCommandQueue& queue = keyboardPage().device->commandQueue();
  UiThread ui;
  ASSERT_TRUE(queue.runOnThread(ui.poster()));
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  // The connection is open on the keyboard's thread; its answer is not yet handled.
  ASSERT_TRUE(queue.waitIdle(2000ms));
  EXPECT_FALSE(tileVisible(keyboardPage()));
  ASSERT_TRUE(bus.unplug("keyboard"));
  watcher.pass();
  ASSERT_TRUE(ui.pumpUntil([&] { return queue.waitIdle(0ms); }));
  ui.pumpUntil([] { return true; });
  EXPECT_FALSE(tileVisible(keyboardPage()));
  EXPECT_FALSE(keyboardPage().device->transport().isOpen());
  EXPECT_EQ(selected(), -1);
  // Plugged again, it connects as usual.
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  EXPECT_TRUE(ui.pumpUntil([&] { return tileVisible(keyboardPage()); }));
  EXPECT_TRUE(keyboardPage().device->transport().isOpen());
  queue.stop();
}

TEST_F(Shell, TheMousepadsIndicatorGetsItsStatusBlockWithThePhone) {
  ASSERT_TRUE(bus.plug("mousepad"));
  watcher.pass();
  const DevicePage* pad = registry.pageForOption(2);
  ASSERT_TRUE(pad);
  std::vector<UsbDeviceController::StatusBlock> shown;
  pad->device->setStatusHandler([&](const UsbDeviceController::StatusBlock& b) { shown.push_back(b); });
  clock.advance(550ms);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0][5], 1);  // an iPhone lies on the charging area
  clock.advance(5000ms);
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(Shell, TheKeyboardGetsCommand0x1COnlyOnItsCable) {
  ASSERT_TRUE(bus.plug("keyboard-receiver"));
  watcher.pass();
  ASSERT_TRUE(keyboardPage().device->onReceiver());
  registry.setLightControl(false);
  registry.setLightControl(true);
  registry.resume(true);
  EXPECT_EQ(firmwares["keyboard-receiver"]->resumeLightingCount(), 0);
  EXPECT_TRUE(keyboardPage().device->lightControlOn());
  // On the cable the same switch sends it.
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  ASSERT_FALSE(keyboardPage().device->onReceiver());
  registry.setLightControl(true);
  EXPECT_EQ(firmwares["keyboard"]->resumeLightingCount(), 1);
  EXPECT_EQ(firmwares["keyboard-receiver"]->resumeLightingCount(), 0);
}

TEST_F(Shell, SettingsChangedElsewhereReloadsTheKindsPagesAndReReadsTheConnectedOnes) {
  ASSERT_TRUE(bus.plug("keyboard"));
  watcher.pass();
  clock.advance(500ms);  // connected: the tile is visible
  ASSERT_TRUE(tileVisible(keyboardPage()));
  const int loadsBefore = counter(keyboardPage()).loadCalls;
  EXPECT_EQ(registry.settingsChangedElsewhere(DeviceKind::Keyboard), 1);
  EXPECT_EQ(counter(keyboardPage()).loadCalls, loadsBefore + 1) << "the document is read again first";
  clock.advance(1ms);
  EXPECT_EQ(counter(keyboardPage()).changedCalls, 1) << "then device changed, through the tile's timer";
  EXPECT_EQ(counter(mousePage()).loadCalls, 0);

  // A page whose device is not connected only reloads its document.
  EXPECT_EQ(registry.settingsChangedElsewhere(DeviceKind::Mouse), 1);
  clock.advance(100ms);
  EXPECT_EQ(counter(mousePage()).loadCalls, 1);
  EXPECT_EQ(counter(mousePage()).changedCalls, 0);
  EXPECT_EQ(registry.settingsChangedElsewhere(DeviceKind::Headset), 0);
}
