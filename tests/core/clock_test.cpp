#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

#include "core/clock.h"
#include "core/thread_name.h"
#include "core/worker.h"

using namespace tessel;
using namespace std::chrono;

TEST(ManualClock, RunsDueTasksInOrderAtTheirOwnTime) {
  ManualClock clock;
  const SteadyTime start = clock.now();
  std::vector<std::pair<std::string, long>> ran;
  auto at = [&] { return static_cast<long>(duration_cast<milliseconds>(clock.now() - start).count()); };
  clock.scheduleAfter(500ms, [&] { ran.emplace_back("connect", at()); });
  auto battery = clock.scheduleEvery(5000ms, [&] { ran.emplace_back("battery", at()); });
  clock.scheduleAfter(3000ms, [&] { ran.emplace_back("link", at()); });
  clock.scheduleAfter(500ms, [&] { ran.emplace_back("second-at-500", at()); });

  clock.advance(499ms);
  EXPECT_TRUE(ran.empty());
  clock.advance(10600ms);
  std::vector<std::pair<std::string, long>> expected{
      {"connect", 500}, {"second-at-500", 500}, {"link", 3000}, {"battery", 5000}, {"battery", 10000}};
  EXPECT_EQ(ran, expected);
  EXPECT_EQ(at(), 11099);

  clock.cancel(battery);
  clock.advance(20000ms);
  EXPECT_EQ(ran.size(), expected.size());
  EXPECT_EQ(clock.pendingTasks(), 0u);
}

TEST(ManualClock, TasksMayScheduleAndCancelWhileRunning) {
  ManualClock clock;
  int ticks = 0;
  Scheduler::TimerId repeating = 0;
  repeating = clock.scheduleEvery(5ms, [&] {
    if (++ticks == 3) clock.cancel(repeating);
  });
  int chained = 0;
  std::function<void()> chain = [&] {
    if (++chained < 4) clock.scheduleAfter(100ms, chain);
  };
  clock.scheduleAfter(100ms, chain);
  clock.advance(1000ms);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(chained, 4);
}

TEST(ManualClock, SleepMovesTimeAndWallTimeTogether) {
  ManualClock clock;
  auto wall = clock.wallNow();
  auto steady = clock.now();
  bool fired = false;
  clock.scheduleAfter(1000ms, [&] { fired = true; });
  clock.sleepFor(1500ms);
  EXPECT_TRUE(fired);
  EXPECT_EQ(clock.now() - steady, 1500ms);
  EXPECT_EQ(duration_cast<milliseconds>(clock.wallNow() - wall), 1500ms);
}

TEST(ThreadScheduler, RunsTasksOnItsThreadAndCancels) {
  ThreadScheduler scheduler;
  // A task far in the future must not hold back one added after it.
  scheduler.scheduleAfter(hours(1), [] {});
  std::promise<std::thread::id> ran;
  scheduler.scheduleAfter(1ms, [&] { ran.set_value(std::this_thread::get_id()); });
  auto f = ran.get_future();
  ASSERT_EQ(f.wait_for(5s), std::future_status::ready);
  EXPECT_NE(f.get(), std::this_thread::get_id());

  std::atomic<int> count{0};
  std::promise<void> three;
  auto id = scheduler.scheduleEvery(1ms, [&] {
    if (++count == 3) three.set_value();
  });
  ASSERT_EQ(three.get_future().wait_for(5s), std::future_status::ready);
  scheduler.cancel(id);
  std::atomic<bool> never{false};
  auto late = scheduler.scheduleAfter(hours(1), [&] { never = true; });
  scheduler.cancel(late);
  EXPECT_FALSE(never.load());
}

TEST(WorkerThread, StopsCooperativelyAndReportsAThreadThatWillNot) {
  WorkerThread worker("watcher");
  std::atomic<int> loops{0};
  ASSERT_TRUE(worker.start([&](const StopEvent& stop) {
    while (!stop.waitFor(1ms)) ++loops;
  }));
  EXPECT_FALSE(worker.start([](const StopEvent&) {}));  // already running
  EXPECT_TRUE(worker.stop(5000ms));
  EXPECT_FALSE(worker.running());

  // A body that ignores its stop event for a while is not killed: stop() says
  // so, and the thread still ends on its own later.
  std::promise<void> release;
  auto released = release.get_future().share();
  std::atomic<bool> finished{false};
  WorkerThread stubborn("stubborn");
  ASSERT_TRUE(stubborn.start([&, released](const StopEvent&) {
    released.wait();
    finished = true;
  }));
  EXPECT_FALSE(stubborn.stop(10ms));
  EXPECT_TRUE(stubborn.stopEvent().isSet());
  release.set_value();
  EXPECT_TRUE(stubborn.stop(5000ms));
  EXPECT_TRUE(finished.load());
  // It can be started again after it ended.
  EXPECT_TRUE(stubborn.start([](const StopEvent& stop) { stop.waitFor(hours(1)); }));
}

// The name the system shows for the calling thread.
static std::string currentThreadName() {
  char name[32] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

TEST(WorkerThread, NamesItsThreadForTheSystemAndRenamesItWhileItRuns) {
  // Cut to 15 bytes, never inside a UTF-8 sequence.
  EXPECT_EQ(systemThreadName("input reader (cable)"), "input reader (c");
  EXPECT_EQ(systemThreadName("queue keyboard\xC3\xA9"), "queue keyboard");     // "é" in bytes 14 and 15
  EXPECT_EQ(systemThreadName("queue keyboar\xC3\xA9x"), "queue keyboar\xC3\xA9");  // "é" in 13 and 14

  WorkerThread worker("input reader (cable)");
  worker.setThreadName("input mouse 1");
  std::promise<std::string> first;
  std::promise<void> renamed;
  auto renamedFuture = renamed.get_future().share();
  std::promise<std::string> second;
  ASSERT_TRUE(worker.start([&, renamedFuture](const StopEvent&) {
    first.set_value(currentThreadName());
    renamedFuture.wait();
    second.set_value(currentThreadName());
  }));
  EXPECT_EQ(first.get_future().get(), "input mouse 1");
  worker.setThreadName("input pad 2");
  renamed.set_value();
  EXPECT_EQ(second.get_future().get(), "input pad 2");
  EXPECT_TRUE(worker.stop(5000ms));
}

TEST(StopEvent, IsManualResetAndWakesWaiters) {
  StopEvent e;
  EXPECT_FALSE(e.waitFor(1ms));
  std::thread setter([&] { e.set(); });
  EXPECT_TRUE(e.waitFor(5s));
  setter.join();
  EXPECT_TRUE(e.waitFor(0ms));  // stays set
  e.reset();
  EXPECT_FALSE(e.isSet());
  // A worker asleep elsewhere is woken by the call it left; a call left
  // after the event was set runs at once, and reset drops it.
  int calls = 0;
  e.onSet([&] { ++calls; });
  e.set();
  EXPECT_EQ(calls, 1);
  e.onSet([&] { ++calls; });
  EXPECT_EQ(calls, 2);
  e.reset();
  e.set();
  EXPECT_EQ(calls, 2);
}
