#!/usr/bin/env bash
# Kills loops of macro, recoil and audio-style writes with SIGKILL at random
# moments, N times (default 40). After every kill the next operations must
# still list the two kept macros with their events, show all 30 recoil shots
# and the kept style name, and once they have run no temporary file is left
# in the data folders (a killed write leaves one; the stores clear them).
# The macro, recoil and style operations after a kill are also the ones that
# must clear those leftovers.
# usage: kept_file_soak_test.sh TESSELCTL SOURCE_DIR [N]
set -uo pipefail
CTL=$1
SRC=$2
N=${3:-40}
TMP=$(mktemp -d)
loop_pid=""
cleanup() {
  [ -n "$loop_pid" ] && kill -KILL -- "-$loop_pid" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT
export XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" TESSEL_INSTALL_DIR="$SRC"
DATA="$XDG_DATA_HOME/ORVIK Tessel RGB"
die() { echo "kept-file soak: after kill $1: $2" >&2; exit 1; }

for name in keep-A keep-B; do "$CTL" macro create mouse "$name" >/dev/null || die 0 "create $name failed"; done
"$CTL" macro add mouse 0 "down key A 30" "up key A 0" || die 0 "add to keep-A failed"
"$CTL" macro add mouse 1 "down key B 30" || die 0 "add to keep-B failed"
"$CTL" audio-style set name1=keep >/dev/null || die 0 "style failed"
"$CTL" recoil show 1 >/dev/null || die 0 "recoil failed"

# Three writers at once, so that kills often land inside a write.
cat >"$TMP/loop.sh" <<LOOP
#!/usr/bin/env bash
for w in 1 2 3; do "$TMP/writer.sh" \$w & done
wait
LOOP
cat >"$TMP/writer.sh" <<LOOP
#!/usr/bin/env bash
i=\$((\$1 * 100000))
while true; do
  i=\$((i + 1))
  "$CTL" macro create mouse "soak \$i" >/dev/null 2>&1
  last=\$(( \$("$CTL" macro list mouse | wc -l) - 1 ))
  [ "\$last" -ge 2 ] && "$CTL" macro add mouse "\$last" "down key C \$i" >/dev/null 2>&1
  "$CTL" macro add mouse 0 "down key D 1" >/dev/null 2>&1
  [ "\$last" -ge 4 ] && "$CTL" macro delete mouse "\$last" >/dev/null 2>&1
  "$CTL" recoil set 1 \$((i % 30)) \$((i % 7)) -2 10 >/dev/null 2>&1
  "$CTL" audio-style set name2="soak \$i" colour2=00ff\$(printf '%02x' \$((i % 256))) >/dev/null 2>&1
done
LOOP
chmod +x "$TMP/loop.sh" "$TMP/writer.sh"

for kill in $(seq 1 "$N"); do
  setsid "$TMP/loop.sh" &
  loop_pid=$!
  sleep "0.$(printf '%03d' $((RANDOM % 300 + 20)))"
  kill -KILL -- "-$loop_pid" 2>/dev/null
  wait "$loop_pid" 2>/dev/null
  loop_pid=""

  # Kills rarely land inside a write on a fast disk: each round also leaves
  # what such a kill leaves, an unlocked temporary of one kept file.
  mac=$(find "$DATA/mouse" -name '*.mac' | head -1)
  case $((kill % 4)) in
    0) victim="$DATA/mouse/macro.config" ;;
    1) victim=${mac:-$DATA/mouse/macro.config} ;;
    2) victim="$DATA/mouse/ShootData_1.Shoot" ;;
    3) victim="$DATA/AudioFile.json" ;;
  esac
  cp "$victim" "$(dirname "$victim")/.$(basename "$victim").tmp.$(printf 'K%05d' "$kill")"

  listed=$("$CTL" macro list mouse) || die "$kill" "macro list failed"
  [ "$(printf '%s\n' "$listed" | head -2 | cut -f2 | tr '\n' ' ')" = "keep-A keep-B " ] ||
    die "$kill" "the kept macros are not listed: $listed"
  [ "$("$CTL" macro show mouse 1)" = "down key B 30" ] || die "$kill" "keep-B lost its events"
  "$CTL" macro show mouse 0 | head -1 | grep -qx "down key A 30" || die "$kill" "keep-A lost its events"
  [ "$("$CTL" recoil show 1 | wc -l)" -eq 30 ] || die "$kill" "the recoil file lost shots"
  "$CTL" audio-style get | grep -qx "name1=keep" || die "$kill" "the style file lost name1"
  leftovers=$(find "$DATA" -name '.*.tmp.*')
  [ -z "$leftovers" ] || die "$kill" "temporary files left over: $leftovers"
done
echo "kept-file soak: $N kills, no failure"
