#!/usr/bin/env bash
# The Wine session of a plain `ctest` run: `start BUILD` prepares the build's Wine prefix, an Xvfb display
# when DISPLAY is not set and one persistent wineserver, every process detached from ctest's output;
# `stop BUILD` stops exactly what `start` started. What the test programs need of it is written to
# BUILD/wine-session.env, which tools/wine-run.sh reads. With TOLVADEX_WINE_SESSION=external (set by
# tools/run-tests.sh, which runs a session of its own) both do nothing. A second ctest run in the same
# build folder waits in `start` until the first one's `stop` (the session lock of wine-env.sh, owned by
# the ctest process).
set -uo pipefail
action="$1"
export TOLVADEX_BUILD="$2"
[ "${TOLVADEX_WINE_SESSION:-}" = external ] && exit 0
source "$(dirname "$0")/wine-env.sh"
STATE="$BUILD/wine-session.env"
# Inside a session that tools/wine-env.sh started for this build folder: that one serves.
[ -n "${TOLVADEX_SESSION_OWNER:-}" ] && [ "$(cat "$SESSION_LOCK/owner" 2>/dev/null)" = "$TOLVADEX_SESSION_OWNER" ] && exit 0

case "$action" in
start)
  session_lock_take "$PPID"
  wine_prefix_env
  [ -z "${DISPLAY:-}" ] && start_display
  start_wine_session
  {
    echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' WINEARCH='$WINEARCH'"
    echo "export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'"
    echo "SESSION_DISPLAY='$DISPLAY'"
    echo "STARTED_XVFB='${XVFB_PID:-}'"
  } >"$STATE"
  ;;
stop)
  if [ -f "$STATE" ]; then
    source "$STATE"
    wineserver -k >/dev/null 2>&1 || true
    [ -n "${STARTED_XVFB:-}" ] && kill "$STARTED_XVFB" >/dev/null 2>&1
    rm -f "$STATE"
  fi
  [ "$(cat "$SESSION_LOCK/owner" 2>/dev/null)" = "$PPID" ] && session_lock_release
  ;;
esac
exit 0
