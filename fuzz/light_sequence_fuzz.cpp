// Light sequence files and the "Guid" that names them.
#include <cstdint>
#include <string_view>

#include "config/light_sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)tessel::parseLightSequence(text);
  // Whatever the guid, an accepted one names a file inside the folder.
  if (tessel::isSafeSequenceGuid(text) &&
      (text.find('/') != std::string_view::npos || text.find("..") != std::string_view::npos ||
       text.find('\0') != std::string_view::npos || text.find('\\') != std::string_view::npos))
    __builtin_trap();
  return 0;
}
