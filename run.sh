#!/usr/bin/env bash
# Installs what is missing, builds the player and starts it from its program folder.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
build=${TAVURO_BUILD_DIR:-$top/build}
# Only the program folder is built; the options ./test.sh relies on stay as they are.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target tavuro XGPlayer bass basswma tavuro-probe bassplay
program_dir="$build/bin"
if [[ $# -eq 0 ]]; then
  "$top/scripts/make-demo.sh" "$program_dir"
fi
runtime_dir=${XDG_RUNTIME_DIR:-/run/user/$(id -u)}
if [[ -z "${TAVURO_NULL_OUTPUT:-}${SDL_AUDIODRIVER:-}" && ! -e /dev/snd && ! -S "$runtime_dir/pulse/native" &&
      ! -S "$runtime_dir/pipewire-0" ]]; then
  echo "No sound device found: playing silently (TAVURO_NULL_OUTPUT=1)." >&2
  export TAVURO_NULL_OUTPUT=1
fi
exec "$program_dir/tavuro" "$@"
