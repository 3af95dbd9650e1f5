#!/usr/bin/env bash
# Audio lighting end to end: a private PulseAudio server with a null sink as
# the default output, "tessel-rgb --demo" under a virtual X server with a
# private session bus. The keyboard is put into its audio mode with tesselctl;
# tessel-rgb then starts tessel-audio itself. A tone played into the sink must
# make packets arrive and the keyboard's audio levels rise (Demo AudioLevels),
# and the levels must fall back once the tone ends. Leaving the audio mode
# stops the companion. Without a sound server the program reports audio
# lighting unavailable with the companion's line.
# Usage: audio_e2e_test.sh TESSEL_RGB TESSELCTL TESSEL_AUDIO AUDIO_PROBE   (exit 77: skipped)
set -u
EXE="$1"
CTL="$2"
COMPANION="$3"
PROBE="$4"
for tool in xvfb-run dbus-run-session gdbus pulseaudio pactl timeout; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
TMP="$(mktemp -d)"
PULSE_PID=""
cleanup() {
  [ -n "$PULSE_PID" ] && kill "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

source "$(dirname "$0")/../tools/private_pulse.sh" || exit 77
export XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" XDG_STATE_HOME="$TMP/state"
export TESSEL_AUDIO_COMPANION="$COMPANION"

# The keyboard starts outside the audio mode (the static mode, list position 6).
"$CTL" --demo=keyboard set keyboard light.mode=6 >/dev/null || fail "tesselctl set keyboard light.mode=6"

cat > "$TMP/inner.sh" <<INNER
#!/usr/bin/env bash
set -u
fail() { echo "FAIL: \$*" >&2; kill \$pid 2>/dev/null; exit 1; }
demo() { gdbus call --session --dest org.orvik.TesselRGB --object-path /org/orvik/TesselRGB/demo \\
           --method org.orvik.TesselRGB.Demo."\$1" 2>/dev/null; }
owned() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \\
    --method org.freedesktop.DBus.NameHasOwner "\$1" 2>/dev/null | grep -q true
}
companion_owned() { owned org.orvik.TesselRGB.w.ORVIK_20Tessel_20RGBAUDIORECORD; }
# The largest of the 25 levels in "([a, b, ...],)".
max_level() { demo AudioLevels | tr -c '0-9\n' ' ' | tr ' ' '\n' | sort -n | tail -1; }
packets() { demo AudioPackets | sed 's/uint64//' | tr -cd '0-9'; }

export QT_QPA_PLATFORM=xcb
"$EXE" --demo > "$TMP/program.log" 2>&1 &
pid=\$!
for i in \$(seq 1 100); do owned org.orvik.TesselRGB && break; sleep 0.1; done
owned org.orvik.TesselRGB || fail "tessel-rgb did not come up"
if ! gdbus introspect --session --dest org.orvik.TesselRGB --object-path /org/orvik/TesselRGB/demo 2>/dev/null |
     grep -q AudioLevels; then
  echo "skipped: this tessel-rgb has no AudioLevels demo method"
  kill \$pid; wait \$pid 2>/dev/null; exit 77
fi
[ "\$(max_level)" = "0" ] || fail "levels before any sound: \$(demo AudioLevels)"

"$CTL" --demo=keyboard set keyboard light.mode=29 >/dev/null || fail "tesselctl set keyboard light.mode=29"
for i in \$(seq 1 100); do companion_owned && break; sleep 0.1; done
companion_owned || fail "tessel-rgb did not start tessel-audio (AudioCompanion: \$(demo AudioCompanion))"
demo AudioCompanion | grep -q running || fail "AudioCompanion: \$(demo AudioCompanion)"
echo "companion: \$(demo AudioCompanion)"

before=\$(packets)
"$PROBE" --play 3 &
player=\$!
rose=0
for i in \$(seq 1 100); do
  level=\$(max_level)
  [ "\${level:-0}" -gt 500 ] && { rose=1; break; }
  sleep 0.1
done
[ \$rose -eq 1 ] || fail "the levels did not rise in 10 s: \$(demo AudioLevels), packets \$(packets)"
echo "levels with the tone: \$(demo AudioLevels)"
wait \$player
fell=0
for i in \$(seq 1 100); do
  level=\$(max_level)
  [ "\${level:-1}" -lt 50 ] && { fell=1; break; }
  sleep 0.1
done
[ \$fell -eq 1 ] || fail "the levels did not fall after the tone: \$(demo AudioLevels)"
after=\$(packets)
echo "packets: \$before before the tone, \$after after it"
[ "\${after:-0}" -gt "\${before:-0}" ] || fail "no packets accepted"

# Leaving the audio mode stops the companion (commands 2, 4, 5).
"$CTL" --demo=keyboard set keyboard light.mode=6 >/dev/null || fail "tesselctl set keyboard light.mode=6"
for i in \$(seq 1 100); do companion_owned || break; sleep 0.1; done
companion_owned && fail "tessel-audio still runs after the audio mode was left"
demo AudioCompanion | grep -q stopped || fail "AudioCompanion after leaving: \$(demo AudioCompanion)"
kill \$pid; wait \$pid 2>/dev/null

# Without a sound server: the page is told audio lighting is unavailable.
PULSE_SERVER="unix:$TMP/no-server" "$EXE" --demo > "$TMP/program2.log" 2>&1 &
pid=\$!
for i in \$(seq 1 100); do owned org.orvik.TesselRGB && break; sleep 0.1; done
"$CTL" --demo=keyboard set keyboard light.mode=29 >/dev/null || fail "tesselctl set keyboard light.mode=29 (no server)"
state=""
for i in \$(seq 1 100); do
  state="\$(demo AudioCompanion)"
  case "\$state" in *unavailable*) break ;; esac
  sleep 0.1
done
case "\$state" in *"unavailable: tessel-audio: "*) ;; *) fail "without a server AudioCompanion says \$state" ;; esac
echo "no server: \$state"
kill \$pid; wait \$pid 2>/dev/null
exit 0
INNER
chmod +x "$TMP/inner.sh"
xvfb-run -a -s "-screen 0 1024x700x24" dbus-run-session -- "$TMP/inner.sh"
code=$?
[ $code -eq 77 ] && exit 77
[ $code -eq 0 ] || { tail -20 "$TMP/program.log" >&2; fail "the session failed"; }
"$CTL" --demo=keyboard set keyboard light.mode=6 >/dev/null
echo "audio end to end: ok"
