// What the keyboard sends us, through every keyboard decoder: the key tables
// and LED table with the maps built on them, the user key table built from
// assignments taken from the same bytes, a settings block as read, and the
// custom colour memory. Layout of the input: byte 0 the key count N, byte 1
// the macro library size, then 31 block bytes, and the rest as the default
// key table, then the LED table, then the colour memory (each as far as the
// input reaches, so short tables are exercised too).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/keyboard/keyboard_encoding.h"

using namespace tessel;
using namespace tessel::keyboard;

namespace {

std::vector<uint8_t> take(const uint8_t*& at, const uint8_t* end, size_t n) {
  const size_t have = std::min<size_t>(n, static_cast<size_t>(end - at));
  std::vector<uint8_t> out(at, at + have);
  at += have;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 + kSettingsBlockSize) return 0;
  std::array<uint8_t, kIdentitySize> identity{};
  identity[5] = data[0];
  const size_t library = data[1];
  SettingsBlock block{};
  std::copy_n(data + 2, kSettingsBlockSize, block.begin());
  const uint8_t* at = data + 2 + kSettingsBlockSize;
  const uint8_t* end = data + size;
  const KeyboardIdentity id = decodeKeyboardIdentity(identity);
  const std::vector<uint8_t> defaults = take(at, end, keyTableSize(id));
  const std::vector<uint8_t> leds = take(at, end, ledTableSize(id));
  const std::vector<uint8_t> memory = take(at, end, keyTableSize(id));

  const std::vector<uint8_t> codes(block.begin() + 9, block.begin() + 16);
  const DecodedSettings d = decodeSettingsBlock(block, codes, {}, {});
  if (d.light.light > kMaxLight || d.light.speed > kMaxSpeed || d.kept[16] != 0) __builtin_trap();
  if (d.light.selectItem >= std::max(codes.size(), kModeCount) && d.light.selectItem != 0) __builtin_trap();
  (void)encodeSettingsBlock(d.kept, d.light, codes, d.system);
  (void)settingsOffset(block[0]);

  const auto maps = buildKeyMaps(id, defaults, leds);
  if (!maps) return 0;
  for (size_t j = 0; j < kPositions; ++j) {
    if (maps->keyMap[j] != kNone && maps->keyMap[j] >= id.keyCount) __builtin_trap();
    if (maps->ledMap[j] != kNone && maps->ledMap[j] >= id.keyCount) __builtin_trap();
  }
  std::vector<KeyListEntry> positions;
  for (size_t i = 0; i + 3 <= defaults.size() && positions.size() < kPositions; i += 3)
    positions.push_back({{defaults[i], defaults[i + 1], defaults[i + 2]}, kPositionDefaults[positions.size()]});
  const UserKeyTable table = buildUserKeyTable(defaults, *maps, positions, library);
  if (table.image.size() != keyTableSize(id)) __builtin_trap();
  for (uint8_t m : table.macroOrder)
    if (m >= library) __builtin_trap();

  const auto colours = decodeCustomColours(memory, *maps, block[2], {});
  if (colours) {
    if (encodeCustomColours(*colours, *maps, memory).size() != keyTableSize(id)) __builtin_trap();
    if (encodeLiveFrame(*colours, *maps).size() != keyTableSize(id)) __builtin_trap();
  }
  return 0;
}
