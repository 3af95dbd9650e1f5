#!/bin/sh
# Parallel writers: four tesselctl processes at once, each changing its own
# keys, macros, shots and style names many times. Every change must be there
# at the end; before the data folder's lock, read-modify-write cycles of one
# document overwrote each other while every process reported success.
# With PROGRAM (tessel-rgb), the same with the program running on a private
# session bus, so every command goes through its settings service.
# usage: tesselctl_parallel_test.sh TESSELCTL [ROUNDS] [PROGRAM]
set -u
ctl=$1
rounds=${2:-25}
program=${3:-}
if [ -n "$program" ] && [ -z "${TESSEL_PARALLEL_BUS:-}" ]; then
  TESSEL_PARALLEL_BUS=1 exec dbus-run-session -- sh "$0" "$@"
fi
work=$(mktemp -d)
export XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pid=
if [ -n "$program" ]; then
  QT_QPA_PLATFORM=offscreen "$program" 2>"$work/program.log" &
  pid=$!
  i=0
  until gdbus introspect --session --dest org.orvik.TesselRGB --object-path /org/orvik/TesselRGB/settings \
      >/dev/null 2>&1; do
    i=$((i + 1))
    [ "$i" -le 500 ] || { echo "FAIL: the program never served its settings" >&2; exit 1; }
    sleep 0.02
  done
else
  # No session bus: these processes must not reach a program of the user's.
  unset DBUS_SESSION_BUS_ADDRESS
fi
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

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
for n in 0 1 2 3; do
  writer "$n" &
  writers="${writers:-} $!"
done
for w in $writers; do wait "$w"; done
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

if [ -n "$pid" ]; then
  kill -0 "$pid" 2>/dev/null || fail "the program ended during the run"
  # The window saved nothing stale over the commands: the stored profile
  # holds every writer's last colour after the program has ended.
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=
  got=$("$ctl" get mouse)
  for n in 0 1 2 3; do
    want=$(printf '%02X%04X' "$n" "$rounds")
    printf '%s\n' "$got" | grep -qx "stage.$n.colour=$want" || fail "after the program ended, stage $n's colour is not $want"
  done
fi
[ "$failures" -eq 0 ] || exit 1
echo "all passed"
