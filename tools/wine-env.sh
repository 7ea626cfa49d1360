# Sourced by the run scripts: builds the tree, then sets up a private Wine prefix, an Xvfb display and
# one persistent wineserver for the run. `wine_env_stop` stops exactly what was started here.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TOLVADEX_BUILD:-$ROOT/build}"

build_tree() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" "$@" >/dev/null
  cmake --build "$BUILD" -j"$(nproc)"
}

XVFB_PID=""
wine_env_start() {
  export WINEPREFIX="$BUILD/wineprefix"
  export WINEDEBUG=-all
  # No Mono or Gecko prompts; no debugger that waits on a crashed test.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  export WINEARCH=win32
  # A free display number.
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  mkdir -p "$WINEPREFIX"
  wineserver -p
  # Wine's background services start here, detached from the test runner's output pipes.
  wineboot >/dev/null 2>&1 </dev/null || true
  # Without a window manager on the display, Wine waits two seconds for one each time a managed
  # top-level window is hidden: let Wine manage its windows itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  trap wine_env_stop EXIT
}

wine_env_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" >/dev/null 2>&1 || true
  XVFB_PID=""
}
