#!/usr/bin/env bash
# The setup dialog on a real X display: it appears, Escape leaves it open, Enter starts
# the show, Escape in the render window ends the show at once with the profiling box, and
# the close key ends the program with exit code 0 and nothing started. Needs DISPLAY (Xvfb) and xdotool; skipped without.
set -u
program=$1
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v xwininfo >/dev/null || exit 77
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; kill %1 2>/dev/null' EXIT

# Prints the id of the top-level window titled exactly $1 once it has stayed the same
# for a moment (a window may be made again while it opens), waiting up to 20 s.
window() {
  local last=""
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$1\":" 'index($0, t) { print $1; exit }')
    if [ -n "$id" ] && [ "$id" = "$last" ]; then echo "$id"; return 0; fi
    last=$id
    sleep 0.2
  done
  return 1
}
# Sends key $2 to window $1, retrying while the window is being made again.
press() {
  for _ in $(seq 10); do
    xdotool keydown --window "$1" "$2" 2>/dev/null && { xdotool keyup --window "$1" "$2" 2>/dev/null; return 0; }
    sleep 0.2
  done
  return 1
}
fail() { echo "FAIL: $*"; echo "--- the program printed:"; cat "$scratch/out"; exit 1; }

# Enter starts the show.
"$program" --sound none >"$scratch/out" 2>&1 &
dialog=$(window "Vorn Demo - Umbravel") || fail "the dialog did not appear"
press "$dialog" Escape || fail "cannot send Escape"
sleep 0.5
window "Vorn Demo - Umbravel" >/dev/null || fail "Escape closed the dialog"
press "$dialog" Return || fail "cannot send Enter"
show=$(window "Vorn V3D Application") || fail "the render window did not open"
sleep 1
press "$show" Escape || fail "cannot send Escape to the render window"
box=$(window "Vorn Umbravel Demo Profiling") || fail "Escape did not end the show with the profiling box"
press "$box" Return || fail "cannot close the profiling box"
wait %1; code=$?
[ "$code" -eq 0 ] || fail "exit code $code after the show"

# The close key ends the program silently with exit code 0.
"$program" >"$scratch/out" 2>&1 &
dialog=$(window "Vorn Demo - Umbravel") || fail "the dialog did not appear the second time"
press "$dialog" alt+F4 || fail "cannot send Alt+F4"
wait %1; code=$?
[ "$code" -eq 0 ] || fail "exit code $code after closing the dialog"
grep -q "Vorn" "$scratch/out" && fail "closing the dialog showed a box"
echo "setup dialog: appears, ignores Escape, starts on Enter, closes on Alt+F4; Escape ends the show"
