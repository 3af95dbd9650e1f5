#include "config/scan_codes.h"

#include <array>

namespace tessel {

namespace {

struct Row {
  uint16_t evdev;
  uint8_t code;
  bool extended;
};

// Keys whose evdev code differs from their set-1 code, or that need E0.
// Evdev codes 1..83 and 86..88 are the set-1 codes themselves.
constexpr std::array<Row, 36> kRows{{
    // Num Lock and Pause share 0x45; the key table knows Num Lock by its E0.
    {69, 0x45, true},    // Num Lock
    // The key table knows right Shift as 0x36 with E0.
    {54, 0x36, true},    // right Shift
    {89, 0x73, false},   // RO (K56)
    {92, 0x79, false},   // Henkan (K132)
    {93, 0x70, false},   // Katakana/Hiragana (K133)
    {94, 0x7B, false},   // Muhenkan (K131)
    {96, 0x1C, true},    // keypad Enter
    {97, 0x1D, true},    // right Ctrl
    {98, 0x35, true},    // keypad /
    {99, 0x37, true},    // Print Screen / SysRq
    {100, 0x38, true},   // right Alt
    {102, 0x47, true},   // Home
    {103, 0x48, true},   // Up
    {104, 0x49, true},   // Page Up
    {105, 0x4B, true},   // Left
    {106, 0x4D, true},   // Right
    {107, 0x4F, true},   // End
    {108, 0x50, true},   // Down
    {109, 0x51, true},   // Page Down
    {110, 0x52, true},   // Insert
    {111, 0x53, true},   // Delete
    {113, 0x20, true},   // Mute
    {114, 0x2E, true},   // Volume Down
    {115, 0x30, true},   // Volume Up
    {116, 0x5E, true},   // Power
    {117, 0x59, false},  // keypad =
    {119, 0x45, false},  // Pause
    {121, 0x7E, false},  // keypad comma (K107)
    {122, 0x72, false},  // Hangeul (K151)
    {123, 0x71, false},  // Hanja (K150)
    {124, 0x7D, false},  // Yen (K14)
    {125, 0x5B, true},   // left Windows
    {126, 0x5C, true},   // right Windows
    {127, 0x5D, true},   // Menu (App)
    {142, 0x5F, true},   // Sleep
    {143, 0x63, true},   // Wake up
}};

}  // namespace

std::optional<SetOneScanCode> scanCodeFromEvdev(uint32_t evdevCode) {
  for (const Row& r : kRows)
    if (r.evdev == evdevCode) return SetOneScanCode{r.code, r.extended};
  if ((evdevCode >= 1 && evdevCode <= 83) || (evdevCode >= 86 && evdevCode <= 88))
    return SetOneScanCode{static_cast<uint8_t>(evdevCode), false};
  return std::nullopt;
}

std::optional<uint32_t> evdevFromX11Keycode(uint32_t keycode) {
  if (keycode < 8) return std::nullopt;
  return keycode - 8;
}

}  // namespace tessel
