#!/usr/bin/env bash
# A macro recorded and bound: a new macro on the Macros tab, Record, the key A
# pressed and released on the emulated keyboard, Stop, Save; then the side button
# given that macro from the drop-downs. The macro file, the mouse's macro
# memory and its key table all hold it.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click device_select@Mouse
click mouse_device_seting_option_3
click macro_btn_name_add
click macro_btn_starredio
wait_for macro_btn_stopredio 5 || fail "Record did not start a recording"
"$CTL" demo key a down >/dev/null && "$CTL" demo key a up >/dev/null || fail "tesselctl demo key"
settle
click macro_btn_stopredio
click macro_btn_save   # what was recorded is a draft until saved
shot recorded
name="$("$CTL" --demo=all macro list mouse | sed -n '1s/^[0-9]*[[:space:]]*//p')"
[ -n "$name" ] || fail "no macro in the library after recording"
click mouse_device_seting_option_1
click key_4
choose keyset_function_combo Macro
choose keyset_macro_combo "$name"
shot bound
click key_butt_keysave
quit
events="$("$CTL" --demo=all macro show mouse 0)"
[ "$(echo "$events" | sed -n 1p | cut -d' ' -f1-3)" = "down key A" ] && [ "$(echo "$events" | sed -n 2p)" = "up key A 0" ] ||
  fail "the macro holds: $events"
case "$(get mouse button.4)" in macro:0*) ;; *) fail "button.4 is \"$(get mouse button.4)\", not the macro" ;; esac
store mouse | grep -q 8a0400000a04 || fail "the mouse's macro memory does not hold A pressed and released"
pass
