#!/usr/bin/env bash
# The window and tesselctl at once. tesselctl's commands run in the window's
# process while it is there, so the page shows a change at once, the window's
# own later saves keep it, and writers side by side lose nothing.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
ctl() { "$CTL" --demo=all "$@"; }
start
click device_select@Mouse
click mouse_device_seting_option_0

ctl set mouse stage.2.dpi=4000 >/dev/null || fail "set beside the window exited $?"
wait_until 5 [ "$(text DPI_edit_2)" = 4000 ] || fail "the page shows $(text DPI_edit_2), not the 4000 tesselctl set"

# Deleting macro 0 renumbers the binding of macro 1; the window's next save
# (an edit on its page) must not put its older copy back.
ctl macro create mouse first >/dev/null && ctl macro create mouse second >/dev/null || fail "macro create failed"
ctl set mouse button.3=macro:1 >/dev/null || fail "binding macro 1 exited $?"
ctl macro delete mouse 0 >/dev/null || fail "macro delete exited $?"
[ "$(get mouse button.3)" = "macro:0" ] || fail "after the delete button 3 is \"$(get mouse button.3)\""
fill DPI_edit_1 2400
[ "$(text DPI_edit_1)" = 2400 ] || fail "the page did not take 2400"
[ "$(get mouse button.3)" = "macro:0" ] || fail "the window's save put back \"$(get mouse button.3)\""

# Four writers at once, each changing its own key ten times.
errors="$JOURNEY_TMP/errors"
writers=()
for n in 0 1 2 3; do
  (for i in 1 2 3 4 5 6 7 8 9 10; do
    ctl set mouse "stage.$n.colour=$(printf '%02x%04x' "$n" "$i")" >/dev/null || echo "stage $n round $i" >>"$errors"
  done) &
  writers+=($!)
done
wait "${writers[@]}"  # not the program, which runs on
[ -s "$errors" ] && fail "writers failed: $(head -3 "$errors")"
for n in 0 1 2 3; do
  want=$(printf '%02X%04X' "$n" 10)
  [ "$(get mouse "stage.$n.colour")" = "$want" ] || fail "stage $n's colour is $(get mouse "stage.$n.colour"), not $want"
done
shot after-tesselctl
quit
# What both sides wrote is kept after the window ended.
[ "$(get mouse stage.2.dpi)" = 4000 ] || fail "stage 3 is $(get mouse stage.2.dpi) after the window ended"
[ "$(get mouse stage.1.dpi)" = 2400 ] || fail "stage 2 is $(get mouse stage.1.dpi) after the window ended"
[ "$(get mouse button.3)" = "macro:0" ] || fail "button 3 is \"$(get mouse button.3)\" after the window ended"
pass
