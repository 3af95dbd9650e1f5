#!/usr/bin/env bash
# Profiles switched, added and deleted from the mouse page. After each step
# the selector, "tesselctl profile list" and the mouse agree: the polling
# rate set in profile2 (250 Hz) is on the mouse exactly while profile2 is the
# current one. Delete asks first.
. "$(dirname "$0")/journey_lib.sh"
journey_begin "$@"

# agree NAME POLLING: the selector, the profile list and the mouse are on NAME.
agree() {
  [ "$(text device_profile_combo)" = "$1" ] || fail "$2: the selector shows \"$(text device_profile_combo)\", not $1"
  [ "$(current_profile mouse)" = "$1" ] || fail "$2: tesselctl's current profile is \"$(current_profile mouse)\", not $1"
  [ "$(get mouse polling)" = "$3" ] || fail "$2: the mouse polls at setting $(get mouse polling), not $3 of $1"
}

start
click device_select@Mouse
click mouse_device_seting_option_0
click profile_menu_btn
click device_add_btn
agree profile2 "after +" 3
click polling_rate_option_1
agree profile2 "after 250 Hz" 1
shot added
choose device_profile_combo profile1
agree profile1 "after choosing profile1" 3
choose device_profile_combo profile2
agree profile2 "after choosing profile2" 1
click device_sub_btn
wait_for confirm_btn 5 || fail "deleting a profile did not ask first"
shot asked
click confirm_btn
agree profile1 "after deleting profile2" 3
[ "$(profiles mouse | wc -l)" = 1 ] || fail "after the delete the profiles are: $(profiles mouse)"
shot deleted
quit
pass
