#!/usr/bin/env bash
# Builds and runs the benchmark programs under Wine and prints their figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/prerequisites.sh"
. "$root/scripts/wine-session.sh"

install_prerequisites
if wine32_runs; then width=i686; else width=x86_64; fi
cmake -S "$root" -B "$root/build/$width" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$width.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/tests/wine-run.sh" >/dev/null
cmake --build "$root/build/$width" -j "$(nproc)" --target metatrader_benchmarks Mervane4Setup

trap stop_wine_session EXIT
start_wine_session
if [ "$width" = i686 ]; then loader=$MERVANE_WINE32; else loader=$MERVANE_WINE64; fi
echo "== $width build, $(date -u +%F) =="
"$loader" "$root/build/$width/bin/metatrader_benchmarks.exe"
