# Shared steps of the user journeys: "tessel-rgb --demo=all" under a virtual X
# server with a private session bus, driven only through the X server
# (xdotool). The program, started with TESSEL_JOURNEY=1, tells where a named
# control is shown (org.orvik.TesselRGB.Journey.Locate); nothing here calls a
# handler of the program.
#
# A journey script:
#   . "$(dirname "$0")/journey_lib.sh"
#   journey_begin "$@"          # TESSEL_RGB TESSELCTL SHOT_FOLDER; re-runs itself under Xvfb
#   start; click device_select@Mouse; drag DPI_slider_0 0.1 0.5; shot name; quit
#   [ "$(get mouse stage.0.dpi)" = 1600 ] || fail "..."
#   pass
# Exit 77: a tool is missing (skipped).

JOURNEY_NAME="$(basename "$0" .sh)"
WIDTH=1280
HEIGHT=800

fail() {
  echo "FAIL [$JOURNEY_NAME]: $*" >&2
  if [ -n "${PROGRAM_PID:-}" ]; then
    import -window root "$SHOTS/$JOURNEY_NAME-failed.png" 2>/dev/null
    kill "$PROGRAM_PID" 2>/dev/null
  fi
  [ -f "${JOURNEY_TMP:-}/program.log" ] && sed 's/^/  program: /' "$JOURNEY_TMP/program.log" | tail -20 >&2
  exit 1
}
pass() { echo "journey $JOURNEY_NAME: ok"; exit 0; }
note() { echo "  [$JOURNEY_NAME] $*"; }

# Outside the virtual session: check the tools, make fresh XDG folders, run
# this script again inside xvfb-run and dbus-run-session.
journey_begin() {
  EXE="$1" CTL="$2" SHOTS="$3"
  export EXE CTL SHOTS
  if [ -z "${JOURNEY_INSIDE:-}" ]; then
    for tool in xvfb-run dbus-run-session xdotool import jq gdbus; do
      command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    mkdir -p "$SHOTS"
    rm -f "$SHOTS/$JOURNEY_NAME"-*.png
    JOURNEY_TMP="$(mktemp -d)"
    trap 'rm -rf "$JOURNEY_TMP"' EXIT
    mkdir -p "$JOURNEY_TMP/runtime" && chmod 700 "$JOURNEY_TMP/runtime"
    export JOURNEY_TMP XDG_RUNTIME_DIR="$JOURNEY_TMP/runtime" XDG_DATA_HOME="$JOURNEY_TMP/data" \
      XDG_CONFIG_HOME="$JOURNEY_TMP/config" XDG_STATE_HOME="$JOURNEY_TMP/state" HOME="$JOURNEY_TMP/home"
    mkdir -p "$HOME"
    JOURNEY_INSIDE=1 xvfb-run -a -s "-screen 0 ${WIDTH}x${HEIGHT}x24" dbus-run-session -- bash "$0" "$@"
    exit $?
  fi
}

# ---------------------------------------------------------------- the program

# start [DEMO_LIST]: the program in English, until its window shows a device tile.
start() {
  LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 TESSEL_JOURNEY=1 QT_QPA_PLATFORM=xcb \
    "$EXE" --demo="${1:-all}" >"$JOURNEY_TMP/program.log" 2>&1 &
  PROGRAM_PID=$!
  wait_for device_select || fail "the window did not show a device tile"
}

# quit: the way out the window offers (Close; where no notification area
# exists it ends the program). A program still running after that is ended
# with SIGTERM so the later checks can run; journey_quit checks the clean way.
quit() {
  click closebtn
  if ! wait_exit 10; then
    note "Close did not end the program (it stays in a tray that is not there); ending it with SIGTERM"
    kill "$PROGRAM_PID" 2>/dev/null
    wait_exit 10 || kill -9 "$PROGRAM_PID" 2>/dev/null
  fi
  PROGRAM_PID=
}

# wait_exit SECONDS: true once the program has ended; its exit code in PROGRAM_CODE.
wait_exit() {
  local i
  for i in $(seq 1 $(($1 * 10))); do
    if ! kill -0 "$PROGRAM_PID" 2>/dev/null; then
      wait "$PROGRAM_PID"
      PROGRAM_CODE=$?
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# ---------------------------------------------------------------- where things are

journey_call() {
  gdbus call --session --dest org.orvik.TesselRGB --object-path /org/orvik/TesselRGB/Journey \
    --method "org.orvik.TesselRGB.Journey.$1" "${@:2}" 2>/dev/null
}

# rect METHOD ARGS... -> "x y w h" from a (b shown, i x, i y, i w, i h) answer.
rect() {
  local r
  r="$(journey_call "$@")" || return 1
  r="$(echo "$r" | tr -d '(),')"
  set -- $r
  [ "$1" = true ] || return 1
  echo "$2 $3 $4 $5"
}

# locate NAME -> "x y w h" of the shown control NAME ("device_select@Mouse": the one beside "Mouse").
locate() { rect Locate "$1"; }

# item COMBO_OR_LIST TEXT -> "x y w h" of a row of an open drop-down or a list.
item() { rect Item "$1" "$2"; }

# text NAME: what the control shows (edit, drop-down, slider value, label).
text() {
  local r
  r="$(journey_call Text "$1")" || return 1
  r="${r#(\'}"
  echo "${r%\',)}"
}

# wait_for NAME [SECONDS]: until the control is shown.
wait_for() {
  local i
  for i in $(seq 1 $((${2:-15} * 10))); do
    locate "$1" >/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# wait_until SECONDS COMMAND...: until the command succeeds.
wait_until() {
  local i limit=$(($1 * 10))
  shift
  for i in $(seq 1 "$limit"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# ---------------------------------------------------------------- input (X server only)

# Lets the program take in the events before the next step looks at it.
settle() { sleep 0.3; }

point_in() { # RECT FX FY -> "x y" at fractions of the rectangle
  awk -v r="$1" -v fx="$2" -v fy="$3" 'BEGIN { split(r, a, " "); printf "%d %d", a[1] + a[3] * fx, a[2] + a[4] * fy }'
}

# click NAME: a left click at the centre of the shown control.
click() {
  local r
  wait_for "$1" 5 || fail "\"$1\" is not shown"
  r="$(locate "$1")"
  xdotool mousemove $(point_in "$r" 0.5 0.5) click 1
  settle
}

# choose COMBO TEXT: open the drop-down with a click, then click the row.
choose() {
  local r
  click "$1"
  wait_until 3 item "$1" "$2" >/dev/null || fail "clicking \"$1\" did not open its list with \"$2\""
  r="$(item "$1" "$2")"
  xdotool mousemove $(point_in "$r" 0.5 0.5) click 1
  settle
  [ "$(text "$1")" = "$2" ] || fail "\"$1\" shows \"$(text "$1")\" after choosing \"$2\""
}

# drag NAME FROM TO: press at fraction FROM along the control (its width, or
# its height when it stands upright), move to TO in steps, release.
drag() {
  local r x0 y0 x1 y1 step
  wait_for "$1" 5 || fail "\"$1\" is not shown"
  r="$(locate "$1")"
  set -- "$1" "$2" "$3" $r
  if [ "$7" -gt "$6" ]; then
    read -r x0 y0 <<<"$(point_in "$r" 0.5 "$2")"
    read -r x1 y1 <<<"$(point_in "$r" 0.5 "$3")"
  else
    read -r x0 y0 <<<"$(point_in "$r" "$2" 0.5)"
    read -r x1 y1 <<<"$(point_in "$r" "$3" 0.5)"
  fi
  xdotool mousemove "$x0" "$y0" mousedown 1
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((x0 + (x1 - x0) * step / 8)) $((y0 + (y1 - y0) * step / 8))
    sleep 0.03
  done
  xdotool mouseup 1
  settle
}

# type_text TEXT: keys typed into whatever has the keyboard focus.
type_text() { xdotool type --delay 60 "$1"; settle; }
# key KEY...: xdotool key names (Return, ctrl+a, Tab, Escape).
key() { xdotool key --delay 60 "$@"; settle; }
# fill NAME TEXT: click into a box, select its text, type TEXT and press Return.
fill() { click "$1"; key ctrl+a; type_text "$2"; key Return; }

# shot NAME: the whole screen into the build tree's journey-shots folder.
shot() { import -window root "$SHOTS/$JOURNEY_NAME-$1.png" || fail "no screenshot"; }

# ---------------------------------------------------------------- outcome

# get KIND KEY: one value of "tesselctl get KIND" (the device, the current profile).
get() { "$CTL" --demo=all get "$1" | sed -n "s/^$2=//p"; }
# profiles KIND: "tesselctl profile list KIND" lines.
profiles() { "$CTL" --demo=all profile list "$1"; }
# current_profile KIND: the name of the selected profile.
current_profile() { profiles "$1" | sed -n 's/^\* *[0-9]*[[:space:]]*//p'; }
# store PRODUCT: the emulated product's kept memories (hex) from the demo store.
store() { jq -r .memories "$XDG_STATE_HOME/tessel-rgb/demo/$1.json"; }
