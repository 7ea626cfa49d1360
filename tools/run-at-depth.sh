#!/usr/bin/env bash
# Runs one command under an Xvfb display of its own at the given colour depth (8 gives Wine a palette
# screen, 16 a 5-5-5 screen), so that a test program sees another screen than the run's 24-bit one. The
# display is started as the run's own is (tools/wine-env.sh: Xvfb picks a number nobody holds) and
# stopped when the command ends, however it ends.
# Usage: run-at-depth.sh DEPTH COMMAND [ARGS...]
set -u
depth="$1"
shift
source "$(dirname "$0")/wine-env.sh"
stop_depth_display() {
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" >/dev/null 2>&1 || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
trap stop_depth_display EXIT
trap 'exit 130' INT TERM
start_display "$depth" || exit 1
"$@"
