#!/usr/bin/env bash
# Builds every libFuzzer target (clang, ASan + UBSan) in build-fuzz and runs each for SECONDS or
# RUNS executions, whichever ends first, one target at a time.
#   fuzz/run.sh SECONDS [REGEX [RUNS]]   REGEX picks targets by name (default: all fuzz_* targets);
#                                        RUNS defaults to 10 million
# Seeds come from fuzz/<part>/corpus/<target without "fuzz_">/; new inputs go to
# build-fuzz/corpus/<target>/, crashes to build-fuzz/artifacts/<target>/. Afterwards every input
# of the corpus is timed once and those over 100 ms are listed.
set -euo pipefail
seconds=${1:?usage: fuzz/run.sh SECONDS [REGEX [RUNS]]}
filter=${2:-.}
runs=${3:-10000000}
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVURO_FUZZ_BUILD_DIR:-$top/build-fuzz}
parts=${TAVURO_FUZZ_PARTS:-$(cd "$top/fuzz" && ls -d */ | tr -d / | paste -sd';')}

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DTAVURO_FUZZ=ON -DTAVURO_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DTAVURO_PARTS=common;$parts" >/dev/null
mapfile -t targets < <(ninja -C "$build" -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' |
    sort -u | grep -E -- "$filter")
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz target matches $filter" >&2; exit 1; }
ninja -C "$build" -j2 "${targets[@]}"

status=0
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    seeds=$(ls -d "$top"/fuzz/*/corpus/"$name" 2>/dev/null | head -1 || true)
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target/
    mkdir -p "$corpus" "$artifacts"
    echo "== $target: ${seconds}s or $runs runs (seeds: ${seeds:-none})"
    if ! "$build/bin/$target" "$corpus" ${seeds:+"$seeds"} -max_total_time="$seconds" -runs="$runs" -timeout=1 \
        -rss_limit_mb=2048 -malloc_limit_mb=64 -artifact_prefix="$artifacts" -print_final_stats=1 \
        >"$build/$target.log" 2>&1; then
        echo "!! $target failed; see $build/$target.log and $artifacts"
        status=1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done [0-9]+ runs)' "$build/$target.log" || true
    slow=$(find "$corpus" ${seeds:+"$seeds"} -type f -print0 | xargs -0 -r "$build/bin/$target" 2>&1 |
        sed -n 's/^Executed \(.*\) in \([0-9]*\) ms$/\2 \1/p' | awk '$1 > 100' || true)
    echo "inputs over 100 ms: ${slow:-none}"
done
exit $status
