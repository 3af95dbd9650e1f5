#pragma once
// One macro event as a line of text, for tesselctl and scripts:
//
//   down key A 30          a key (HID usage by its key-table name, or 0xNN)
//   up mod LCtrl 0         a modifier key (LCtrl LShift LAlt LWin RCtrl RShift RAlt RWin)
//   down mouse left 0      a mouse button (left right middle forward back)
//   down move-up 5 8       a mouse move: move-left and move-up are "down" events,
//                          move-right and move-down "up" events; then distance 0..255
//   down type 2 7 0        any other event: type 1..127, button 0..255
//
// The last number is the delay after the event in milliseconds (0..65535).
// Words are separated by blanks; names compare without regard to case.
// Parsing is strict: anything else is refused with a sentence saying why.
#include <optional>
#include <string>
#include <string_view>

#include "macros/macro_model.h"

namespace tessel::macros {

struct EventTextParse {
  std::optional<MacroEvent> event;
  std::string error;  // when !event
};

EventTextParse parseEventText(std::string_view text);
// The line `parseEventText` reads back as the same event.
std::string eventToText(const MacroEvent& e);

}  // namespace tessel::macros
