#include "platform/debug.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace tessel {
namespace {

struct Sink {
  std::mutex mutex;
  std::function<void(std::string_view)> capture;
  std::atomic<bool> hasCapture{false};
  std::atomic<bool> toStderr{false};
  Sink() {
    const char* env = std::getenv("TESSEL_DEBUG");
    toStderr = env != nullptr && std::strcmp(env, "1") == 0;
  }
};

Sink& sink() {
  static Sink s;
  return s;
}

}  // namespace

bool debugEnabled() {
  Sink& s = sink();
  return s.toStderr.load(std::memory_order_relaxed) || s.hasCapture.load(std::memory_order_relaxed);
}

void debugLine(std::string_view line) {
  Sink& s = sink();
  if (!debugEnabled()) return;
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.capture) s.capture(line);
  if (s.toStderr.load(std::memory_order_relaxed)) {
    std::string text(line);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
}

void debugPrintf(const char* fmt, ...) {
  if (!debugEnabled()) return;
  char buffer[1024];
  va_list args;
  va_start(args, fmt);
  int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  if (n < 0) return;
  debugLine(std::string_view(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1)));
}

void setDebugCapture(std::function<void(std::string_view)> capture) {
  Sink& s = sink();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.capture = std::move(capture);
  s.hasCapture = static_cast<bool>(s.capture);
}

void setDebugToStderr(bool on) { sink().toStderr = on; }

}  // namespace tessel
