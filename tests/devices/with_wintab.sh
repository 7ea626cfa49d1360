#!/usr/bin/env bash
# with_wintab.sh BUILD OVERRIDE PROGRAM [args...]: runs PROGRAM with the DLL override "wintab32" set to
# OVERRIDE for its own name ("native": the tests' fake beside it; "": the library missing; "builtin":
# Wine's own). Wine reads a program's overrides when it starts, so the value is written first and
# removed afterwards; each program name has its own key, so programs of different settings run side by
# side.
BUILD="$1" OVERRIDE="$2" PROGRAM="$3"
shift 3
RUN="$(dirname "$0")/../../tools/wine-run.sh"
KEY="HKCU\\Software\\Wine\\AppDefaults\\$(basename "$PROGRAM")\\DllOverrides"
bash "$RUN" "$BUILD" reg add "$KEY" /v wintab32 /d "$OVERRIDE" /f >/dev/null 2>&1 </dev/null
bash "$RUN" "$BUILD" "$PROGRAM" "$@"
result=$?
bash "$RUN" "$BUILD" reg delete "$KEY" /f >/dev/null 2>&1 </dev/null
exit $result
