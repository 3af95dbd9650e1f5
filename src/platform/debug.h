#pragma once
// Debug output sink: the program's short diagnostic lines and the byte trace of
// every command exchange. Lines go to stderr when TESSEL_DEBUG=1 and nowhere
// otherwise. Text is UTF-8 (many lines are Chinese and stay as written).
#include <functional>
#include <string>
#include <string_view>

namespace tessel {

// Writes one line (a line end is added). Thread-safe.
void debugLine(std::string_view line);

// printf-style convenience.
void debugPrintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// True when lines are emitted anywhere (stderr enabled or a capture installed);
// callers may skip formatting expensive traces when false.
bool debugEnabled();

// Tests and tools can capture the lines. Passing an empty function removes the
// capture. While a capture is installed every line reaches it, whatever
// TESSEL_DEBUG says.
void setDebugCapture(std::function<void(std::string_view)> capture);

// Forces stderr output on or off (the default follows TESSEL_DEBUG=1).
void setDebugToStderr(bool on);

}  // namespace tessel
