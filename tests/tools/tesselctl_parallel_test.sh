#!/bin/sh
# Parallel writers: four tesselctl processes at once, each changing its own
# keys, macros, shots and style names many times. Every change must be there
# at the end; before the data folder's lock, read-modify-write cycles of one
# document overwrote each other while every process reported success.
# usage: tesselctl_parallel_test.sh TESSELCTL [ROUNDS]
set -u
ctl=$1
rounds=${2:-25}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/run"
# No session bus: these processes must not reach a program of the user's.
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$ctl" get mouse >/dev/null || fail "first get exited $?"
writer() { # N: stage N's colour, macros "wN-I", gun N's shots, style N+1's name
  n=$1
  i=1
  while [ "$i" -le "$rounds" ]; do
    "$ctl" set mouse "stage.$n.colour=$(printf '%02x%04x' "$n" "$i")" >/dev/null || echo "set $n $i" >>"$work/errors"
    if [ "$i" -le 12 ]; then # the library holds 50
      "$ctl" macro create mouse "w$n-$i" >/dev/null || echo "macro $n $i" >>"$work/errors"
    fi
    if [ "$i" -le 29 ]; then
      "$ctl" recoil set "$n" "$i" 1 "$i" 5 >/dev/null || echo "recoil $n $i" >>"$work/errors"
    fi
    "$ctl" audio-style set "name$((n + 1))=w$n-$i" >/dev/null || echo "style $n $i" >>"$work/errors"
    i=$((i + 1))
  done
}
for n in 0 1 2 3; do writer "$n" & done
wait
[ -s "$work/errors" ] && fail "commands failed: $(head -5 "$work/errors")"

got=$("$ctl" get mouse)
macros=$("$ctl" macro list mouse)
styles=$("$ctl" audio-style get)
for n in 0 1 2 3; do
  want=$(printf '%02X%04X' "$n" "$rounds")
  printf '%s\n' "$got" | grep -qx "stage.$n.colour=$want" || fail "stage $n's colour is not $want: $(printf '%s\n' "$got" | grep "stage.$n.colour")"
  made=$((rounds < 12 ? rounds : 12))
  i=1
  while [ "$i" -le "$made" ]; do
    printf '%s\n' "$macros" | grep -q "w$n-$i\$" || fail "macro w$n-$i lost"
    i=$((i + 1))
  done
  printf '%s\n' "$styles" | grep -qx "name$((n + 1))=w$n-$rounds" || fail "style $((n + 1))'s name is not w$n-$rounds"
  last=$((rounds < 29 ? rounds : 29))
  shots=$("$ctl" recoil show "$n")
  i=1
  while [ "$i" -le "$last" ]; do
    printf '%s\n' "$shots" | grep -qx "$i 1 $i 5" || fail "gun $n lost shot $i"
    i=$((i + 1))
  done
done
count=$(printf '%s\n' "$macros" | grep -c "w[0-3]-")
[ "$count" -eq $((4 * made)) ] || fail "$count macros, wanted $((4 * made)) (duplicates or losses)"

[ "$failures" -eq 0 ] || exit 1
echo "all passed"
