#!/usr/bin/env bash
# The headset's equaliser: a preset clicked on the Voice tab; then "Custom",
# its first band dragged up and the curve saved under a name.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"
start
click device_select@Headset
click 6533_voice_Op_tab
click 6533_eq_option_3
[ "$(get headset eq)" = 3 ] || fail "eq is $(get headset eq) after the third preset"
shot preset
click 6533_eq_option_13
before="$(text 6533_eq_hz_slider_0)"
drag 6533_eq_hz_slider_0 0.5 0.05
band="$(text 6533_eq_hz_slider_0)"
[ "$band" -gt "$before" ] || fail "band 0 shows $band after dragging it up from $before"
fill custom_eq_name_edit Journey
click hs_EQ_btn_save
shot custom
quit
[ "$(get headset eq)" = 13 ] && [ "$(get headset eq.custom)" = Journey ] ||
  fail "the headset's equaliser is $(get headset eq) \"$(get headset eq.custom)\", not the custom curve Journey"
[ "$(get headset eq.band.0)" = "$band" ] || fail "band 0 is $(get headset eq.band.0), the slider showed $band"
pass
