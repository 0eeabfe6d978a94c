# Shell functions of the scripts that drive the real player on a virtual screen. The script sets
# window (the player's window), work (its scratch folder, with the player's standard error in
# player.log) and shots (a folder for screenshots, or empty).

fail() {
  echo "FAIL: $*" >&2
  grep -v -E '^(ALSA lib|\[[WE]\])' "$work/player.log" >&2 || true
  exit 1
}

geometry() { eval "$(xdotool getwindowgeometry --shell "$window")"; }
# Waits up to 15 s for the window to take the given width.
wait_for_width() {
  for _ in $(seq 150); do
    geometry
    [[ $WIDTH == "$1" ]] && return 0
    sleep 0.1
  done
  fail "the window did not become $1 wide (it is $WIDTH x $HEIGHT)"
}
# The mean brightness (0 to 1) of the video area in a shot of the screen, kept as NAME.png.
video_brightness() {
  geometry
  import -window root "$work/screen.png"
  [[ -z $shots ]] || cp "$work/screen.png" "$shots/$1.png"
  convert "$work/screen.png" -crop $((WIDTH - 4))x$((HEIGHT - 3))+$((X + 2))+$((Y + 3)) +repage \
    -colorspace Gray -format '%[fx:mean]' info:
}
