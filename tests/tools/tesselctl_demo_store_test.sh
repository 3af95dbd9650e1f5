#!/bin/sh
# The emulated mouse between separate tesselctl processes: a setting made by
# one process is read by the next (the demo store), a button's new function
# is what the mouse's key table answers, --demo-reset brings the
# factory memories back, and two processes changing the mouse at the same
# time both land (the device lock keeps their exchanges apart).
# usage: tesselctl_demo_store_test.sh TESSELCTL
set -u
ctl=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
has() { printf '%s\n' "$1" | grep -qx -- "$2"; }

"$ctl" --demo=mouse set mouse stage.1.dpi=5200 >/dev/null || fail "set stage.1.dpi=5200 exited $?"
got=$("$ctl" --demo=mouse get mouse) || fail "get exited $?"
has "$got" "stage.1.dpi=5200" || fail "a new process does not show 5200: $got"
[ -f "$XDG_STATE_HOME/tessel-rgb/demo/mouse.json" ] || fail "no demo store file"
# The mouse's own memory holds it, not only the document.
"$ctl" --demo=mouse settings mouse | grep -q "^stage 1: on  index 49 (5200 DPI)" || fail "the emulated memory lost index 49"

# The key table is kept too, and "keys" shows what the buttons do now: left
# and right swapped by two processes, each function on its own slot.
"$ctl" --demo=mouse set mouse button.1=mouse:left >/dev/null || fail "set button.1 exited $?"
"$ctl" --demo=mouse set mouse button.0=mouse:right >/dev/null || fail "set button.0 exited $?"
got=$("$ctl" --demo=mouse keys mouse) || fail "keys exited $?"
{ has "$got" "slot 0: 10 02 00" && has "$got" "slot 1: 10 01 00" && has "$got" "slot 2: 10 04 00"; } ||
  fail "keys does not show the swap: $got"

# Factory state again: the memory goes back to index 14 (the document keeps what it was told).
"$ctl" --demo=mouse --demo-reset settings mouse | grep -q "^stage 1: on  index 14 (1600 DPI)" ||
  fail "--demo-reset did not start from the factory state"
"$ctl" --demo=mouse keys mouse | grep -qx "slot 0: 10 01 00" || fail "the reset kept the swapped key table"
"$ctl" --demo=mouse settings mouse | grep -q "^stage 1: on  index 14 (1600 DPI)" ||
  fail "the reset did not reach the store"

# A bad pair changes nothing: exit 2, the store file untouched.
before=$(cat "$XDG_STATE_HOME/tessel-rgb/demo/mouse.json")
"$ctl" --demo=mouse set mouse stage.0.dpi=900 stage.7.dpi=900 2>/dev/null
rc=$?
[ "$rc" -eq 2 ] || fail "a bad key exited $rc, wanted 2"
[ "$(cat "$XDG_STATE_HOME/tessel-rgb/demo/mouse.json")" = "$before" ] || fail "a refused set changed the mouse"

# Two processes at once, each writing its own memory bytes many times over:
# both end up in the one emulated mouse.
(for i in 1 2 3 4 5; do "$ctl" --demo=mouse apply mouse >/dev/null || exit 1; done) &
first=$!
for i in 1 2 3 4 5; do "$ctl" --demo=mouse identity mouse >/dev/null || fail "identity beside apply exited $?"; done
wait "$first" || fail "apply beside identity failed"
"$ctl" --demo=mouse settings mouse | grep -q "^stage 1: on  index 49 (5200 DPI)" ||
  fail "apply did not write the document's stage 1 to the mouse"

[ "$failures" -eq 0 ] || exit 1
echo "all passed"
