#pragma once
// The UI-stall monitor (TESSEL_STALL_REPORT=1): a 5 ms timer on the UI thread
// notes how late each of its ticks fires; the worst lateness is printed to
// stderr at exit ("worst UI stall: 3.2 ms over 11873 ticks"), also when the
// program is ended by SIGTERM or SIGINT. SIGUSR1 starts the measurement
// afresh (scripts/measure-idle sends it when its measuring window opens, so
// the start-up does not count) and reads the line at the end.
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace tessel::ui {

class StallMonitor : public QObject {
 public:
  static constexpr std::chrono::milliseconds kPeriod{5};
  // True when TESSEL_STALL_REPORT is 1.
  static bool Requested();

  StallMonitor();
  ~StallMonitor() override;
  // Worst lateness so far, in microseconds, and the number of ticks seen.
  int64_t WorstMicros() const;
  uint64_t Ticks() const;
  // One tick at `now` (the timer calls it; tests may too).
  void Tick(std::chrono::steady_clock::time_point now);
  // Prints the line once.
  void Report();

 private:
  QTimer timer_;
  std::chrono::steady_clock::time_point last_{};
  bool started_ = false;
  bool reported_ = false;
};

}  // namespace tessel::ui
