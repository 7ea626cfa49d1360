#!/usr/bin/env bash
# Runs one command under an Xvfb display of its own at the given colour depth (8 gives Wine a palette
# screen, 16 a 5-5-5 screen), so that a test program sees another screen than the run's 24-bit one. Xvfb
# picks a free display number itself (-displayfd), so runs side by side never share one; the display
# is stopped when the command ends, however it ends.
# Usage: run-at-depth.sh DEPTH COMMAND [ARGS...]
set -u
depth="$1"
shift
numberFile="$(mktemp)"
Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
xvfb=$!
stop_display() {
  kill "$xvfb" >/dev/null 2>&1 || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$numberFile"
}
trap stop_display EXIT
trap 'exit 130' INT TERM
n=""
for _ in $(seq 100); do
  n="$(tr -dc '0-9' <"$numberFile")"
  [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.1
done
if [ -z "$n" ]; then
  echo "run-at-depth: no Xvfb display at depth $depth" >&2
  exit 1
fi
DISPLAY=":$n" "$@"
