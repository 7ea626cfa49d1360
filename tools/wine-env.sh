# Sourced by the run scripts: builds the tree, then sets up a private Wine prefix, an Xvfb display and
# one persistent wineserver for the run. `wine_env_stop` stops exactly what was started here.
# tools/wine-session.sh uses the same pieces for the session fixture of a plain ctest run.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TOLVADEX_BUILD:-$ROOT/build}"

build_tree() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" "$@" >/dev/null
  cmake --build "$BUILD" -j"$(nproc)"
}

# The build's private prefix, quiet, without Mono or Gecko prompts and without a debugger that waits on
# a crashed test.
wine_prefix_env() {
  export WINEPREFIX="$BUILD/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export WINEARCH=win32
}

# An Xvfb display at the given depth (24 unless told), detached from the caller's output; XVFB_PID and
# DISPLAY are set. Xvfb picks the number itself (-displayfd: the first one it can lock), so displays
# started side by side, by this run or by any other on the machine, never share a number: choosing a
# free-looking number first and starting Xvfb on it after would race, and the loser would run on the
# winner's display until that one went away.
start_display() {
  local depth="${1:-24}" numberFile n=""
  numberFile="$(mktemp)"
  setsid Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp 3>"$numberFile" </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    n="$(tr -dc '0-9' <"$numberFile")"
    [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
    n=""
    sleep 0.1
  done
  rm -f "$numberFile"
  if [ -z "$n" ]; then
    echo "no Xvfb display at depth $depth" >&2
    return 1
  fi
  export DISPLAY=":$n"
}

# One persistent wineserver and Wine's background services, started detached from the test runner's
# output pipes.
start_wine_session() {
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot >/dev/null 2>&1 </dev/null || true
  # Without a window manager on the display, Wine waits two seconds for one each time a managed
  # top-level window is hidden: let Wine manage its windows itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
}

# One run at a time in a build folder: its Wine prefix and wineserver serve one session. The lock is a
# directory holding the owner's process id; a second run waits for it, and takes over a lock whose owner
# is gone.
SESSION_LOCK="$BUILD/wine-session.lock"
session_lock_take() {
  local owner="$1" holder
  until mkdir "$SESSION_LOCK" 2>/dev/null; do
    holder="$(cat "$SESSION_LOCK/owner" 2>/dev/null)"
    if [ -n "$holder" ] && ! kill -0 "$holder" 2>/dev/null; then
      rm -rf "$SESSION_LOCK"
      continue
    fi
    sleep 1
  done
  echo "$owner" >"$SESSION_LOCK/owner"
}
session_lock_release() {
  rm -rf "$SESSION_LOCK"
}

wine_env_start() {
  session_lock_take $$
  # ctest run from inside this session uses it as it is (tools/wine-session.sh stands aside).
  export TOLVADEX_SESSION_OWNER=$$
  wine_prefix_env
  start_display
  start_wine_session
  trap wine_env_stop EXIT
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
  XVFB_PID=""
  session_lock_release
}
