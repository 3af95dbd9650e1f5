// The per-device command queue: order, superseded writes, completions on the
// UI side, and the worker thread (run this one under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "device/base/device_command_queue.h"

using namespace tessel;
using namespace std::chrono_literals;

TEST(DeviceQueue, InlineJobsRunInSubmissionOrderAndAJobQueuedByAJobRunsAfterIt) {
  DeviceCommandQueue queue;
  std::vector<std::string> log;
  queue.submit(
      [&] {
        log.push_back("a");
        // Queued from inside a job: runs once this job and its completion are done.
        queue.submit([&] { log.push_back("c"); }, [&] { log.push_back("c done"); });
        log.push_back("a end");
      },
      [&] { log.push_back("a done"); });
  queue.request<int>([] { return 41; }, [&](int v) { log.push_back(std::to_string(v + 1)); });
  EXPECT_EQ(log, (std::vector<std::string>{"a", "a end", "a done", "c", "c done", "42"}));
  EXPECT_EQ(queue.completed(), 3u);
  EXPECT_EQ(queue.waiting(), 0u);
}

TEST(DeviceQueue, ANewerWriteOfTheSameMemoryDropsTheWaitingOneButNoOtherWrite) {
  DeviceCommandQueue queue;
  queue.runStepped();
  std::vector<std::string> log;
  auto write = [&](std::string what, std::string key) {
    queue.submit([&log, what] { log.push_back(what); }, [&log, what] { log.push_back(what + " done"); },
                 std::move(key));
  };
  write("settings 1", "settings");
  write("read", "");
  write("keys 1", "key table");
  write("settings 2", "settings");  // the slider moved on: "settings 1" is dropped
  write("settings 3", "settings");
  EXPECT_EQ(queue.waiting(), 3u);
  EXPECT_EQ(queue.superseded(), 2u);
  EXPECT_EQ(queue.runPending(), 3u);
  // The newest write runs in its own place in the order: after what was submitted before it.
  EXPECT_EQ(log, (std::vector<std::string>{"read", "read done", "keys 1", "keys 1 done", "settings 3",
                                           "settings 3 done"}));
  // A write that already ran is never dropped by a later one.
  write("settings 4", "settings");
  EXPECT_TRUE(queue.runNext());
  write("settings 5", "settings");
  EXPECT_EQ(queue.runPending(), 1u);
  EXPECT_EQ(log.size(), 10u);
  EXPECT_EQ(queue.superseded(), 2u);
}

TEST(DeviceQueue, ClearDropsWaitingJobsWithoutTheirCompletions) {
  DeviceCommandQueue queue;
  queue.runStepped();
  int ran = 0, done = 0;
  queue.submit([&] { ++ran; }, [&] { ++done; });
  queue.submit([&] { ++ran; }, [&] { ++done; });
  EXPECT_TRUE(queue.runNext());
  queue.clear();
  EXPECT_FALSE(queue.runNext());
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(done, 1);
}

namespace {
// The UI thread's side: posted completions wait here until the test runs them.
struct Posted {
  std::mutex mutex;
  std::vector<std::function<void()>> calls;
  DeviceCommandQueue::Post poster() {
    return [this](std::function<void()> call) {
      std::lock_guard<std::mutex> lock(mutex);
      calls.push_back(std::move(call));
    };
  }
  size_t runAll() {
    std::vector<std::function<void()>> now;
    {
      std::lock_guard<std::mutex> lock(mutex);
      now.swap(calls);
    }
    for (auto& c : now) c();
    return now.size();
  }
};
}  // namespace

TEST(DeviceQueue, OnItsThreadJobsRunInOrderOffTheCallerAndCompletionsArePosted) {
  Posted ui;
  DeviceCommandQueue queue;
  ASSERT_TRUE(queue.runOnThread(ui.poster()));
  EXPECT_FALSE(queue.runOnThread(ui.poster()));
  const std::thread::id caller = std::this_thread::get_id();
  std::mutex m;
  std::vector<int> order;
  std::atomic<bool> offCaller{true};
  std::vector<int> results;  // UI side only
  for (int i = 0; i < 200; ++i) {
    queue.request<int>(
        [&, i] {
          if (std::this_thread::get_id() == caller) offCaller = false;
          std::lock_guard<std::mutex> lock(m);
          order.push_back(i);
          return i * 2;
        },
        [&](int v) { results.push_back(v); });
  }
  ASSERT_TRUE(queue.waitIdle(5000ms));
  EXPECT_TRUE(offCaller.load());
  {
    std::lock_guard<std::mutex> lock(m);
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  }
  EXPECT_TRUE(results.empty());  // nothing ran on the UI side by itself
  EXPECT_EQ(ui.runAll(), 200u);
  ASSERT_EQ(results.size(), 200u);
  EXPECT_EQ(results[199], 398);
}

TEST(DeviceQueue, AStoppedQueueRunsNoCompletionAndDropsWhatWaited) {
  Posted ui;
  DeviceCommandQueue queue;
  ASSERT_TRUE(queue.runOnThread(ui.poster()));
  std::atomic<bool> release{false}, started{false};
  std::atomic<int> ran{0};
  int done = 0;
  queue.submit([&] {
    started = true;
    while (!release.load()) std::this_thread::sleep_for(1ms);
    ++ran;
  }, [&] { ++done; });
  queue.submit([&] { ++ran; }, [&] { ++done; });
  while (!started.load()) std::this_thread::sleep_for(1ms);
  std::thread releaser([&] {
    std::this_thread::sleep_for(20ms);
    release = true;
  });
  queue.stop();  // waits for the running job, drops the waiting one
  releaser.join();
  EXPECT_EQ(ran.load(), 1);
  ui.runAll();  // the first job's completion may have been posted: it does nothing now
  EXPECT_EQ(done, 0);
  EXPECT_EQ(queue.mode(), DeviceCommandQueue::Mode::Inline);
}

TEST(DeviceQueue, SubmittersOnSeveralThreadsKeepEachOnesOrder) {
  Posted ui;
  DeviceCommandQueue queue;
  ASSERT_TRUE(queue.runOnThread(ui.poster()));
  std::mutex m;
  std::vector<std::pair<int, int>> seen;
  std::vector<std::thread> submitters;
  for (int t = 0; t < 3; ++t) {
    submitters.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i)
        queue.submit([&, t, i] {
          std::lock_guard<std::mutex> lock(m);
          seen.emplace_back(t, i);
        }, {}, t == 0 ? "poll" : "");
    });
  }
  for (auto& s : submitters) s.join();
  ASSERT_TRUE(queue.waitIdle(5000ms));
  std::lock_guard<std::mutex> lock(m);
  int last[3] = {-1, -1, -1};
  size_t count[3] = {0, 0, 0};
  for (auto [t, i] : seen) {
    EXPECT_GT(i, last[t]);
    last[t] = i;
    ++count[t];
  }
  EXPECT_EQ(count[1], 100u);
  EXPECT_EQ(count[2], 100u);
  EXPECT_EQ(count[0] + queue.superseded(), 100u);  // only the keyed polls may be dropped
  EXPECT_EQ(last[0], 99);                          // the newest one always runs
}
