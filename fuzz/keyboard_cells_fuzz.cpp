// The names of the skin's key and light cells, the status usages the keyboard
// sends, and the key list shown for assignments taken from the same bytes
// (macro indices past the names among them). Input: the first two bytes are
// a usage (low byte first) and a macro name count, then assignment triples;
// the whole input is also one cell name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devices/keyboard/keyboard_key_names.h"
#include "devices/keyboard/keyboard_status.h"

using namespace tessel;
using namespace tessel::keyboard;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto cell = parseCellName(text)) {
    if (cell->position >= kPositions) __builtin_trap();
    const std::string again = (cell->kind == CellName::Kind::Key ? "key_" : "light_") + std::to_string(cell->position);
    if (again != text && text.find('0', text.rfind('_')) == std::string_view::npos) __builtin_trap();
  }
  if (size < 2) return 0;
  const uint16_t usage = static_cast<uint16_t>(data[0] | (data[1] << 8));
  for (int profiles : {1, 4, 16}) {
    const auto report = decodeStatusUsage(usage, profiles);
    if (report && report->kind == StatusReport::Kind::Profile && report->profile >= profiles) __builtin_trap();
  }
  std::vector<std::string> names(data[1] % 8, "macro");
  std::vector<KeyListEntry> keys;
  for (size_t i = 2; i + 3 <= size && keys.size() < kPositions + 2; i += 3)
    keys.push_back({{data[i], data[i + 1], data[i + 2]}, kPositionDefaults[keys.size() % kPositions]});
  const auto views = keyViews(keys, names);
  for (size_t j = 0; j < kPositions; ++j)
    if (j < keys.size() && views[j].entry != keys[j]) __builtin_trap();
  return 0;
}
