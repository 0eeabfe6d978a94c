#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
build=${TAVURO_BUILD_DIR:-$top/build}
# Whatever the build folder holds from ./run.sh or a narrower build, the whole suite is built:
# tests on, every part.
cmake -S "$top" -B "$build" -G Ninja -DTAVURO_TESTS=ON -UTAVURO_PARTS \
  -DTAVURO_WERROR=${TAVURO_WERROR:-OFF} ${TAVURO_CMAKE_ARGS:-}
cmake --build "$build"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# A run in which no test ran is a failure, not a pass.
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)" "$@"
