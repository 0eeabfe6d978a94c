#!/usr/bin/env bash
# Gives a fresh program folder a small demo playlist of the project's own clips: one MP3, one
# Ogg Vorbis, one WAV and one MIDI file, a few seconds each. The clips are generated once into
# the build's demo folder (sox and the encoders; the MIDI file is written byte by byte) and
# copied into PROGRAM_DIR only when it holds no playlist yet.
set -euo pipefail
program_dir=${1:?usage: make-demo.sh PROGRAM_DIR}
program_dir=$(cd "$program_dir" && pwd)
demo_dir=$(dirname "$program_dir")/demo

if compgen -G "$program_dir/*.m3u" >/dev/null; then
  exit 0
fi
for tool in sox lame oggenc; do
  if ! command -v "$tool" >/dev/null; then
    echo "make-demo.sh: $tool is missing, so there is no demo playlist." >&2
    exit 0
  fi
done

# A C major arpeggio, four quarter notes at 120 beats per minute (format 0, 96 ticks a beat).
write_midi() {
  local track='\x00\xc0\x00'
  track+='\x00\x90\x3c\x64\x60\x80\x3c\x40'
  track+='\x00\x90\x40\x64\x60\x80\x40\x40'
  track+='\x00\x90\x43\x64\x60\x80\x43\x40'
  track+='\x00\x90\x48\x64\x81\x40\x80\x48\x40'
  track+='\x00\xff\x2f\x00'
  printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x28'"$track" >"$1"
}

if [[ ! -f "$demo_dir/playlist.m3u" ]]; then
  mkdir -p "$demo_dir"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  sox -n -r 44100 -c 2 -b 16 -e signed-integer "$work/chord.wav" \
    synth 4 pluck C3 pluck E3 pluck G3 pluck C4 gain -n -3 2>/dev/null
  lame --quiet -b 128 --tt "Plucked chord" "$work/chord.wav" "$demo_dir/Plucked chord.mp3"
  sox -n -r 44100 -c 2 -b 16 -e signed-integer "$work/sweep.wav" \
    synth 4 sine 220-880 fade 0.1 4 0.5 gain -n -6 2>/dev/null
  oggenc -Q -t "Rising sweep" "$work/sweep.wav" -o "$demo_dir/Rising sweep.ogg"
  sox -n -r 22050 -c 1 -b 16 -e signed-integer "$demo_dir/Two bells.wav" \
    synth 3 sine 660 sine 990 fade 0 3 2.5 gain -n -6 2>/dev/null
  write_midi "$demo_dir/Arpeggio.mid"
  printf '%s\r\n' "#EXTM3U VisMIDI" \
    "#EXTINF:0,Arpeggio (MIDI)" "demo/Arpeggio.mid" \
    "#EXTINF:0,Plucked chord (MP3)" "demo/Plucked chord.mp3" \
    "#EXTINF:0,Rising sweep (Ogg)" "demo/Rising sweep.ogg" \
    "#EXTINF:0,Two bells (WAV)" "demo/Two bells.wav" >"$demo_dir/playlist.m3u"
fi

mkdir -p "$program_dir/demo"
cp "$demo_dir"/*.mp3 "$demo_dir"/*.ogg "$demo_dir"/*.wav "$demo_dir"/*.mid "$program_dir/demo/"
# Playlist paths are used exactly as written, so they name the copies in full.
sed "s|^demo/|$program_dir/demo/|" "$demo_dir/playlist.m3u" >"$program_dir/playlist.m3u"
echo "Demo playlist copied to $program_dir/playlist.m3u" >&2
