// The light-effect library "zelto_light.config": parse, write back, parse again.
#include <cstdint>
#include <string_view>

#include "config/light_effect_library.h"

namespace {
// The JSON writer replaces bytes that are not UTF-8 inside strings, so only
// UTF-8 text is expected to come back byte for byte.
bool isUtf8(const uint8_t* p, size_t n) {
  for (size_t i = 0; i < n;) {
    const uint8_t c = p[i];
    size_t len = 0;
    uint8_t lo = 0x80, hi = 0xBF;  // range of the second byte
    if (c < 0x80) len = 1;
    else if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    if (len == 0 || i + len > n) return false;
    if (len > 1 && (p[i + 1] < lo || p[i + 1] > hi)) return false;
    for (size_t k = 2; k < len; ++k)
      if ((p[i + k] & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessel::LightEffectLibrary library;
  if (!library.parse(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  if (!isUtf8(data, size)) return 0;
  tessel::LightEffectLibrary again;
  if (!again.parse(library.text())) __builtin_trap();
  if (again.kindCount() != library.kindCount()) __builtin_trap();
  for (int kind = 0; kind < static_cast<int>(library.kindCount()); ++kind)
    if (again.sequences(kind) != library.sequences(kind)) __builtin_trap();
  return 0;
}
