// The paced light thread and the wait it sleeps in, driven by a ManualClock:
// a turn runs when its time comes and not before, wake() runs one at once,
// stop() ends a sleeping thread at once.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <vector>

#include "core/wakeable_wait.h"
#include "device/base/light_thread.h"

using namespace tessel;
using namespace std::chrono;

namespace {

// Runs one waitUntil on its own thread.
struct Sleeper {
  WakeableWait& wait;
  std::stop_source stop;
  std::future<WakeableWait::Reason> result;
  Sleeper(WakeableWait& w, SteadyTime due) : wait(w) {
    result = std::async(std::launch::async, [this, due, token = stop.get_token()] { return wait.waitUntil(due, token); });
  }
  bool finished() { return result.wait_for(0s) == std::future_status::ready; }
};

}  // namespace

TEST(WakeableWait, OnTheManualClockReturnsWhenTimeReachesTheDueTimeAndNotBefore) {
  ManualClock clock;
  WakeableWait wait(clock);
  Sleeper sleeper(wait, clock.now() + 100ms);
  ASSERT_TRUE(wait.waitUntilAsleep(5s));
  clock.advance(99ms);
  ASSERT_TRUE(wait.waitUntilAsleep(5s));  // still asleep: nothing woke it
  EXPECT_FALSE(sleeper.finished());
  clock.advance(1ms);
  EXPECT_EQ(sleeper.result.get(), WakeableWait::Reason::Due);
  EXPECT_EQ(clock.pendingTasks(), 0u);
}

TEST(WakeableWait, WakeAndStopEndAWaitThatHasNoDueTime) {
  ManualClock clock;
  WakeableWait wait(clock);
  {
    Sleeper sleeper(wait, WakeableWait::kNever);
    ASSERT_TRUE(wait.waitUntilAsleep(5s));
    wait.wake();
    EXPECT_EQ(sleeper.result.get(), WakeableWait::Reason::Woken);
  }
  {
    Sleeper sleeper(wait, clock.now() + 1h);
    ASSERT_TRUE(wait.waitUntilAsleep(5s));
    sleeper.stop.request_stop();
    EXPECT_EQ(sleeper.result.get(), WakeableWait::Reason::Stopped);
  }
  // The stopped wait left no task behind that could fire into a later wait.
  EXPECT_EQ(clock.pendingTasks(), 0u);
}

TEST(WakeableWait, AWakeWhileNobodySleepsIsKeptForTheNextWaitOnly) {
  ManualClock clock;
  WakeableWait wait(clock);
  wait.wake();
  EXPECT_EQ(wait.waitUntil(WakeableWait::kNever, {}), WakeableWait::Reason::Woken);
  // Consumed: the next wait sleeps until its time.
  Sleeper sleeper(wait, clock.now() + 10ms);
  ASSERT_TRUE(wait.waitUntilAsleep(5s));
  EXPECT_FALSE(sleeper.finished());
  clock.advance(10ms);
  EXPECT_EQ(sleeper.result.get(), WakeableWait::Reason::Due);
  // A due time already passed returns at once.
  EXPECT_EQ(wait.waitUntil(clock.now(), {}), WakeableWait::Reason::Due);
}

TEST(WakeableWait, OnTheRealClockSleepsUntilTheDueTime) {
  WakeableWait wait(SystemClock::instance());
  const SteadyTime due = steady_clock::now() + 20ms;
  EXPECT_EQ(wait.waitUntil(due, {}), WakeableWait::Reason::Due);
  EXPECT_GE(steady_clock::now(), due);
}

TEST(LightThread, RunsTheFirstTurnAtOnceThenEachTurnWhenItIsDue) {
  ManualClock clock;
  const SteadyTime start = clock.now();
  std::mutex mutex;
  std::vector<SteadyTime> seen;
  LightThread thread(clock);
  thread.start([&](SteadyTime now) {
    std::lock_guard lock(mutex);
    seen.push_back(now);
    return now + microseconds(15625) * 7;  // 109.375 ms
  });
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(thread.turns(), 1u);
  clock.advance(109ms);
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(thread.turns(), 1u);  // 0.375 ms early: still asleep
  clock.advance(1ms);
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(thread.turns(), 2u);
  std::lock_guard lock(mutex);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], start);
  EXPECT_EQ(seen[1], start + 110ms);  // the due time rounded up to the clock's millisecond
}

TEST(LightThread, AnIdleTurnSleepsUntilWokenAndStopEndsItAtOnce) {
  ManualClock clock;
  std::atomic<bool> idle{true};
  LightThread thread(clock);
  thread.start([&](SteadyTime now) { return idle ? LightThread::kIdle : now + 50ms; });
  ASSERT_TRUE(thread.waitUntilAsleep());
  clock.advance(1h);
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(thread.turns(), 1u);
  EXPECT_EQ(clock.pendingTasks(), 0u);  // an idle thread leaves no timer on the clock

  idle = false;
  thread.wake();
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(thread.turns(), 2u);
  EXPECT_EQ(clock.pendingTasks(), 1u);  // now it sleeps until its next step

  EXPECT_TRUE(thread.running());
  thread.stop();  // would hang here if a sleeping thread did not see the stop
  EXPECT_FALSE(thread.running());
  EXPECT_EQ(thread.turns(), 2u);
}

TEST(LightThread, AWakeDuringATurnRunsAnotherTurnRightAfter) {
  ManualClock clock;
  std::promise<void> inTurn;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> calls{0};
  LightThread thread(clock);
  thread.start([&](SteadyTime) {
    if (calls++ == 0) {
      inTurn.set_value();
      released.wait();
    }
    return LightThread::kIdle;
  });
  inTurn.get_future().wait();
  thread.wake();  // arrives while the first turn runs
  release.set_value();
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(thread.turns(), 2u);
}

TEST(LightThread, StartingAgainReplacesTheRunningTurn) {
  ManualClock clock;
  std::atomic<int> first{0}, second{0};
  LightThread thread(clock);
  thread.start([&](SteadyTime now) { ++first; return now + 10ms; });
  ASSERT_TRUE(thread.waitUntilAsleep());
  thread.start([&](SteadyTime now) { ++second; return now + 10ms; });
  ASSERT_TRUE(thread.waitUntilAsleep());
  clock.advance(10ms);
  ASSERT_TRUE(thread.waitUntilAsleep());
  EXPECT_EQ(first.load(), 1);
  EXPECT_EQ(second.load(), 2);
  EXPECT_EQ(thread.turns(), 2u);
}
