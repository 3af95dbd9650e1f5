#pragma once
// Native codes of the input sources in the macro editor's terms. Linux reports
// keys as evdev codes (X11 keycodes are evdev + 8) and buttons as evdev BTN_*
// codes or X11 button numbers; the editor wants set-1 scan codes with the E0
// flag and the mouse messages with their mouse data.
#include <cstdint>
#include <optional>

#include "config/scan_codes.h"
#include "input/input_source.h"

namespace tessel::input {

// Set-1 scan code of an evdev key code (the key table's 104/105-key keys,
// numpad, navigation and the media keys), or nothing for keys without one.
std::optional<SetOneScanCode> scanCodeForEvdevKey(uint32_t evdevCode);

// Caps Lock, Num Lock and Scroll Lock.
bool isLockKey(SetOneScanCode code);

// A keyboard event for a set-1 key: 256/257, or 260/261 for the Alt keys.
InputEvent keyboardEvent(SetOneScanCode code, bool down);

// A mouse event for a button message and its mouse data (no position).
InputEvent mouseEvent(uint32_t message, uint32_t mouseData = 0);

// The event of an evdev key or button code (EV_KEY) going down or up;
// nothing for codes that are neither a mapped key nor one of the five buttons.
std::optional<InputEvent> eventFromEvdevKey(uint16_t code, bool down);
// The event of an evdev button code (BTN_LEFT, BTN_RIGHT, BTN_MIDDLE,
// BTN_SIDE / BTN_BACK = back, BTN_EXTRA / BTN_FORWARD = forward).
std::optional<InputEvent> eventFromEvdevButton(uint16_t code, bool down);

// XInput2 raw events: a key by its X11 keycode, a button by its number
// (1 left, 2 middle, 3 right, 8 back, 9 forward; wheel buttons 4..7 and any
// other give nothing).
std::optional<InputEvent> eventFromX11Key(uint32_t keycode, bool down);
std::optional<InputEvent> eventFromX11Button(uint32_t button, bool down);

}  // namespace tessel::input
