#!/bin/sh
# Runs a test program on a virtual X screen with the openbox window manager, a fresh registry
# store, SDL's silent audio driver and mpv's silent audio output (its pictures still show):
# run-under-xvfb.sh PROGRAM [ARGUMENTS...]
set -eu
for tool in xvfb-run openbox xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "run-under-xvfb.sh: $tool is missing (see deps/debian-packages.txt)" >&2
    exit 1
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TAVURO_REGISTRY_DIR="$work/registry" SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb \
  TAVURO_NULL_OUTPUT=audio
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  openbox >/dev/null 2>&1 &
  wm=$!
  # The window manager is ready once it has announced itself and its window list on the root.
  tries=0
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" &&
        xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q "(WINDOW)"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
      echo "run-under-xvfb.sh: openbox did not start" >&2
      kill "$wm"
      exit 1
    fi
    sleep 0.1
  done
  status=0
  "$@" || status=$?
  kill "$wm" 2>/dev/null || true
  exit "$status"
' run-under-xvfb "$@"
