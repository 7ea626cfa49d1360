#!/usr/bin/env bash
# Installs what is needed, builds TOLVADEX and the sample host, runs the host under Wine and saves a
# screenshot of its window as build/sample_host.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
source tools/wine-env.sh
build_tree -DTOLVADEX_TESTS=OFF
wine_env_start
cd "$BUILD/bin"
wine sample_host.exe sample_host.bmp </dev/null
convert sample_host.bmp "$BUILD/sample_host.png"
echo "screenshot: $BUILD/sample_host.png"
