#!/usr/bin/env bash
# Makes the corpus when missing, builds the benchmark and runs it on a warm page cache.
#   bench/readers/run-bench.sh [CORPUS_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${TAVURO_BENCH_BUILD_DIR:-$top/build-readers}
corpus=${1:-$build/readers-corpus}
[ -d "$corpus" ] || "$top/bench/readers/make-corpus.sh" "$corpus" 3000
cmake -S "$top" -B "$build" -G Ninja -DTAVURO_BENCH=ON "-DTAVURO_PARTS=common;readers" >/dev/null
ninja -C "$build" -j2 readers_bench
cat "$corpus"/* >/dev/null # warm the page cache
TAVURO_BENCH_CORPUS=$corpus "$build/bin/readers_bench" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true
