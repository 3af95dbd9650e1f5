#pragma once
// Time-stamp identifiers: local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d"
// (year, month, day, hour, minute, second, millisecond). They name profiles and
// macros, so two of them must never collide: an identifier asked for in the
// same millisecond as the previous one, or naming a file that already exists
// in the folder, is moved on by one millisecond until it is free.
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "core/clock.h"

namespace tessel {

// Formats a point in time in local time.
std::string formatTimestampId(std::chrono::system_clock::time_point t);

class TimestampIdGenerator {
 public:
  explicit TimestampIdGenerator(const Clock& clock) : clock_(clock) {}

  // A new identifier, later than every one this generator gave before. When a
  // folder is given, no file "<id><extension>" exists there.
  std::string next(const std::filesystem::path& folder = {}, std::string_view extension = {});

 private:
  const Clock& clock_;
  std::mutex mutex_;
  std::chrono::time_point<std::chrono::system_clock, std::chrono::milliseconds> last_{};
  bool any_ = false;
};

}  // namespace tessel
