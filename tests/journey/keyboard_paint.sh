#!/usr/bin/env bash
# Three keys painted in the keyboard's custom light mode: "Custom" chosen in
# the effect list, the red swatch clicked, Q and W clicked on the picture;
# then 128 typed into the green box and E clicked. The keyboard keeps Q and W
# red and E orange.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click device_select@Keyboard
click deng_Op_tab
choose light_combo_modeSelect Custom
click color_option_0
click key_43
click key_44
fill deng_edit_G 128
click key_45
shot painted
quit
[ "$(get keyboard light.mode)" = 20 ] || fail "the keyboard's mode is $(get keyboard light.mode), not custom (20)"
for q in "43 FF0000 Q" "44 FF0000 W" "45 FF8000 E"; do
  set -- $q
  [ "$(get keyboard "colour.$1")" = "$2" ] || fail "$3 is $(get keyboard "colour.$1"), not $2"
done
pass
