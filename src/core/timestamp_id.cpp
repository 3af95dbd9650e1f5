#include "core/timestamp_id.h"

#include <cstdio>
#include <ctime>
#include <system_error>

namespace tessel {
using namespace std::chrono;

std::string formatTimestampId(system_clock::time_point t) {
  auto ms = time_point_cast<milliseconds>(t);
  std::time_t seconds = system_clock::to_time_t(time_point_cast<system_clock::duration>(floor<std::chrono::seconds>(ms)));
  int millis = static_cast<int>((ms.time_since_epoch() % 1000ms).count());
  if (millis < 0) millis += 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);
  return buffer;
}

std::string TimestampIdGenerator::next(const std::filesystem::path& folder, std::string_view extension) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto t = floor<milliseconds>(clock_.wallNow());
  if (any_ && t <= last_) t = floor<milliseconds>(last_) + 1ms;
  std::string id = formatTimestampId(t);
  if (!folder.empty()) {
    std::error_code ec;
    for (int guard = 0; guard < 100000; ++guard) {
      if (!std::filesystem::exists(folder / (id + std::string(extension)), ec)) break;
      t += 1ms;
      id = formatTimestampId(t);
    }
  }
  last_ = t;
  any_ = true;
  return id;
}

}  // namespace tessel
