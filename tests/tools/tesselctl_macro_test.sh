#!/bin/sh
# Drives "tesselctl macro ..." the way a user's script would: a fresh data
# folder, exit codes, printed lines and the files left behind.
# usage: tesselctl_macro_test.sh TESSELCTL
set -u
ctl=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
export TESSEL_INSTALL_DIR="$work/install"
mkdir -p "$TESSEL_INSTALL_DIR/DefaultData" "$TESSEL_INSTALL_DIR/skin"
# Factory mouse document: button 0 bound to macro 1, button 1 to macro 2
# repeated 3 times, button 2 to a key; every default is 0x100100.
printf '{ "Device": [ { "KeyList": [ %s, %s, %s ] } ] }\n' \
  '{ "Assignment": 7340288, "DefaultAssignment": 1048832 }' \
  '{ "Assignment": 7406083, "DefaultAssignment": 1048832 }' \
  '{ "Assignment": 2097156, "DefaultAssignment": 2097156 }' >"$TESSEL_INSTALL_DIR/DefaultData/mouse.Json"
folder="$XDG_DATA_HOME/ORVIK Tessel RGB/mouse"
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect CODE EXPECTED_STDOUT -- ARGS...
expect() {
  code=$1; want=$2; shift 3
  got=$("$ctl" "$@" 2>"$work/err"); rc=$?
  [ "$rc" -eq "$code" ] || fail "tesselctl $* exited $rc, wanted $code: $(cat "$work/err")"
  [ -z "$want" ] || [ "$got" = "$want" ] || fail "tesselctl $* printed '$got', wanted '$want'"
  if [ "$rc" -ne 0 ] && [ ! -s "$work/err" ]; then fail "tesselctl $*: failed without saying why"; fi
}
snapshot() { (cd "$folder" && for f in *; do echo "== $f"; cat "$f"; done) 2>/dev/null; }

expect 0 "" -- macro list mouse
expect 0 "macro_1" -- macro create mouse
expect 0 "Jump" -- macro create mouse Jump
expect 1 "" -- macro create mouse JUMP
expect 0 "macro_2" -- macro create mouse
[ "$("$ctl" macro list mouse)" = "$(printf '0\tmacro_1\n1\tJump\n2\tmacro_2')" ] || fail "list: $("$ctl" macro list mouse)"
expect 2 "" -- macro list mousepad
expect 2 "" -- macro frobnicate mouse
expect 2 "" -- macro show mouse x
expect 1 "" -- macro show mouse 7

# Events in, the same events out.
expect 0 "" -- macro add mouse 1 "down key A 30" "up key A 0"
expect 0 "" -- macro add mouse 1 "down mouse left 10
up mouse left 0" "down move-up 5 8"
events=$(printf 'down key A 30\nup key A 0\ndown mouse left 10\nup mouse left 0\ndown move-up 5 8')
[ "$("$ctl" macro show mouse 1)" = "$events" ] || fail "show: $("$ctl" macro show mouse 1)"
"$ctl" --json macro show mouse 1 >"$work/show.json" || fail "--json show"
grep -q '"text" : "down move-up 5 8"' "$work/show.json" || fail "--json show lacks the move: $(cat "$work/show.json")"
"$ctl" --json macro list mouse >"$work/list.json" || fail "--json list"
grep -q '"name" : "Jump"' "$work/list.json" || fail "--json list lacks Jump"

# A bad event anywhere in the list: exit 2, nothing written.
before=$(snapshot)
expect 2 "" -- macro add mouse 1 "down key B 5" "down key NoSuchKey 5"
grep -q 'NoSuchKey' "$work/err" || fail "the refusal does not name the bad key: $(cat "$work/err")"
expect 2 "" -- macro add mouse 1 "up move-up 5 8"
expect 2 "" -- macro add mouse 1 "down key A 70000"
expect 2 "" -- macro add mouse 1
expect 2 "" -- macro add mouse 1 ""
[ "$(snapshot)" = "$before" ] || fail "a refused add changed the folder"

# Export and import: a byte-for-byte copy under the file's name.
expect 0 "" -- macro export mouse 1 "$work/Dash.mac"
expect 0 "Dash" -- macro import mouse "$work/Dash.mac"
[ "$("$ctl" macro show mouse 3)" = "$events" ] || fail "imported events differ"
printf '[1]' >"$work/bad.mac"
expect 1 "" -- macro import mouse "$work/bad.mac"
expect 0 "" -- macro rename mouse 3 Sprint
"$ctl" macro list mouse | grep -q "^3	Sprint$" || fail "rename"

# Deleting macro 1 renumbers the profile's bindings.
"$ctl" profile list mouse >/dev/null || fail "profile list"
jump=$(grep -o '"Guid" : "[0-9_]*"' "$folder/macro.config" | sed -n 2p | sed 's/.*: "\(.*\)"/\1/')
[ -f "$folder/$jump.mac" ] || fail "no event file for Jump"
expect 0 "" -- macro delete mouse 1
[ "$("$ctl" macro list mouse)" = "$(printf '0\tmacro_1\n1\tmacro_2\n2\tSprint')" ] || fail "list after delete"
[ ! -f "$folder/$jump.mac" ] || fail "the deleted macro's event file is still there"
doc=$("$ctl" doc show mouse 0)
echo "$doc" | tr -d ' \n' | grep -q '"Assignment":1048832,"DefaultAssignment":1048832' || fail "binding to the deleted macro kept: $doc"
echo "$doc" | tr -d ' \n' | grep -q '"Assignment":7405827' || fail "binding above not lowered: $doc"
echo "$doc" | tr -d ' \n' | grep -q '"Assignment":2097156' || fail "key binding changed: $doc"
expect 1 "" -- macro delete mouse 3

# The editor's row edits on the stored events; a refused one changes nothing.
expect 0 "Edit" -- macro create mouse Edit
expect 0 "" -- macro add mouse 3 "down key A 1" "up key A 2" "down key B 3"
expect 0 "" -- macro insert mouse 3 1 "down key C 4" "up key C 5"
expect 0 "" -- macro move mouse 3 4 0
expect 0 "" -- macro remove mouse 3 2 2
expect 0 "" -- macro delay mouse 3 1 65535
expect 0 "" -- macro insert mouse 3 3 "up key B 0"
edited=$(printf 'down key B 3\ndown key A 65535\nup key A 2\nup key B 0')
[ "$("$ctl" macro show mouse 3)" = "$edited" ] || fail "row edits: $("$ctl" macro show mouse 3)"
before=$(snapshot)
expect 1 "" -- macro insert mouse 3 5 "down key A 1"
expect 1 "" -- macro move mouse 3 0 4
expect 1 "" -- macro remove mouse 3 3 2
expect 1 "" -- macro delay mouse 3 4 10
expect 1 "" -- macro clear mouse 9
expect 2 "" -- macro delay mouse 3 0 65536
expect 2 "" -- macro remove mouse 3 0 0
expect 2 "" -- macro move mouse 3 0
expect 2 "" -- macro insert mouse 3 0 "down key NoSuchKey 1"
[ "$(snapshot)" = "$before" ] || fail "a refused row edit changed the folder"
expect 0 "" -- macro clear mouse 3
[ -z "$("$ctl" macro show mouse 3)" ] || fail "clear left events: $("$ctl" macro show mouse 3)"

"$ctl" help macro >"$work/help" 2>&1 || true
grep -q "add I EVENT" "$work/help" || fail "help lacks the macro commands: $(cat "$work/help")"
grep -q "remove I ROW \[COUNT\]" "$work/help" || fail "help lacks the row edits: $(cat "$work/help")"

if [ "$failures" -ne 0 ]; then echo "$failures failed"; exit 1; fi
echo "tesselctl macro: all passed"
