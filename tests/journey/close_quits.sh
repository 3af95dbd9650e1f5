#!/usr/bin/env bash
# Without a notification area, Close ends the program as Exit does: exit
# code 0, and a setting changed just before is kept by the mouse.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click device_select@Mouse
click mouse_device_seting_option_0
click polling_rate_option_1
shot before-close
click closebtn
wait_exit 10 || fail "Close did not end the program (no notification area to hide in)"
[ "$PROGRAM_CODE" = 0 ] || fail "the program ended with code $PROGRAM_CODE"
[ "$(get mouse polling)" = 1 ] || fail "the mouse polls at setting $(get mouse polling), not the 250 Hz set before Close"
[ -s "$XDG_STATE_HOME/tessel-rgb/demo/mouse.json" ] || fail "no demo store for the mouse"
pass
