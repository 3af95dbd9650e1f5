#include "devices/keyboard/keyboard_layout.h"

namespace tessel::keyboard {

namespace {

constexpr FunctionCode key(uint8_t usage) { return {0x20, 0x00, usage}; }
constexpr FunctionCode modifier(uint8_t mask) { return {0x20, mask, 0x00}; }
constexpr FunctionCode function(uint8_t what) { return {0xA0, what, 0x00}; }
constexpr FunctionCode macroKey(uint8_t n) { return {0xD0, 0xA2, n}; }
constexpr FunctionCode kBlank{0x20, 0x00, 0x00};

constexpr std::array<FunctionCode, kPositions> makeDefaults() {
  std::array<FunctionCode, kPositions> d{};
  const std::array<FunctionCode, kWrittenPositions> layout = {
      // 0..9: Esc, F1..F9
      key(0x29), key(0x3A), key(0x3B), key(0x3C), key(0x3D), key(0x3E), key(0x3F), key(0x40), key(0x41), key(0x42),
      // 10..19: F10..F12, Print, Scroll, Pause, game mode, the key at 17, two blanks
      key(0x43), key(0x44), key(0x45), key(0x46), key(0x47), key(0x48), function(0x1B), function(0x24), kBlank,
      kBlank,
      // 20..29
      kBlank, key(0x35), key(0x1E), key(0x1F), key(0x20), key(0x21), key(0x22), key(0x23), key(0x24), key(0x25),
      // 30..39
      key(0x26), key(0x27), key(0x2D), key(0x2E), key(0x2A), key(0x49), key(0x4A), key(0x4B), key(0x53), key(0x54),
      // 40..49
      key(0x55), key(0x56), key(0x2B), key(0x14), key(0x1A), key(0x08), key(0x15), key(0x17), key(0x1C), key(0x18),
      // 50..59
      key(0x0C), key(0x12), key(0x13), key(0x2F), key(0x30), key(0x31), key(0x4C), key(0x4D), key(0x4E), key(0x5F),
      // 60..69
      key(0x60), key(0x61), key(0x32), key(0x39), key(0x04), key(0x16), key(0x07), key(0x09), key(0x0A), key(0x0B),
      // 70..79
      key(0x0D), key(0x0E), key(0x0F), key(0x33), key(0x34), key(0x28), key(0x5C), key(0x5D), key(0x5E), key(0x8A),
      // 80..89
      key(0x8B), key(0x90), key(0x91), key(0x88), modifier(0x02), key(0x1D), key(0x1B), key(0x06), key(0x19),
      key(0x05),
      // 90..99
      key(0x11), key(0x10), key(0x36), key(0x37), key(0x38), modifier(0x20), key(0x52), key(0x59), key(0x5A),
      key(0x5B),
      // 100..109
      key(0x87), key(0x89), key(0x64), key(0x85), kBlank, modifier(0x01), modifier(0x08), modifier(0x04), key(0x2C),
      modifier(0x40),
      // 110..119: Fn first
      function(0x01), key(0x65), modifier(0x10), key(0x50), key(0x51), key(0x4F), key(0x62), key(0x63), key(0x58),
      key(0x57),
      // 120..125: M1..M5, right GUI
      macroKey(1), macroKey(2), macroKey(3), macroKey(4), macroKey(5), modifier(0x80)};
  for (size_t j = 0; j < kPositions; ++j) d[j] = j < kWrittenPositions ? layout[j] : kBlank;
  return d;
}

}  // namespace

const std::array<FunctionCode, kPositions> kPositionDefaults = makeDefaults();

KeyboardIdentity decodeKeyboardIdentity(std::span<const uint8_t, kIdentitySize> block) {
  return {block[5], block[6]};
}

KeyMaps emptyKeyMaps() {
  KeyMaps m;
  m.keyMap.fill(kNone);
  m.ledMap.fill(kNone);
  return m;
}

std::optional<KeyMaps> buildKeyMaps(const KeyboardIdentity& id, std::span<const uint8_t> defaultTable,
                                    std::span<const uint8_t> ledTable) {
  if (!tablesFit(id) || defaultTable.size() < keyTableSize(id) || ledTable.size() < ledTableSize(id))
    return std::nullopt;
  KeyMaps m = emptyKeyMaps();
  m.keyCount = id.keyCount;
  // N is at most 170 here (N x 3 <= 512), so every key index fits below kNone.
  const size_t n = id.keyCount;
  for (size_t j = 0; j < kPositions; ++j) {
    const FunctionCode& want = kPositionDefaults[j];
    for (size_t k = 0; k < n; ++k) {
      const size_t at = k * 3;
      if (defaultTable[at] == want.type && defaultTable[at + 1] == want.param1 && defaultTable[at + 2] == want.param2) {
        m.keyMap[j] = static_cast<uint8_t>(k);
        break;
      }
    }
    if (m.keyMap[j] == kNone) continue;
    const uint8_t led = ledTable[m.keyMap[j]];
    // An LED index the device cannot hold would address memory past N x 3.
    if (led < n) m.ledMap[j] = led;
  }
  return m;
}

}  // namespace tessel::keyboard
