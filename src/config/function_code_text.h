#pragma once
// The text form of a button or key function, as `tesselctl get/set` print and
// read `button.N` values. Every code prints as a text that parses back to the
// same code; codes without a name print in the raw form.
//
//   default                      the button's default code
//   none                         no function (0x00 0x00 0x00)
//   mouse:left|right|middle|back|forward
//   dpi:up|down|cycle            next stage up, next stage down, cycle
//   dpi:shift:N                  sensitivity shift to N (0..65535)
//   key:[MOD+]...NAME            a keyboard key; NAME as in the key table
//                                without "keyboard_key_", any case, "_" for a
//                                space (Page_Up, num_enter, F5, A). MOD is ctrl,
//                                shift, alt, win (left ones; lctrl ... lwin too)
//                                or rctrl, rshift, ralt, rwin. A modifier alone
//                                is key:ctrl, key:ctrl+shift. Without MOD, NAME
//                                may also be a non-keyboard entry of the key
//                                table (key:M1, key:FN, key:GM).
//   media:NAME                   player, play, stop, prev, next, vol_down,
//                                vol_up, mute, web_home, web_refresh, web_stop,
//                                web_back, web_forward, web_favorites,
//                                web_search, computer, calc, mail
//   system:power|sleep|wake
//   shortcut:NAME                open, new, undo, save, copy, cut, paste, find,
//                                select_all, zoom_out, zoom_in
//   special:disabled|fn|smart|gm
//   fire:INTERVAL:COUNT          0..255 each (firmware units)
//   scroll:up|down|left|right:COUNT[:DELAY:SPEED]
//                                COUNT 1..127, DELAY and SPEED 0..15
//   macro:INDEX[:MODE]           macro INDEX (0-based, 0..255) of the macro
//                                list, end mode 0..3 (default 0)
//   macro:INDEX:xCOUNT           repeated COUNT times (0..255)
//   recoil:G                     recoil pattern slot 0..3
//   raw:TYPE:P1:P2               any three bytes (0x.. hex or decimal)
//
// Media and shortcut NAMEs also accept the table's localisation key
// ("media_vol_add", "custem_copy").
#include <optional>
#include <string>
#include <string_view>

#include "config/document_records.h"
#include "config/setting_keys.h"

namespace tessel {

struct FunctionCodeParse {
  bool ok = false;
  FunctionCode code;
  std::string error;  // what is wrong, when !ok
};

// Parses a value; "default" gives defaultCode.
FunctionCodeParse parseFunctionCode(std::string_view text, const FunctionCode& defaultCode);

// The canonical text of a code (never "default").
std::string formatFunctionCode(const FunctionCode& code);
// "default" when code equals defaultCode, else formatFunctionCode.
std::string formatButtonValue(const FunctionCode& code, const FunctionCode& defaultCode);

// The forms above, one line each, for `tesselctl help` and the README.
std::vector<settings::KeyHelp> functionValueHelp();

}  // namespace tessel
