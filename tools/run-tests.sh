#!/usr/bin/env bash
# Installs what is needed, builds TOLVADEX and every test program, and runs all tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
source tools/wine-env.sh
build_tree -DTOLVADEX_TESTS=ON -DTOLVADEX_WERROR=ON
wine_env_start
# This script's own Wine session serves the run: ctest's session fixture stands aside.
export TOLVADEX_WINE_SESSION=external
cd "$BUILD"
ctest --output-on-failure --timeout 300 -j"${TOLVADEX_TEST_JOBS:-4}"
