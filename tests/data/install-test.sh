#!/bin/sh
# install-test.sh BUILD_DIR: installs the build into a temporary prefix, checks the layout, lets
# desktop-file-validate and appstreamcli judge the desktop files, and runs the installed player
# from a program folder it may not write to: its playlist and settings go to the user's data
# folder, while its libraries are still found beside it.
set -eu
build=$1
fail() {
  echo "install-test.sh: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/tavuro lib/tavuro/tavuro lib/tavuro/libbass.so lib/tavuro/libbasswma.so \
  lib/tavuro/XGPlayer lib/tavuro/tavuro-probe share/applications/tavuro.desktop \
  share/icons/hicolor/scalable/apps/tavuro.svg share/metainfo/org.tavuro.Tavuro.metainfo.xml; do
  [ -e "$prefix/$file" ] || fail "$file was not installed"
done
[ "$(readlink "$prefix/bin/tavuro")" = ../lib/tavuro/tavuro ] || fail "bin/tavuro is not a link"
desktop=$prefix/share/applications/tavuro.desktop
grep -qx 'Exec=tavuro %U' "$desktop" || fail "Exec line"
grep -q '^MimeType=.*audio/mpeg;.*audio/ogg;.*audio/x-mpegurl;' "$desktop" || fail "MimeType line"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.tavuro.Tavuro.metainfo.xml"
appstreamcli validate-tree --no-net "$prefix"

# The installed player, as a user who may not write to the program folder, and as root, for whom
# the folder is made read-only: the playlist and settings of both go to their data folders.
chmod -R a-w "$prefix/lib/tavuro"
sox -n -r 44100 -c 2 -b 16 -e signed-integer "$work/tone.wav" synth 3 sine 440
chmod 644 "$work/tone.wav"

# play_and_quit HOME [COMMAND PREFIX...]: the installed player opens the tone over MPRIS, plays it
# and quits; its files land in HOME's data folder.
play_and_quit() {
  home=$1
  shift
  runtime=$home.runtime
  mkdir -p "$home" "$runtime"
  chmod 700 "$runtime"
  if [ $# -gt 0 ]; then
    chown 65534:65534 "$home" "$runtime"
  fi
  "$@" env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" TAVURO_NULL_OUTPUT=1 \
    dbus-run-session -- sh -c '
    "$1/bin/tavuro" 2>/dev/null &
    player=$!
    tries=0
    until playerctl --list-all 2>/dev/null | grep -qx tavuro; do
      tries=$((tries + 1))
      [ "$tries" -le 100 ] || { echo "the player did not come onto the bus" >&2; kill "$player"; exit 1; }
      sleep 0.1
    done
    playerctl --player=tavuro open "file://$2"
    tries=0
    until [ "$(playerctl --player=tavuro status 2>/dev/null)" = Playing ]; do
      tries=$((tries + 1))
      [ "$tries" -le 100 ] || { echo "the clip did not play" >&2; kill "$player"; exit 1; }
      sleep 0.1
    done
    dbus-send --session --print-reply=literal --dest=org.mpris.MediaPlayer2.tavuro \
      /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit >/dev/null
    wait "$player"
  ' install-test "$prefix" "$work/tone.wav" || fail "the installed player did not play and quit"
  data=$home/.local/share/tavuro
  grep -q "$work/tone.wav" "$data/playlist.m3u" || fail "no playlist in $data"
  [ -f "$data/playmode.ini" ] || fail "no settings in $data"
  if ls "$prefix/lib/tavuro" | grep -q -e playmode.ini -e '\.m3u$'; then
    fail "files were written to the program folder"
  fi
}

if [ "$(id -u)" -eq 0 ]; then
  play_and_quit "$work/home" setpriv --reuid=65534 --regid=65534 --clear-groups
  play_and_quit "$work/root-home"
else
  play_and_quit "$work/home"
fi
echo "install-test.sh: installed, validated, and played from a read-only program folder"
