#!/usr/bin/env bash
# The real player on a virtual screen and a private session bus, as a user starts it: a clip,
# then an audio file the media control plays (handed over by a second start), then the clip
# again. The picture window must lie inside the window's video panel and show the picture.
#   dbus-run-session -- run-under-xvfb.sh video-after-audio.sh PROGRAM_DIR [SCREENSHOT_DIR]
set -euo pipefail
build_bin=$1
shots=${2:-}
work=$(mktemp -d)
trap 'kill "$player" 2>/dev/null || true; rm -rf "$work"' EXIT
program=$work/program
mkdir -p "$program"
cp "$build_bin"/{tavuro,libbass.so,libbasswma.so} "$program/"
ffmpeg -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=30 \
  -f lavfi -i sine=frequency=440:duration=30 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest "$work/clip.mp4"
# AAC in MP4 is no format of the audio library: the media control plays it.
ffmpeg -loglevel error -f lavfi -i sine=frequency=660:duration=30 -c:a aac "$work/song.m4a"
# StayOnTop on: the video window is 270 x 150.
printf '%s\r\n' "" "1213152208" "990" >"$program/playmode.ini"

export XDG_RUNTIME_DIR=$work TAVURO_INSTANCE_DIR=$work
start() { "$program/tavuro" "$1" 2>>"$work/player.log" & }
start "$work/clip.mp4"
player=$!

window=$(xdotool search --sync --onlyvisible --name 'Tavuro$' | head -1)
. "$(dirname "$0")/window-helpers.sh"
# Every child window of the player lies inside it (none parked above or left of it).
children_inside() {
  xwininfo -children -id "$window" | awk '/^ +0x/ && /\+-?[0-9]+\+-?[0-9]+ *$/ {
      n = split($NF, p, "+"); if (p[n] + 0 < 0 || p[n - 1] + 0 < 0) { print; bad = 1 } }
    END { exit bad }' || fail "a child window lies outside the window: see above"
}
picture_shows() {
  wait_for_width 270
  sleep 1.5
  children_inside
  local brightness
  brightness=$(video_brightness "$1")
  awk -v b="$brightness" 'BEGIN { exit !(b > 0.2) }' || fail "$1: the video area is black ($brightness)"
}

picture_shows clip-first
start "$work/song.m4a"
wait_for_width 195
sleep 1
start "$work/clip.mp4"
picture_shows clip-after-audio
kill -0 "$player" 2>/dev/null || fail "the player ended"
echo "the clip shows its picture before and after an audio file of the media control"
