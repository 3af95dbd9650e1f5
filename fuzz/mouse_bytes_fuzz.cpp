// What the mouse sends us, through every mouse decoder: the identity block,
// a settings block as read, the key table with the slot map and the key table
// image built on it, an input usage, and a typed DPI. Layout of the input:
// byte 0 the slot count, byte 1 the macro count, bytes 2-3 an input usage,
// then 34 identity bytes, 71 block bytes, and the rest as the key table (and
// as typed text).
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/function_codes.h"
#include "devices/mouse/mouse_encoding.h"

using namespace tessel;
using namespace tessel::mouse;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 + kIdentitySize + kSettingsReadSize) return 0;
  const int slots = data[0];
  const int macros = data[1];
  const uint16_t usage = static_cast<uint16_t>(data[2] | (data[3] << 8));
  std::array<uint8_t, kIdentitySize> identity{};
  std::copy_n(data + 4, kIdentitySize, identity.begin());
  const uint8_t* block = data + 4 + kIdentitySize;
  const std::vector<uint8_t> table(block + kSettingsReadSize, data + size);

  const MouseIdentity id = decodeMouseIdentity(identity);
  for (int i = 0; i <= id.highestIndex && i < 600; ++i) (void)DpiToIndex(id, static_cast<int64_t>(IndexToDpi(id, i)));
  (void)DpiToIndex(id, std::string_view(reinterpret_cast<const char*>(table.data()), table.size()));

  const std::vector<uint8_t> codes(block + 20, block + 30);
  const LightRecord light = decodeMouseLight(std::span<const uint8_t>(block, kSettingsReadSize), codes, {});
  (void)encodeMouseLight(light, codes);

  const SlotMap map = BuildSlotMap(table, slots);
  const SlotMap again = BuildSlotMap(table, slots, map);
  std::vector<KeyListEntry> buttons;
  for (size_t i = 0; i + 3 <= table.size() && buttons.size() < 16; i += 3)
    buttons.push_back({{table[i], table[i + 1], table[i + 2]}, {}});
  const ButtonTableImage image = buildButtonTableImage(table, again, buttons, macros);
  if (image.image.size() != table.size()) __builtin_trap();
  for (int m : image.macroOrder)
    if (m < 0 || m >= macros) __builtin_trap();
  (void)CheckMacroReferences(buttons, macros);
  (void)decodeProfileStageUsage(usage, id.profiles, static_cast<int>(kMaxStages));
  return 0;
}
