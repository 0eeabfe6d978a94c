#!/usr/bin/env bash
# The whole player playing an MP3 in the spectrum layout for 60 s under Xvfb, audio to SDL's
# dummy driver: prints its average CPU (percent of one core) and its peak resident memory.
# Usage: bench/shell/player-cpu.sh [PROGRAM_DIR]   (default build/bin)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
program_dir=${1:-$top/build/bin}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
sox -n -r 44100 -c 2 -b 16 -e signed-integer "$work/tone.wav" synth 70 sine 200-4000 >/dev/null 2>&1
lame --quiet -b 128 "$work/tone.wav" "$work/tone.mp3"

measure() {
  "$program_dir/tavuro" "$work/tone.mp3" &
  local pid=$!
  sleep 2
  local ticks_per_second start end
  ticks_per_second=$(getconf CLK_TCK)
  start=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep 60
  end=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  local peak
  peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v t="$((end - start))" -v hz="$ticks_per_second" -v kb="$peak" \
    'BEGIN { printf "average CPU over 60 s: %.2f %% of one core\npeak resident memory: %.1f MB\n", 100 * t / hz / 60, kb / 1024 }'
}

if [[ "${TAVURO_BENCH_UNDER_XVFB:-}" == 1 ]]; then
  measure
  exit 0
fi
export SDL_AUDIODRIVER=dummy TAVURO_REGISTRY_DIR="$work/registry" TAVURO_INSTANCE_DIR="$work"
export TAVURO_BENCH_UNDER_XVFB=1
chmod 700 "$work"
xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program_dir"
