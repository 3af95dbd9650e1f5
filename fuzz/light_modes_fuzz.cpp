// The light-mode list "default_light.json".
#include <cstdint>
#include <string_view>

#include "config/light_mode_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessel::LightModeList list;
  list.parse(std::string_view(reinterpret_cast<const char*>(data), size));
  for (int kind = -1; kind <= static_cast<int>(list.kindCount()); ++kind) {
    for (const auto& mode : list.modes(kind)) {
      const int position = list.positionOfCode(kind, mode.code);
      if (position < 0 || list.modes(kind)[static_cast<size_t>(position)].code != mode.code) __builtin_trap();
    }
    (void)list.areas(kind).size();
  }
  return 0;
}
