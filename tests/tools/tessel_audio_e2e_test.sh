#!/usr/bin/env bash
# tessel-audio alone, under a private PulseAudio server with a null sink and a
# private session bus. audio-probe owns the main window's bus name "Tessel RGB":
#  - without a sound server the companion prints one line and exits 3 (also
#    without a bus: the sound server is checked first); without a bus, 4;
#  - after commands 0, 3, 1 it sends 2000-byte dwData 1 packets, answers the
#    style colour message with 1, and command 5 ends it with exit 0;
#  - tones played into the sink come back as loud packets (--standalone);
#  - quiet sound sends nothing (noise is played while packets are awaited);
#  - SIGTERM ends it with exit 0, and so does the main window leaving the bus;
#  - after the default output changes it hears the new one;
#  - the sound server going away ends it with one line and exit 3.
# Usage: tessel_audio_e2e_test.sh TESSEL_AUDIO AUDIO_PROBE   (exit 77: skipped)
set -u
COMPANION="$1"
PROBE="$2"
for tool in pulseaudio pactl dbus-run-session timeout; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
TMP="$(mktemp -d)"
PULSE_PID=""
cleanup() {
  [ -n "$PULSE_PID" ] && kill "$PULSE_PID" 2>/dev/null && wait "$PULSE_PID" 2>/dev/null
  rm -rf "$TMP"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$TMP/pulse.log" ] && tail -5 "$TMP/pulse.log" >&2; exit 1; }

# --- no sound server
out="$(PULSE_SERVER="unix:$TMP/no-server" timeout 20 "$COMPANION" 2>&1 >/dev/null)"
code=$?
[ "$code" -eq 3 ] || fail "without a sound server: exit $code, not 3 ($out)"
[ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] || fail "without a sound server: more than one line: $out"
case "$out" in "tessel-audio: "*) ;; *) fail "without a sound server: $out" ;; esac
echo "no server: $out"
out="$(PULSE_SERVER="unix:$TMP/no-server" DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/no-bus" timeout 20 "$COMPANION" 2>&1)"
code=$?
[ "$code" -eq 3 ] || fail "without a server nor a bus: exit $code, not 3 ($out)"

# --- a private sound server
source "$(dirname "$0")/private_pulse.sh" || exit 77
echo "private server at $PULSE_SERVER"

# --- no bus (the server is there)
out="$(DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/no-bus" DISPLAY= timeout 20 "$COMPANION" 2>&1)"
code=$?
[ "$code" -eq 4 ] || fail "without a session bus: exit $code, not 4 ($out)"
case "$out" in "tessel-audio: "*) ;; *) fail "without a session bus: $out" ;; esac

cat > "$TMP/inner.sh" <<INNER
#!/usr/bin/env bash
set -u
fail() { echo "FAIL: \$*" >&2; exit 1; }
noise() { pacat --raw --format=s16le --rate=48000 --channels=2 < /dev/urandom & noise_pid=\$!; }
# Commands 0, 3, 1, the colour (10, 0, 30) answered with 1, 20 packets, then 5.
noise
TESSEL_DEBUG=1 "$COMPANION" 2> "$TMP/companion1.log" &
pid=\$!
out="\$(timeout 30 "$PROBE" --colour 10 0 30 --connect --packets 20 --quit --timeout 20)" || fail "probe: \$out"
echo "\$out"
echo "\$out" | grep -q "^colour answer 1\$" || fail "the style colour was not answered with 1"
echo "\$out" | grep -q "^packets [0-9]* bad 0 " || fail "bad packets: \$out"
timeout 10 tail --pid=\$pid -f /dev/null || fail "command 5 did not end tessel-audio"
wait \$pid; code=\$?
[ "\$code" -eq 0 ] || fail "command 5: exit \$code"
grep -q "style colour 10 0 30" "$TMP/companion1.log" || fail "no debug line for the colour"
grep -q "command 5: ending" "$TMP/companion1.log" || fail "no debug line for command 5"

# Quiet: the companion captures but sends nothing.
kill \$noise_pid; wait \$noise_pid 2>/dev/null
"$COMPANION" 2> "$TMP/companion0.log" &
pid=\$!
out="\$(timeout 20 "$PROBE" --connect --packets 1 --timeout 3 2>&1)" && fail "packets in silence: \$out"
echo "silence: \$out"
echo "\$out" | grep -q "^packets 0 " || fail "packets in silence: \$out"
timeout 10 tail --pid=\$pid -f /dev/null || fail "the main window left but tessel-audio runs on"

# --standalone: tones into the sink come back loud; SIGTERM ends it with 0.
"$COMPANION" --standalone 2> "$TMP/companion2.log" &
pid=\$!
out="\$(timeout 40 "$PROBE" --latency 3 --timeout 30)" || fail "tones: \$out"
echo "\$out"
kill -TERM \$pid
wait \$pid; code=\$?
[ "\$code" -eq 0 ] || fail "SIGTERM: exit \$code"

noise
# The main window leaving the bus after command 0 ends the companion.
"$COMPANION" 2> "$TMP/companion3.log" &
pid=\$!
timeout 30 "$PROBE" --connect --packets 5 --timeout 20 >/dev/null || fail "third run: no packets"
timeout 10 tail --pid=\$pid -f /dev/null || fail "the main window left but tessel-audio runs on"
wait \$pid; code=\$?
[ "\$code" -eq 0 ] || fail "main window gone: exit \$code"

# The default output changes while capturing: the companion hears the new one.
kill \$noise_pid; wait \$noise_pid 2>/dev/null
pactl load-module module-null-sink sink_name=tessel_other rate=48000 >/dev/null || fail "no second output"
pacat --raw --format=s16le --rate=48000 --channels=2 --device=tessel_other < /dev/urandom & other_pid=\$!
"$COMPANION" 2> "$TMP/companion5.log" &
pid=\$!
out="\$(timeout 20 "$PROBE" --connect --packets 1 --timeout 3 2>&1)" && fail "another output was heard: \$out"
timeout 10 tail --pid=\$pid -f /dev/null || fail "the main window left but tessel-audio runs on"
TESSEL_DEBUG=1 "$COMPANION" 2> "$TMP/companion5.log" &
pid=\$!
( sleep 1; pactl set-default-sink tessel_other ) &
out="\$(timeout 30 "$PROBE" --connect --packets 3 --timeout 10 2>&1)" || fail "the new default output was not heard: \$out"
grep -q "default output changed" "$TMP/companion5.log" || fail "no debug line for the new default output"
timeout 10 tail --pid=\$pid -f /dev/null || fail "the main window left but tessel-audio runs on"
kill \$other_pid; wait \$other_pid 2>/dev/null
pactl set-default-sink tessel_null
echo "default output followed"
noise

# The sound server going away while capturing: one line, exit 3.
"$COMPANION" --standalone 2> "$TMP/companion4.log" &
pid=\$!
timeout 30 "$PROBE" --packets 5 --timeout 20 >/dev/null || fail "fourth run: no packets"
kill $PULSE_PID
timeout 10 tail --pid=\$pid -f /dev/null || fail "tessel-audio runs on without its sound server"
wait \$pid; code=\$?
[ "\$code" -eq 3 ] || fail "sound server gone: exit \$code, not 3"
[ "\$(wc -l < "$TMP/companion4.log")" -eq 1 ] || fail "sound server gone: \$(cat "$TMP/companion4.log")"
grep -q "^tessel-audio: " "$TMP/companion4.log" || fail "sound server gone: \$(cat "$TMP/companion4.log")"
echo "server gone: \$(cat "$TMP/companion4.log")"
echo "companion end to end: ok"
INNER
chmod +x "$TMP/inner.sh"
timeout 150 dbus-run-session -- "$TMP/inner.sh" || fail "the session failed"
