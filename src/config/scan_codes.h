#pragma once
// Pressed keys as set-1 scan codes. The key table recognises a pressed key by
// its PC/AT set-1 make code and the E0 (extended) prefix; Linux reports keys as
// evdev codes, and X11 (and Qt's native scan code under X11 or Wayland) as the
// evdev code + 8.
#include <cstdint>
#include <optional>

namespace tessel {

struct SetOneScanCode {
  uint8_t code = 0;
  bool extended = false;  // sent after an E0 prefix
  bool operator==(const SetOneScanCode&) const = default;
};

// The set-1 code of an evdev key code (KEY_*), or nothing for keys without
// one. Num Lock reads as 0x45 with E0 and Pause as 0x45 without, the way the
// key table tells them apart.
std::optional<SetOneScanCode> scanCodeFromEvdev(uint32_t evdevCode);

// X11 keycodes are evdev codes + 8; codes below 8 do not exist.
std::optional<uint32_t> evdevFromX11Keycode(uint32_t keycode);

}  // namespace tessel
