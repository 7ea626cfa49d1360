#!/usr/bin/env bash
# Runs one command under an Xvfb display of its own at the given colour depth (8 gives Wine a palette
# screen, 16 a 5-5-5 screen), so that a test program sees another screen than the run's 24-bit one. The
# display is stopped when the command ends, however it ends.
# Usage: run-at-depth.sh DEPTH COMMAND [ARGS...]
set -u
depth="$1"
shift
n=140
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 "1024x768x$depth" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
stop_display() {
  kill "$xvfb" >/dev/null 2>&1 || true
  wait "$xvfb" 2>/dev/null || true
}
trap stop_display EXIT
trap 'exit 130' INT TERM
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
DISPLAY=":$n" "$@"
