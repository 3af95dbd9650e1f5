// "color_option_info.config" as found on disk: whatever parses gives
// selections inside the swatches, and the text written for it reads back as
// the same state.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "services/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto state = tessel::parsePaletteText(text);
  if (!state) return 0;
  if (state->presetSelection < -1 || state->presetSelection >= tessel::kPaletteSwatchCount) std::abort();
  if (state->favouriteSelection < -1 || state->favouriteSelection >= tessel::kPaletteSwatchCount) std::abort();
  const auto again = tessel::parsePaletteText(tessel::paletteText(*state));
  if (!again || !(*again == *state)) std::abort();
  return 0;
}
