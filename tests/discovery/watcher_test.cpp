#include <gtest/gtest.h>

#include <future>
#include <mutex>

#include "device/hid/hid_path.h"
#include "device/hid/hidraw_backend.h"
#include "discovery/device_watcher.h"
#include "platform/debug.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

struct Recorder : DeviceWatcherEvents {
  std::mutex m;
  std::vector<std::string> events;
  void interfaceArrived(int slot) override { add("arrived " + std::to_string(slot)); }
  void interfaceRemoved(int slot) override { add("removed " + std::to_string(slot)); }
  void firstScanDone() override { add("first scan"); }
  void add(std::string e) {
    std::lock_guard<std::mutex> lock(m);
    events.push_back(std::move(e));
  }
  std::vector<std::string> take() {
    std::lock_guard<std::mutex> lock(m);
    return std::exchange(events, {});
  }
};

class Watcher : public ::testing::Test {
 protected:
  void SetUp() override { list.fillFromTable(); }
  sim::VirtualHidBus bus;
  LiveInterfaceList list;
  Recorder events;
  DeviceWatcher watcher{list, bus, events};
};

}  // namespace

TEST_F(Watcher, AProductPluggedBeforeStartIsReportedByTheFirstPassThenTheInstanceMessage) {
  ASSERT_TRUE(bus.plug("mouse"));
  watcher.pass();
  // Collections come in descriptor order: consumer control (col 3) before vendor (col 4).
  EXPECT_EQ(events.take(), (std::vector<std::string>{"arrived 5", "arrived 4", "first scan"}));
  auto command = list.slot(4);
  EXPECT_EQ(command->present, 1);
  EXPECT_EQ(hid::pathCollectionNumber(command->path), 4);
  EXPECT_EQ(list.slot(5)->present, 1);
  // Nothing else happens while nothing changes, and the bus is not enumerated again.
  const uint64_t enumerations = watcher.enumerations();
  watcher.pass();
  watcher.pass();
  EXPECT_TRUE(events.take().empty());
  EXPECT_EQ(watcher.enumerations(), enumerations);
}

TEST_F(Watcher, PlugAndUnplugAreSeenOnTheNextPass) {
  watcher.pass();
  EXPECT_EQ(events.take(), std::vector<std::string>{"first scan"});
  ASSERT_TRUE(bus.plug("headset"));
  ASSERT_TRUE(bus.plug("keyboard-receiver"));
  watcher.pass();
  auto arrived = events.take();
  std::sort(arrived.begin(), arrived.end());
  EXPECT_EQ(arrived, (std::vector<std::string>{"arrived 10", "arrived 2", "arrived 3"}));
  // The headset's path has no collection marker: collection 0 matched row 10.
  EXPECT_EQ(hid::pathCollectionNumber(list.slot(10)->path), 0);
  EXPECT_EQ(hid::pathInterfaceNumber(list.slot(10)->path), 3);

  ASSERT_TRUE(bus.unplug("keyboard-receiver"));
  const uint64_t enumerations = watcher.enumerations();
  watcher.pass();
  auto removed = events.take();
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"removed 2", "removed 3"}));
  EXPECT_EQ(list.slot(2)->present, 0);
  EXPECT_TRUE(list.slot(2)->path.empty());
  // Unplugging changed the bus, so that pass looked again (and found nothing
  // new); the pass after it, with nothing changed, does not.
  EXPECT_EQ(watcher.enumerations(), enumerations + 1);
  watcher.pass();
  EXPECT_EQ(watcher.enumerations(), enumerations + 1);
  EXPECT_TRUE(events.take().empty());
  // Plugged back, it is claimed again.
  ASSERT_TRUE(bus.plug("keyboard-receiver"));
  watcher.pass();
  EXPECT_EQ(events.take().size(), 2u);
}

// The watcher sleeps in its backend's waiter until a node comes or goes: a
// waiter that is not woken keeps these tests waiting until ctest gives up.
TEST_F(Watcher, ItsWaiterWakesAtAPlugAndAtInterrupt) {
  const auto waiter = bus.changeWaiter();
  const uint64_t seen = bus.changeCounter();
  auto woke = std::async(std::launch::async, [&] {
    waiter->wait(seen, std::chrono::minutes(10));
    return bus.changeCounter();
  });
  ASSERT_TRUE(bus.plug("mousepad"));
  EXPECT_NE(woke.get(), seen);
  hid::HidrawBackend hidraw;  // sleeps in poll() on /dev, not on a condition
  for (hid::HidBackend* backend : std::initializer_list<hid::HidBackend*>{&bus, &hidraw}) {
    const auto w = backend->changeWaiter();
    auto stopped = std::async(std::launch::async, [&] { w->wait(backend->changeCounter(), std::chrono::minutes(10)); });
    w->interrupt();
    stopped.get();
    w->wait(backend->changeCounter(), std::chrono::minutes(10));  // stays interrupted
  }
}

TEST_F(Watcher, ThreadReportsArrivalsAndEndsWithItsDebugLine) {
  std::vector<std::string> lines;
  std::mutex linesMutex;
  setDebugCapture([&](std::string_view l) {
    std::lock_guard<std::mutex> lock(linesMutex);
    lines.emplace_back(l);
  });
  ASSERT_TRUE(bus.plug("mousepad"));
  watcher.start();
  // Wait (bounded) for the thread's first pass.
  for (int i = 0; i < 5000; ++i) {
    {
      std::lock_guard<std::mutex> lock(events.m);
      if (events.events.size() >= 3) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(watcher.stop(std::chrono::milliseconds(5000)));
  setDebugCapture({});
  EXPECT_EQ(events.take(), (std::vector<std::string>{"arrived 9", "arrived 8", "first scan"}));
  std::lock_guard<std::mutex> lock(linesMutex);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "抓取设备线程设定退出"), lines.end());
}

TEST_F(Watcher, AReplugBetweenTwoPassesUnderTheSameNodeNameIsARemovalThenAnArrival) {
  ASSERT_TRUE(bus.plug("mousepad"));
  watcher.pass();
  EXPECT_EQ(events.take(), (std::vector<std::string>{"arrived 9", "arrived 8", "first scan"}));
  const std::string before = list.slot(8)->path;
  // Pulled and plugged back before the watcher looks: the node name comes back.
  ASSERT_TRUE(bus.unplug("mousepad"));
  ASSERT_TRUE(bus.plug("mousepad"));
  ASSERT_TRUE(bus.present(before));
  watcher.pass();
  auto removed = events.take();
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::string>{"removed 8", "removed 9"}));
  // The next pass claims the new node.
  watcher.pass();
  auto arrived = events.take();
  std::sort(arrived.begin(), arrived.end());
  EXPECT_EQ(arrived, (std::vector<std::string>{"arrived 8", "arrived 9"}));
  EXPECT_EQ(list.slot(8)->path, before);
  watcher.pass();
  EXPECT_TRUE(events.take().empty());
}
