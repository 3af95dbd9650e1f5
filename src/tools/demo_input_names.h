#pragma once
// The key and button names of "tesselctl demo key NAME down|up" and "tesselctl
// demo button NAME down|up", and the evdev codes they stand for. The running
// program's scripted input source takes the codes exactly as a keyboard or
// mouse under Linux reports them, so a scripted key goes through the same
// evdev → set-1 scan code mapping as a real one.
//
// Header only: tesselctl checks a name before it calls the program, and the
// program's demo object looks the same name up again.
#include <linux/input-event-codes.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tessel::tools {

struct DemoInputName {
  std::string_view name;
  uint16_t code;  // evdev KEY_* or BTN_*
};

// First name of a code is the one help texts show.
inline constexpr DemoInputName kDemoKeyNames[] = {
    {"a", KEY_A}, {"b", KEY_B}, {"c", KEY_C}, {"d", KEY_D}, {"e", KEY_E}, {"f", KEY_F}, {"g", KEY_G},
    {"h", KEY_H}, {"i", KEY_I}, {"j", KEY_J}, {"k", KEY_K}, {"l", KEY_L}, {"m", KEY_M}, {"n", KEY_N},
    {"o", KEY_O}, {"p", KEY_P}, {"q", KEY_Q}, {"r", KEY_R}, {"s", KEY_S}, {"t", KEY_T}, {"u", KEY_U},
    {"v", KEY_V}, {"w", KEY_W}, {"x", KEY_X}, {"y", KEY_Y}, {"z", KEY_Z},
    {"1", KEY_1}, {"2", KEY_2}, {"3", KEY_3}, {"4", KEY_4}, {"5", KEY_5}, {"6", KEY_6}, {"7", KEY_7},
    {"8", KEY_8}, {"9", KEY_9}, {"0", KEY_0},
    {"f1", KEY_F1}, {"f2", KEY_F2}, {"f3", KEY_F3}, {"f4", KEY_F4}, {"f5", KEY_F5}, {"f6", KEY_F6},
    {"f7", KEY_F7}, {"f8", KEY_F8}, {"f9", KEY_F9}, {"f10", KEY_F10}, {"f11", KEY_F11}, {"f12", KEY_F12},
    {"ctrl", KEY_LEFTCTRL}, {"lctrl", KEY_LEFTCTRL}, {"rctrl", KEY_RIGHTCTRL},
    {"shift", KEY_LEFTSHIFT}, {"lshift", KEY_LEFTSHIFT}, {"rshift", KEY_RIGHTSHIFT},
    {"alt", KEY_LEFTALT}, {"lalt", KEY_LEFTALT}, {"ralt", KEY_RIGHTALT},
    {"win", KEY_LEFTMETA}, {"lwin", KEY_LEFTMETA}, {"rwin", KEY_RIGHTMETA},
    {"space", KEY_SPACE}, {"enter", KEY_ENTER}, {"esc", KEY_ESC}, {"tab", KEY_TAB},
    {"backspace", KEY_BACKSPACE}, {"capslock", KEY_CAPSLOCK}, {"numlock", KEY_NUMLOCK},
    {"scrolllock", KEY_SCROLLLOCK},
    {"up", KEY_UP}, {"down", KEY_DOWN}, {"left", KEY_LEFT}, {"right", KEY_RIGHT},
    {"insert", KEY_INSERT}, {"delete", KEY_DELETE}, {"home", KEY_HOME}, {"end", KEY_END},
    {"pageup", KEY_PAGEUP}, {"pagedown", KEY_PAGEDOWN}, {"print", KEY_SYSRQ}, {"pause", KEY_PAUSE},
    {"minus", KEY_MINUS}, {"equal", KEY_EQUAL}, {"leftbrace", KEY_LEFTBRACE}, {"rightbrace", KEY_RIGHTBRACE},
    {"backslash", KEY_BACKSLASH}, {"semicolon", KEY_SEMICOLON}, {"apostrophe", KEY_APOSTROPHE},
    {"grave", KEY_GRAVE}, {"comma", KEY_COMMA}, {"dot", KEY_DOT}, {"slash", KEY_SLASH},
    {"menu", KEY_COMPOSE},
    {"kp0", KEY_KP0}, {"kp1", KEY_KP1}, {"kp2", KEY_KP2}, {"kp3", KEY_KP3}, {"kp4", KEY_KP4},
    {"kp5", KEY_KP5}, {"kp6", KEY_KP6}, {"kp7", KEY_KP7}, {"kp8", KEY_KP8}, {"kp9", KEY_KP9},
    {"kpenter", KEY_KPENTER}, {"kpplus", KEY_KPPLUS}, {"kpminus", KEY_KPMINUS},
    {"kpasterisk", KEY_KPASTERISK}, {"kpslash", KEY_KPSLASH}, {"kpdot", KEY_KPDOT},
};

inline constexpr DemoInputName kDemoButtonNames[] = {
    {"left", BTN_LEFT}, {"right", BTN_RIGHT}, {"middle", BTN_MIDDLE},
    {"back", BTN_SIDE}, {"forward", BTN_EXTRA},
};

namespace detail {
template <size_t N>
std::optional<uint16_t> findDemoName(const DemoInputName (&table)[N], std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const DemoInputName& row : table)
    if (row.name == lower) return row.code;
  return std::nullopt;
}
}  // namespace detail

// The evdev code of a key name (any case), or nothing.
inline std::optional<uint16_t> demoKeyCode(std::string_view name) { return detail::findDemoName(kDemoKeyNames, name); }
// The evdev code of a button name: left, right, middle, back, forward.
inline std::optional<uint16_t> demoButtonCode(std::string_view name) {
  return detail::findDemoName(kDemoButtonNames, name);
}
// "down" → true, "up" → false, anything else nothing.
inline std::optional<bool> demoDirection(std::string_view word) {
  if (word == "down") return true;
  if (word == "up") return false;
  return std::nullopt;
}

}  // namespace tessel::tools
