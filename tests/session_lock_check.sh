#!/usr/bin/env bash
# The session lock of tools/wine-env.sh: a second run in the same build folder waits for the first to let
# go, and takes over a lock whose owner is gone. Usage: session_lock_check.sh WORK_DIR
set -u
export TOLVADEX_BUILD="$1"
rm -rf "$TOLVADEX_BUILD"
mkdir -p "$TOLVADEX_BUILD"
source "$(dirname "$0")/../tools/wine-env.sh"
fail() { echo "FAIL: $*"; exit 1; }

# A first run holds the lock: a second one waits until it is released.
sleep 30 &
first=$!
session_lock_take "$first"
( session_lock_take "$BASHPID"; echo taken >"$TOLVADEX_BUILD/second" ) &
second=$!
sleep 2
[ -e "$TOLVADEX_BUILD/second" ] && fail "the second run did not wait for the first"
session_lock_release
for _ in $(seq 50); do [ -e "$TOLVADEX_BUILD/second" ] && break; sleep 0.1; done
[ -e "$TOLVADEX_BUILD/second" ] || fail "the second run did not go on once the first let go"
wait "$second"
session_lock_release

# A lock whose owner has ended is taken over.
session_lock_take "$first"
kill "$first"
wait "$first" 2>/dev/null
( session_lock_take "$BASHPID"; echo taken >"$TOLVADEX_BUILD/third" ) &
third=$!
for _ in $(seq 50); do [ -e "$TOLVADEX_BUILD/third" ] && break; sleep 0.1; done
[ -e "$TOLVADEX_BUILD/third" ] || fail "a lock left by an ended run was not taken over"
wait "$third"
session_lock_release
echo "session lock: ok"
