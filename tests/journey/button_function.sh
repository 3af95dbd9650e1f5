#!/usr/bin/env bash
# A button's function picked from the drop-downs with the mouse: the side
# button on the picture, "Media" in the function list, "Mute" in the media
# list, Save. The mouse's key table holds it.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click device_select@Mouse
click mouse_device_seting_option_1
click key_4
choose keyset_function_combo Media
choose keyset_media_combo Mute
shot chosen
click key_butt_keysave
quit
[ "$(get mouse button.4)" = media:mute ] || fail "button.4 is \"$(get mouse button.4)\", not media:mute"
pass
