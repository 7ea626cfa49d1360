#!/usr/bin/env bash
# Builds TOLVADEX and the benchmark programs and runs each one under Wine, printing its report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
source tools/wine-env.sh
build_tree -DTOLVADEX_TESTS=ON
wine_env_start
cd "$BUILD/bin"
for bench in bench_*.exe; do
  echo "== ${bench%.exe}"
  wine "./$bench"
done
