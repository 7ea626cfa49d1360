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

# An Xvfb display on a free number, detached from the caller's output; XVFB_PID and DISPLAY are set.
XVFB_PID=""
start_display() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
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

wine_env_start() {
  wine_prefix_env
  start_display
  start_wine_session
  trap wine_env_stop EXIT
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
  XVFB_PID=""
}
