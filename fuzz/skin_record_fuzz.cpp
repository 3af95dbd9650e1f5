// "main.ini" as found on disk: any text gets the skin keys set while every
// other line is kept, and setting the same key again changes nothing more.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/skin_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string once = tessel::setIniValue(text, "SKINIMAGE", "IMAGE", "bg/ocean.svg");
  if (once.find("IMAGE=bg/ocean.svg\n") == std::string::npos) std::abort();
  const std::string twice = tessel::setIniValue(once, "SKINIMAGE", "IMAGE", "bg/ocean.svg");
  if (twice != once) std::abort();
  return 0;
}
