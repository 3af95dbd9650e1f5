#!/usr/bin/env bash
# End to end: "tesselctl event" against "tessel-rgb --demo" on a private
# session bus (offscreen). Without the program it fails with exit 3 and one
# line; with it the game event reaches the main window, which writes its
# debug line.
# Usage: tesselctl_event_e2e_test.sh TESSEL_RGB TESSELCTL   (exit 77: skipped)
set -u
EXE="$1"
CTL="$2"
command -v dbus-run-session >/dev/null || { echo "skipped: dbus-run-session is not installed"; exit 77; }
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/runtime" && chmod 700 "$TMP/runtime"
export XDG_RUNTIME_DIR="$TMP/runtime" XDG_DATA_HOME="$TMP/data" XDG_CONFIG_HOME="$TMP/config" XDG_STATE_HOME="$TMP/state"

fail() { echo "FAIL: $*" >&2; [ -f "$TMP/program.log" ] && tail -20 "$TMP/program.log" >&2; exit 1; }

cat > "$TMP/inner.sh" <<INNER
#!/usr/bin/env bash
set -u
"$CTL" event Game_Start 1 2 > "$TMP/absent.out" 2> "$TMP/absent.err"
echo \$? > "$TMP/absent.rc"
QT_QPA_PLATFORM=offscreen TESSEL_DEBUG=1 "$EXE" --demo=mouse,keyboard > "$TMP/program.log" 2>&1 &
pid=\$!
rc=1
for i in \$(seq 1 150); do
  if "$CTL" event Game_Kill 1 0x3 > "$TMP/sent.out" 2> "$TMP/sent.err"; then rc=0; break; fi
  sleep 0.1
done
echo \$rc > "$TMP/sent.rc"
"$CTL" event Game_End 1 0x10000000000000000 > /dev/null 2> "$TMP/bad.err"
echo \$? > "$TMP/bad.rc"
sleep 1
kill \$pid
wait \$pid 2>/dev/null
exit 0
INNER
chmod +x "$TMP/inner.sh"
dbus-run-session -- "$TMP/inner.sh" || fail "the session did not run"

[ "$(cat "$TMP/absent.rc")" = 3 ] || fail "without the program: exit $(cat "$TMP/absent.rc"), not 3"
[ "$(wc -l < "$TMP/absent.err")" -eq 1 ] || fail "without the program: $(wc -l < "$TMP/absent.err") lines on stderr"
[ -s "$TMP/absent.out" ] && fail "without the program something went to stdout"
[ "$(cat "$TMP/sent.rc")" = 0 ] || fail "the event was never sent: $(cat "$TMP/sent.err")"
[ "$(cat "$TMP/sent.out")" = "event Game_Kill 1 3: sent" ] || fail "output: $(cat "$TMP/sent.out")"
[ "$(cat "$TMP/bad.rc")" = 2 ] || fail "a bad LPARAM: exit $(cat "$TMP/bad.rc"), not 2"
grep -q "game event wParam=1 lParam=3" "$TMP/program.log" || fail "the main window did not get the event"
echo "ok"
