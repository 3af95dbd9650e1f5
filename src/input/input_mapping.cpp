#include "input/input_mapping.h"

#include <linux/input-event-codes.h>

#include <array>

namespace tessel::input {

namespace {

struct MediaKey {
  uint16_t evdev;
  uint8_t code;  // always sent after E0
};
// Media and browser keys of multimedia keyboards. The landed table covers the
// 104/105-key layout, numpad, navigation, volume and power keys.
constexpr std::array<MediaKey, 15> kMediaKeys{{
    {KEY_NEXTSONG, 0x19},
    {KEY_PREVIOUSSONG, 0x10},
    {KEY_STOPCD, 0x24},
    {KEY_PLAYPAUSE, 0x22},
    {KEY_CALC, 0x21},
    {KEY_MAIL, 0x6C},
    {KEY_COMPUTER, 0x6B},
    {KEY_SEARCH, 0x65},
    {KEY_HOMEPAGE, 0x32},
    {KEY_BACK, 0x6A},
    {KEY_FORWARD, 0x69},
    {KEY_STOP, 0x68},
    {KEY_REFRESH, 0x67},
    {KEY_BOOKMARKS, 0x66},
    {KEY_MEDIA, 0x6D},
}};

constexpr uint8_t kAltScanCode = 0x38;

}  // namespace

std::optional<SetOneScanCode> scanCodeForEvdevKey(uint32_t evdevCode) {
  if (auto code = scanCodeFromEvdev(evdevCode)) return code;
  for (const auto& m : kMediaKeys)
    if (m.evdev == evdevCode) return SetOneScanCode{m.code, true};
  return std::nullopt;
}

bool isLockKey(SetOneScanCode code) {
  return (code.code == 0x3A && !code.extended)     // Caps Lock
         || (code.code == 0x45 && code.extended)   // Num Lock
         || (code.code == 0x46 && !code.extended);  // Scroll Lock
}

InputEvent keyboardEvent(SetOneScanCode code, bool down) {
  InputEvent e;
  e.kind = InputKind::Keyboard;
  // Alt on either side arrives as a system key.
  const bool alt = code.code == kAltScanCode;
  e.message = alt ? (down ? kSysKeyDown : kSysKeyUp) : (down ? kKeyDown : kKeyUp);
  e.scanCode = code.code;
  e.extended = code.extended;
  e.lockKey = isLockKey(code);
  return e;
}

InputEvent mouseEvent(uint32_t message, uint32_t mouseData) {
  InputEvent e;
  e.kind = InputKind::Mouse;
  e.message = message;
  e.mouseData = mouseData;
  return e;
}

std::optional<InputEvent> eventFromEvdevButton(uint16_t code, bool down) {
  switch (code) {
    case BTN_LEFT:
      return mouseEvent(down ? kLeftDown : kLeftUp);
    case BTN_RIGHT:
      return mouseEvent(down ? kRightDown : kRightUp);
    case BTN_MIDDLE:
      return mouseEvent(down ? kMiddleDown : kMiddleUp);
    case BTN_SIDE:
    case BTN_BACK:
      return mouseEvent(down ? kExtraDown : kExtraUp, uint32_t{kExtraBack} << 16);
    case BTN_EXTRA:
    case BTN_FORWARD:
      return mouseEvent(down ? kExtraDown : kExtraUp, uint32_t{kExtraForward} << 16);
    default:
      return std::nullopt;
  }
}

std::optional<InputEvent> eventFromEvdevKey(uint16_t code, bool down) {
  if (auto button = eventFromEvdevButton(code, down)) return button;
  if (auto scan = scanCodeForEvdevKey(code)) return keyboardEvent(*scan, down);
  return std::nullopt;
}

std::optional<InputEvent> eventFromX11Key(uint32_t keycode, bool down) {
  const auto evdev = evdevFromX11Keycode(keycode);
  if (!evdev) return std::nullopt;
  if (auto scan = scanCodeForEvdevKey(*evdev)) return keyboardEvent(*scan, down);
  return std::nullopt;
}

std::optional<InputEvent> eventFromX11Button(uint32_t button, bool down) {
  switch (button) {
    case 1:
      return mouseEvent(down ? kLeftDown : kLeftUp);
    case 2:
      return mouseEvent(down ? kMiddleDown : kMiddleUp);
    case 3:
      return mouseEvent(down ? kRightDown : kRightUp);
    case 8:
      return mouseEvent(down ? kExtraDown : kExtraUp, uint32_t{kExtraBack} << 16);
    case 9:
      return mouseEvent(down ? kExtraDown : kExtraUp, uint32_t{kExtraForward} << 16);
    default:
      return std::nullopt;  // 4..7 are the wheel
  }
}

}  // namespace tessel::input
