#!/usr/bin/env bash
# Makes the readers' benchmark corpus: a handful of short files from the real encoders (MP3 CBR
# and VBR with ID3v1/ID3v2 tags, Ogg Vorbis, WMA, WAV), copied under distinct names.
#   bench/readers/make-corpus.sh DIR [COUNT]   (COUNT files in all, default 3000)
set -euo pipefail
dir=${1:?usage: make-corpus.sh DIR [COUNT]}
count=${2:-3000}
mkdir -p "$dir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 3 sine 440 sine 660
sox -n -r 22050 -c 1 -b 16 "$work/voice.wav" synth 3 sine 300
tags=(--tt "Bench Title" --ta "Bench Artist" --tl "Bench Album" --ty 2020 --tn 4 --tg Pop
      --tc "benchmark corpus")
lame --quiet -b 128 "${tags[@]}" --add-id3v2 "$work/tone.wav" "$work/cbr_both.mp3"
lame --quiet -b 128 "${tags[@]}" --id3v1-only "$work/tone.wav" "$work/cbr_v1.mp3"
lame --quiet -V 4 "${tags[@]}" --id3v2-only "$work/tone.wav" "$work/vbr_v2.mp3"
lame --quiet -V 6 -m m "${tags[@]}" "$work/voice.wav" "$work/vbr_mono.mp3"
oggenc -Q -q 3 -t "Bench Title" -a "Bench Artist" -l "Bench Album" -N 4 -c "COMMENT=benchmark" \
    "$work/tone.wav" -o "$work/tone.ogg"
ffmpeg -v error -y -i "$work/tone.wav" -c:a wmav2 -b:a 128k -metadata title="Bench Title" \
    -metadata artist="Bench Artist" -metadata WM/Track=4 "$work/tone.wma"
cp "$work/voice.wav" "$work/voice_copy.wav"

sources=(cbr_both.mp3 cbr_v1.mp3 vbr_v2.mp3 vbr_mono.mp3 tone.ogg tone.wma voice_copy.wav)
for ((i = 0; i < count; i++)); do
    source=${sources[i % ${#sources[@]}]}
    cp "$work/$source" "$dir/$(printf '%05d' "$i")_$source"
done
echo "$count files in $dir ($(du -sh "$dir" | cut -f1))"
