// The light-effect library "zelto_light.config": parse, write back, parse again.
#include <cstdint>
#include <string_view>

#include "config/light_effect_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessel::LightEffectLibrary library;
  if (!library.parse(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  tessel::LightEffectLibrary again;
  if (!again.parse(library.text())) __builtin_trap();
  if (again.kindCount() != library.kindCount()) __builtin_trap();
  for (int kind = 0; kind < static_cast<int>(library.kindCount()); ++kind)
    if (again.sequences(kind) != library.sequences(kind)) __builtin_trap();
  return 0;
}
