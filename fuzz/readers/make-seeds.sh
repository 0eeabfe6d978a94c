#!/usr/bin/env bash
# Makes the small seed files of the readers' fuzz targets with the real encoders (each < 10 KB).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
corpus=$here/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus"/{id3v1_file,id3v1_buffer,id3v2_file,id3v2_buffer,mpeg_file,ogg_file,wma_file,wav_file}
mkdir -p "$corpus"/{flac_file,opus_file,mp4_file,adts_file}

sox -n -r 8000 -c 1 -b 8 "$work/short.wav" synth 0.3 sine 440
sox -n -r 22050 -c 2 -b 16 "$work/tone.wav" synth 0.5 sine 440
tags=(--tt Title --ta Artist --tl Album --ty 2001 --tn 3/9 --tg Rock --tc Comment)
lame --quiet -b 8 "${tags[@]}" --add-id3v2 "$work/tone.wav" "$corpus/mpeg_file/cbr_both.mp3"
lame --quiet -V 9 "${tags[@]}" --id3v2-only "$work/tone.wav" "$corpus/mpeg_file/vbr_v2.mp3"
lame --quiet -b 8 -m m --id3v1-only "${tags[@]}" "$work/short.wav" "$corpus/mpeg_file/mono_v1.mp3"
lame --quiet -b 32 --layer 2 "$work/short.wav" "$corpus/mpeg_file/layer2.mp2" 2>/dev/null ||
    ffmpeg -v error -y -i "$work/short.wav" -c:a mp2 -b:a 32k "$corpus/mpeg_file/layer2.mp2"
oggenc -Q -q -1 -t Title -a Artist -N 4/12 -c DESCRIPTION=Seed "$work/short.wav" \
    -o "$corpus/ogg_file/short.ogg"
ffmpeg -v error -y -i "$work/short.wav" -c:a wmav2 -b:a 24k -metadata title=Title \
    -metadata WM/Track=2 -metadata WM/Year=2002 "$corpus/wma_file/short.wma"
cp "$work/short.wav" "$corpus/wav_file/short.wav"
head -c 44 "$work/tone.wav" > "$corpus/wav_file/header_only.wav"

flac -s -f -T TITLE=Title -T ARTIST=Artist -T TRACKNUMBER=3/9 -o "$corpus/flac_file/short.flac" \
    "$work/short.wav"
convert -size 8x8 xc:red "$work/cover.png"
flac -s -f --picture="$work/cover.png" -T TITLE=Title -o "$corpus/flac_file/picture.flac" \
    "$work/short.wav"
opusenc --quiet --bitrate 6 --title Title --artist Artist "$work/short.wav" "$corpus/opus_file/short.opus"
ffmpeg -v error -y -i "$work/short.wav" -c:a aac -b:a 16k -metadata title=Title -metadata track=2/5 \
    "$corpus/mp4_file/short.m4a"
ffmpeg -v error -y -i "$corpus/mp4_file/short.m4a" -c copy -movflags +faststart \
    "$corpus/mp4_file/faststart.m4a"
ffmpeg -v error -y -i "$work/short.wav" -c:a aac -b:a 16k "$corpus/adts_file/short.aac"

# Tag blocks alone, for the buffer decoders and the tag readers' file entries.
tail -c 128 "$corpus/mpeg_file/cbr_both.mp3" > "$corpus/id3v1_buffer/v11.tag"
tail -c 128 "$corpus/mpeg_file/mono_v1.mp3" > "$corpus/id3v1_buffer/v1.tag"
cp "$corpus/id3v1_buffer/"*.tag "$corpus/id3v1_file/"
for mp3 in cbr_both vbr_v2; do
    size=$(python3 -c "import sys;b=open(sys.argv[1],'rb').read(10);print(((b[6]<<21)|(b[7]<<14)|(b[8]<<7)|b[9])+10)" \
        "$corpus/mpeg_file/$mp3.mp3")
    head -c "$size" "$corpus/mpeg_file/$mp3.mp3" > "$corpus/id3v2_buffer/$mp3.tag"
    cp "$corpus/id3v2_buffer/$mp3.tag" "$corpus/id3v2_file/$mp3.tag"
done
ls -l "$corpus"/*/
