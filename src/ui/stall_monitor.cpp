#include "ui/stall_monitor.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/debug.h"

namespace tessel::ui {

namespace {

// Shared with the signal handler: plain lock-free atomics.
std::atomic<int64_t> worst_{0};
std::atomic<uint64_t> ticks_{0};
std::atomic<bool> armed_{false};
std::atomic<bool> restart_{false};

// Formats the report line without allocating (used from the signal handler).
size_t FormatLine(char* out, size_t size, int64_t micros, uint64_t ticks) {
  char buf[96];
  size_t n = 0;
  auto put = [&](const char* s) {
    while (*s && n < sizeof buf) buf[n++] = *s++;
  };
  auto putNumber = [&](uint64_t v) {
    char digits[24];
    size_t d = 0;
    do {
      digits[d++] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v && d < sizeof digits);
    while (d && n < sizeof buf) buf[n++] = digits[--d];
  };
  put("worst UI stall: ");
  putNumber(static_cast<uint64_t>(micros / 1000));
  put(".");
  putNumber(static_cast<uint64_t>((micros % 1000) / 100));
  put(" ms over ");
  putNumber(ticks);
  put(" ticks\n");
  n = n < size ? n : size;
  std::memcpy(out, buf, n);
  return n;
}

void WriteReport() {
  if (!armed_.exchange(false)) return;
  char line[96];
  const size_t n = FormatLine(line, sizeof line, worst_.load(), ticks_.load());
  ssize_t ignored = ::write(STDERR_FILENO, line, n);
  (void)ignored;
}

extern "C" void OnRestart(int) {
  worst_ = 0;
  ticks_ = 0;
  restart_ = true;
}

extern "C" void OnTerminate(int sig) {
  WriteReport();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

}  // namespace

bool StallMonitor::Requested() {
  const char* v = std::getenv("TESSEL_STALL_REPORT");
  return v && std::strcmp(v, "1") == 0;
}

StallMonitor::StallMonitor() {
  worst_ = 0;
  ticks_ = 0;
  armed_ = true;
  std::signal(SIGTERM, OnTerminate);
  std::signal(SIGINT, OnTerminate);
  std::signal(SIGUSR1, OnRestart);
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(static_cast<int>(kPeriod.count()));
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(std::chrono::steady_clock::now()); });
  timer_.start();
  static const char kOn[] = "UI stall monitor: on\n";
  ssize_t ignored = ::write(STDERR_FILENO, kOn, sizeof kOn - 1);
  (void)ignored;
}

StallMonitor::~StallMonitor() {
  timer_.stop();
  Report();
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGUSR1, SIG_DFL);
}

int64_t StallMonitor::WorstMicros() const { return worst_.load(); }
uint64_t StallMonitor::Ticks() const { return ticks_.load(); }

void StallMonitor::Tick(std::chrono::steady_clock::time_point now) {
  if (restart_.exchange(false)) started_ = false;
  if (started_) {
    const auto late = std::chrono::duration_cast<std::chrono::microseconds>(now - last_ - kPeriod).count();
    if (late > worst_.load()) worst_ = late;
    if (late >= 16000) debugPrintf("UI stall: tick %lld us late", static_cast<long long>(late));
  }
  started_ = true;
  last_ = now;
  ++ticks_;
}

void StallMonitor::Report() {
  if (reported_) return;
  reported_ = true;
  WriteReport();
}

}  // namespace tessel::ui
