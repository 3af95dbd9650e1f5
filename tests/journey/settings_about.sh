#!/usr/bin/env bash
# Settings and About without a notification area: the caption's settings
# button, and the caption menu's Settings and About entries.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click setbtn
wait_for set_title 5 || fail "the settings button opened no settings window"
click closebtn
wait_until 5 eval '! locate set_title >/dev/null' || fail "the settings window did not close"
click menubtn
wait_for setwnd_menu 5 || fail "the caption menu has no Settings entry"
shot menu
click setwnd_menu
wait_for set_title 5 || fail "the menu's Settings opened no settings window"
shot settings
click closebtn
click menubtn
click about_menu
wait_for about_title 5 || fail "the menu's About opened no about window"
[ -n "$(text software_ver_label)" ] || fail "the about window shows no version"
shot about
click closebtn
quit
pass
