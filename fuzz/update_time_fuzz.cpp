// "updatetime.config" as found on disk: any bytes are read without a throw,
// and what is read is written back and read again unchanged.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/file_io.h"
#include "services/update_time.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  static const fs::path folder = [] {
    fs::path p = fs::temp_directory_path() / ("tessel-fuzz-updatetime-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  const fs::path file = folder / "updatetime.config";
  fs::remove(folder / "updatetime.config.bad");
  if (!tessel::writeFileAtomic(file, std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  const std::string date = tessel::readLastCheckDate(file);
  if (!tessel::writeLastCheckDate(file, date)) return 0;
  if (tessel::readLastCheckDate(file) != date) std::abort();
  return 0;
}
