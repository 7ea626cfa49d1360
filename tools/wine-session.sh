#!/usr/bin/env bash
# The Wine session of a plain `ctest` run: `start BUILD` prepares the build's Wine prefix, an Xvfb display
# when DISPLAY is not set and one persistent wineserver, every process detached from ctest's output;
# `stop BUILD` stops exactly what `start` started. What the test programs need of it is written to
# BUILD/wine-session.env, which tools/wine-run.sh reads. With TOLVADEX_WINE_SESSION=external (set by
# tools/run-tests.sh, which runs a session of its own) both do nothing.
set -uo pipefail
action="$1"
export TOLVADEX_BUILD="$2"
[ "${TOLVADEX_WINE_SESSION:-}" = external ] && exit 0
source "$(dirname "$0")/wine-env.sh"
STATE="$BUILD/wine-session.env"

case "$action" in
start)
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
  [ -f "$STATE" ] || exit 0
  source "$STATE"
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${STARTED_XVFB:-}" ] && kill "$STARTED_XVFB" >/dev/null 2>&1
  rm -f "$STATE"
  ;;
esac
exit 0
