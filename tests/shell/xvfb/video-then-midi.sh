#!/usr/bin/env bash
# The real player on a virtual screen, driven by the mouse as a user would: a 640 x 480 clip
# shows its picture, is stopped by the left edge twice and played to its end, whereupon the
# MIDI song plays in the strip; the external player's window goes away and the strip's middle
# third stops the song. The player must live through all of it.
#   run-under-xvfb.sh video-then-midi.sh PROGRAM_DIR [SCREENSHOT_DIR]
set -euo pipefail
build_bin=$1
shots=${2:-}
top=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
trap 'kill "$player" 2>/dev/null || true; pkill -x XGPlayer 2>/dev/null || true; rm -rf "$work"' EXIT
program=$work/program
mkdir -p "$program"
cp "$build_bin"/{tavuro,libbass.so,libbasswma.so,XGPlayer} "$program/"
"$top/scripts/make-demo.sh" "$program" 2>/dev/null
ffmpeg -loglevel error -f lavfi -i testsrc=size=640x480:rate=25:duration=3 \
  -f lavfi -i sine=frequency=440:duration=3 -c:v mpeg4 -q:v 5 -c:a mp2 -shortest "$work/bars.avi"
# Rows in caption order: 0 "Arpeggio", 1 "bars".
printf '%s\r\n' "#EXTM3U VisMIDI" "$work/bars.avi" "$program/demo/Arpeggio.mid" >"$program/playlist.m3u"

XDG_RUNTIME_DIR=$work TAVURO_INSTANCE_DIR=$work "$program/tavuro" 2>"$work/player.log" &
player=$!
window=$(xdotool search --sync --onlyvisible --name 'Tavuro$' | head -1)

. "$(dirname "$0")/window-helpers.sh"
alive() { kill -0 "$player" 2>/dev/null || fail "the player ended ($1)"; }
click_at() { xdotool mousemove "$1" "$2" click 1; }
play_row() {
  geometry
  xdotool mousemove $((X + 50)) $((Y + 40 + 13 * $1)) click --repeat 2 --delay 80 1
}
stop_by_left_edge() {
  geometry
  click_at $((X + 1)) $((Y + HEIGHT * 3 / 4))
}

play_row 1
wait_for_width 869 # 480 lines: (480 + 3) x 9 / 5
sleep 1.5
brightness=$(video_brightness video)
awk -v b="$brightness" 'BEGIN { exit !(b > 0.2) }' || fail "the video area is black ($brightness)"
stop_by_left_edge
wait_for_width 195
alive "after the first clip"

play_row 1
wait_for_width 869
sleep 1
stop_by_left_edge
wait_for_width 195
alive "after the second clip"

play_row 1 # to its end: the next entry, the MIDI song, plays in the strip
wait_for_width 869
wait_for_width 400
alive "after the third clip"
xdotool search --sync --name 'XGPlayer - Arpeggio.mid' >/dev/null
[[ -z $shots ]] || import -window root "$shots/strip.png"
pkill -x XGPlayer
while pgrep -x XGPlayer >/dev/null; do sleep 0.1; done
geometry
click_at $((X + 200)) $((Y + 3)) # the strip's middle third: stop
wait_for_width 195
sleep 1
alive "after the song was stopped in the strip"
echo "the player lived through three clips and a song"
