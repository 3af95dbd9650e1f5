#!/usr/bin/env bash
# A DPI stage changed twice: Stage 2 by dragging its slider, Stage 3 by typing
# a value into its box and pressing Return. The mouse keeps both.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click device_select@Mouse
click mouse_device_seting_option_0
before="$(text DPI_edit_1)"
drag DPI_slider_1 0.15 0.55
dragged="$(text DPI_edit_1)"
[ -n "$dragged" ] && [ "$dragged" != "$before" ] || fail "dragging Stage 2's slider left its box at \"$before\""
fill DPI_edit_2 5000
[ "$(text DPI_edit_2)" = 5000 ] || fail "Stage 3's box shows \"$(text DPI_edit_2)\" after typing 5000"
shot stages
quit
[ "$(get mouse stage.1.dpi)" = "$dragged" ] || fail "the mouse's stage 2 is $(get mouse stage.1.dpi), the box showed $dragged"
[ "$(get mouse stage.2.dpi)" = 5000 ] || fail "the mouse's stage 3 is $(get mouse stage.2.dpi), not the typed 5000"
pass
