#!/usr/bin/env bash
# The installed bash completion, driven as bash drives it: COMP_WORDS and
# COMP_CWORD set, the function called, COMPREPLY read.
set -eu
TESSELCTL="$1"
SCRIPT="$2"
PATH="$(dirname "$TESSELCTL"):$PATH"
# shellcheck source=/dev/null
. "$SCRIPT"
fail=0
offer() {  # offer CWORD WORD... : what the completion offers for the last word
  COMP_CWORD=$1
  shift
  COMP_WORDS=("$@")
  COMPREPLY=()
  _tesselctl
  printf '%s\n' "${COMPREPLY[@]}"
}
expect() {  # expect WANTED LINES
  if ! printf '%s\n' "$2" | grep -qx -- "$1"; then
    echo "missing \"$1\" in: $2" >&2
    fail=1
  fi
}
expect "profile" "$(offer 1 tesselctl pro)"
expect "set" "$(offer 2 tesselctl --demo se)"
expect "keyboard" "$(offer 3 tesselctl macro add k)"
expect "stage.2.dpi=" "$(offer 3 tesselctl set mouse stage.2.d)"
expect "light.colour=" "$(offer 4 tesselctl set keyboard light.mode=1 light.co)"
[ -z "$(offer 4 tesselctl profile import mouse ./)" ] || { echo "a file operand offered words" >&2; fail=1; }
exit $fail
