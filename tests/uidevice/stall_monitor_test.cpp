// The UI-stall monitor: lateness of its 5 ms tick and the line printed at exit.
#include <gtest/gtest.h>

#include "device_env.h"
#include "ui/stall_monitor.h"

namespace tessel::ui {
namespace {

using namespace std::chrono_literals;

TEST(StallMonitor, KeepsTheWorstLatenessOfItsTickAndPrintsItOnce) {
  test::EnsureQtApp();
  StallMonitor monitor;
  const auto t0 = std::chrono::steady_clock::now() + 1h;  // far from the real timer's own ticks
  const int64_t before = monitor.WorstMicros();
  monitor.Tick(t0);
  monitor.Tick(t0 + 5ms);             // on time
  monitor.Tick(t0 + 5ms + 17300us);   // 12.3 ms late
  monitor.Tick(t0 + 5ms + 17300us + 6ms);  // 1 ms late: not the worst
  EXPECT_EQ(std::max<int64_t>(before, 12300), monitor.WorstMicros());
  EXPECT_GE(monitor.Ticks(), 4u);
  testing::internal::CaptureStderr();
  monitor.Report();
  monitor.Report();
  const std::string out = testing::internal::GetCapturedStderr();
  EXPECT_EQ(out.rfind("worst UI stall: ", 0), 0u) << out;
  EXPECT_NE(out.find(" ms over "), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);  // printed once
}

}  // namespace
}  // namespace tessel::ui
