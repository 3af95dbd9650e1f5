#!/bin/sh
# Drives "tesselctl profile ..." and "doc show" the way a user's script would:
# a fresh data folder, exit codes and printed names only.
# usage: tesselctl_profile_test.sh TESSELCTL
set -u
ctl=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data"
export TESSEL_INSTALL_DIR="$work/install"
mkdir -p "$TESSEL_INSTALL_DIR/DefaultData" "$TESSEL_INSTALL_DIR/skin"
printf '{ "Device": [ { "LightInfo": { "Light": 4 } } ] }\n' >"$TESSEL_INSTALL_DIR/DefaultData/mouse.Json"
printf '{ "Device": [ { "CustomEQNameInfo": [] } ] }\n' >"$TESSEL_INSTALL_DIR/DefaultData/HD.Json"
folder="$XDG_DATA_HOME/ORVIK Tessel RGB/mouse"
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect CODE EXPECTED_STDOUT -- ARGS...
expect() {
  code=$1; want=$2; shift 3
  got=$("$ctl" "$@" 2>"$work/err"); rc=$?
  [ "$rc" -eq "$code" ] || fail "tesselctl $* exited $rc, wanted $code: $(cat "$work/err")"
  [ -z "$want" ] || [ "$got" = "$want" ] || fail "tesselctl $* printed '$got', wanted '$want'"
  if [ "$rc" -eq 1 ] && [ "$(wc -l <"$work/err")" -ne 1 ]; then fail "tesselctl $*: not one line why"; fi
}

expect 0 "* 0	profile1" -- profile list mouse
[ -f "$folder/ProfileList.ini" ] || fail "no ProfileList.ini after the first list"
expect 0 "profile2" -- profile add mouse
expect 0 "" -- profile rename mouse 1 Game
expect 1 "" -- profile rename mouse 0 GAME
expect 1 "" -- profile rename mouse 0 "   "
expect 0 "Game copy" -- profile copy mouse 1
expect 0 "Game copy copy" -- profile copy mouse 1
expect 0 "" -- profile export mouse 1 "$work/Game.json"
grep -q '"Light" : 4' "$work/Game.json" || fail "export lacks the factory settings"
expect 0 "Game(1)" -- profile import mouse "$work/Game.json"
printf '[1]' >"$work/bad.json"
expect 1 "" -- profile import mouse "$work/bad.json"
expect 0 "" -- profile select mouse 2
"$ctl" --json profile list mouse >"$work/list.json" || fail "--json list"
grep -q '"current" : 2' "$work/list.json" || fail "--json list lacks current 2: $(cat "$work/list.json")"
grep -q '"name" : "Game(1)"' "$work/list.json" || fail "--json list lacks Game(1)"
expect 0 "" -- profile delete mouse 0
# Deleting profile 0 makes profile 0 (formerly 1) current.
"$ctl" profile list mouse | head -n 1 | grep -q '^\* 0	Game$' || fail "current after deleting 0"
expect 0 "" -- profile delete mouse 2
"$ctl" profile list mouse | grep -q '^\* 1	Game copy$' || fail "current after deleting 2"
"$ctl" doc show mouse 0 | grep -q '"profilename" : "Game"' || fail "doc show 0"
expect 1 "" -- doc show mouse 9
expect 1 "" -- profile delete mouse 9
expect 2 "" -- profile delete mouse x
expect 2 "" -- profile frobnicate mouse
expect 2 "" -- profile list toaster
expect 2 "" -- profile rename mouse 0
# The headset keeps its custom equaliser through a reset.
expect 0 "" -- profile list headset
expect 0 "" -- profile reset headset 0
# A read-only data folder: the store says so and exits 1.
if [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$folder"
  expect 1 "" -- profile add mouse
  chmod u+w "$folder"
fi

# Exports write a regular file where asked, or standard output, and nothing
# else; each one under a watchdog, since a FIFO once hung them.
wd() { timeout 10 "$ctl" "$@"; }
"$ctl" profile export mouse 0 - >"$work/stdout.json" 2>"$work/err" || fail "export to -: $(cat "$work/err")"
grep -q '"profilename" : "Game"' "$work/stdout.json" || fail "export to - printed: $(head -c 200 "$work/stdout.json")"
mkfifo "$work/fifo"; printf 'mine\n' >"$work/private"; ln -s "$work/private" "$work/link-file"
for dest in "$work/fifo" "$work/link-file" "$work/none/Game.json"; do
  wd profile export mouse 0 "$dest" >/dev/null 2>"$work/err"; rc=$?
  [ "$rc" -eq 1 ] || fail "export to $dest exited $rc: $(cat "$work/err")"
done
[ -p "$work/fifo" ] && [ -L "$work/link-file" ] || fail "a refused destination was replaced"
[ "$(cat "$work/private")" = "mine" ] || fail "the file behind a link was written"
[ -e "$work/none" ] && fail "an export made the missing folder"
"$ctl" macro create mouse >/dev/null || fail "macro create"
wd macro export mouse 0 "$work/fifo" 2>"$work/err"; [ $? -eq 1 ] || fail "macro export to a FIFO"
grep -q "FIFO" "$work/err" || fail "macro export to a FIFO: $(cat "$work/err")"
# Names are one readable line: refused with exit 2, and old ones shown plain.
esc=$(printf '\033')
expect 2 "" -- profile rename mouse 0 "$(printf 'evil\n* 7\tFORGED')"
expect 2 "" -- profile rename mouse 0 "$(printf '%065d' 0)"
expect 0 "" -- profile rename mouse 0 "$(printf '%064d' 0)"
sed -i "s/\"Game copy\"/\"x\\\\u001b]0;t\\\\u0007\\\\u001b[2J\\\\n* 7\\\\tF\"/" "$folder/ProfileList.ini"
"$ctl" profile list mouse >"$work/list" || fail "list with an old hostile name"
[ "$(grep -vc '^[* ] [0-9]*	' "$work/list")" -eq 0 ] || fail "a name forged lines: $(cat -A "$work/list")"
[ "$(grep -c '^\* ' "$work/list")" -eq 1 ] || fail "a name forged a current entry: $(cat -A "$work/list")"
LC_ALL=C grep -q "$esc" "$work/list" && fail "an escape reached the terminal: $(cat -A "$work/list")"
grep -q '^[* ] 1	x?]0;t??\[2J?\* 7?F$' "$work/list" || fail "sanitised name: $(cat -A "$work/list")"
ls -a "$folder" | grep -q '\.tmp\.' && fail "temporary files left in $folder"
[ "$failures" -eq 0 ] || exit 1
echo "all profile commands behaved"
