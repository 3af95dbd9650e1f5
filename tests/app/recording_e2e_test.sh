#!/usr/bin/env bash
# End to end: "tessel-rgb --demo" under a virtual X server with a private
# session bus. A macro bound to the mouse's forward button is made first with
# tesselctl; then the mouse page's Macros tab is opened and "Record" clicked
# (xdotool), "tesselctl demo key a down" / "... a up" are sent, "Stop"
# clicked, and "Save". The macro file must hold A pressed and released, and the emulated
# mouse's macro memory (its demo store file) the two events after the
# download.
# Usage: recording_e2e_test.sh TESSEL_RGB TESSELCTL   (exit 77: skipped)
set -u
EXE="$1"
CTL="$2"
for tool in xvfb-run xdotool dbus-run-session jq; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/runtime" && chmod 700 "$TMP/runtime"
export XDG_RUNTIME_DIR="$TMP/runtime" XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" XDG_STATE_HOME="$TMP/state"

fail() { echo "FAIL: $*" >&2; exit 1; }

# The macro and its binding, written before the program starts.
"$CTL" --demo=mouse macro create mouse >/dev/null || fail "macro create"
"$CTL" --demo=mouse set mouse button.3=macro:0 >/dev/null || fail "binding the macro"

cat > "$TMP/inner.sh" <<INNER
#!/usr/bin/env bash
set -u
export QT_QPA_PLATFORM=xcb
"$EXE" --demo=mouse > "$TMP/program.log" 2>&1 &
pid=\$!
for i in \$(seq 1 100); do
  xdotool search --name "Tessel RGB" >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 2
click() { xdotool mousemove "\$1" "\$2" click 1; sleep 0.7; }
click 147 121   # the mouse's tile
click 345 190   # its "Macros" tab
click 272 554   # "macro_btn_starredio"
"$CTL" demo key a down || echo "demo key a down failed" >&2
sleep 0.2
"$CTL" demo key a up || echo "demo key a up failed" >&2
sleep 0.5
click 272 554   # "macro_btn_stopredio", in the same place
click 723 516   # "macro_btn_save": what was recorded is a draft until saved
sleep 1
kill \$pid
wait \$pid 2>/dev/null
exit 0
INNER
chmod +x "$TMP/inner.sh"
xvfb-run -a -s "-screen 0 1024x700x24" dbus-run-session -- "$TMP/inner.sh" || fail "the session did not run"

shown="$("$CTL" --demo=mouse macro show mouse 0)" || fail "macro show"
echo "$shown"
first="$(echo "$shown" | sed -n 1p)"
second="$(echo "$shown" | sed -n 2p)"
[ "$(echo "$shown" | wc -l)" -eq 2 ] || fail "the macro holds $(echo "$shown" | wc -l) events, not 2"
case "$first" in "down key A "*) ;; *) fail "first event: $first" ;; esac
[ "$second" = "up key A 0" ] || fail "second event: $second"
# Macro memory: the press (delay, 0x8A, usage 4) right before the release (delay 0, 0x0A, usage 4).
jq -r .memories "$XDG_STATE_HOME/tessel-rgb/demo/mouse.json" | grep -q "8a0400000a04" ||
  fail "the emulated mouse's macro memory does not hold the two events"
echo "recording end to end: ok"
