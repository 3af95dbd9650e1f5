#!/usr/bin/env bash
# Keys go to the page that is shown. Stage 1's box on the mouse page clicked,
# then the keyboard's tile; "1600" and Return typed must not reach the hidden
# mouse page. A value typed into the keyboard's red box then changes the
# keyboard only.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
stage0="$(get mouse stage.0.dpi)"
mouse_colour="$(get mouse light.colour)"
start
click device_select@Mouse
click mouse_device_seting_option_0
click DPI_edit_0
click device_select@Keyboard
type_text 1600
key Return
shot typed-after-switch
fill deng_edit_R 0
[ "$(text deng_edit_R)" = 0 ] || fail "the keyboard's red box shows \"$(text deng_edit_R)\" after typing 0"
shot keyboard-red
quit
[ "$(get mouse stage.0.dpi)" = "$stage0" ] || fail "the mouse's stage 1 is $(get mouse stage.0.dpi), typed while the keyboard page was shown"
[ "$(get mouse light.colour)" = "$mouse_colour" ] || fail "the mouse's colour changed to $(get mouse light.colour)"
[ "$(get keyboard light.colour | cut -c1-2)" = 00 ] || fail "the keyboard's colour is $(get keyboard light.colour), red not 0"
pass
