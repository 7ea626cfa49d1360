#!/usr/bin/env bash
# ctest's emulator for the test programs: `wine-run.sh BUILD program args...` runs the program under Wine
# in the session tools/wine-session.sh started, or in the caller's own when WINEPREFIX is set. A DISPLAY
# the caller set (a screen of another depth) is kept.
BUILD="$1"
shift
if [ -z "${WINEPREFIX:-}" ] && [ -f "$BUILD/wine-session.env" ]; then
  source "$BUILD/wine-session.env"
  export DISPLAY="${DISPLAY:-$SESSION_DISPLAY}"
fi
export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}" WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
