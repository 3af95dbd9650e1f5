# Sourced by the audio tests and scripts/measure-audio: starts a private
# PulseAudio server (own runtime and state folders under $TMP, a null sink
# "tessel_null" as the default sink) and exports PULSE_SERVER for the clients.
# Sets PULSE_PID. Returns non-zero, after saying why, when no server starts.
mkdir -p "$TMP/runtime" "$TMP/home" && chmod 700 "$TMP/runtime"
export XDG_RUNTIME_DIR="$TMP/runtime" PULSE_RUNTIME_PATH="$TMP/runtime/pulse" HOME="$TMP/home"
export PULSE_STATE_PATH="$TMP/home/pulse-state"
unset PULSE_SERVER
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no --system=no \
  -L "module-native-protocol-unix auth-anonymous=1" -L "module-null-sink sink_name=tessel_null rate=48000" \
  -L "module-always-sink" > "$TMP/pulse.log" 2>&1 &
PULSE_PID=$!
export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
for _ in $(seq 1 50); do
  [ -S "$PULSE_RUNTIME_PATH/native" ] && pactl info >/dev/null 2>&1 && break
  kill -0 "$PULSE_PID" 2>/dev/null || break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "skipped: no private PulseAudio server could be started: $(tail -n 3 "$TMP/pulse.log" | tr '\n' ' ')"
  return 1
fi
pactl set-default-sink tessel_null >/dev/null 2>&1 || true
return 0
