#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
build=${TAVURO_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DTAVURO_WERROR=${TAVURO_WERROR:-OFF} ${TAVURO_CMAKE_ARGS:-}
cmake --build "$build"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
