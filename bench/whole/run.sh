#!/usr/bin/env bash
# Whole-process figures of the player beside its peers, each the median of RUNS runs (default 7):
# spawn to window shown (one-entry playlist, and a 100,000-entry extended M3U), peak resident
# memory then, spawn to first sound of an MP3 and of a FLAC given alone, and the CPU share while
# the MP3 plays in the spectrum layout. Peers: mpv, and a minimal Qt widget program built here;
# the player and mpv take turns for the sound and CPU figures.
#   bench/whole/run.sh [PROGRAM_DIR [RUNS]]    PROGRAM_DIR defaults to build/bin (build Release)
# Runs on its own virtual X screen and session bus, without a window manager; sound goes to
# SDL's dummy or disk driver. Needs xvfb, dbus, sox, lame, oggenc, opusenc, flac, mpv, g++ and
# Qt's development files.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
program_dir=$(cd "${1:-$top/build/bin}" && pwd)
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"

if [[ -z "${TAVURO_WHOLE_BENCH_DISPLAY:-}" ]]; then
  export TAVURO_WHOLE_BENCH_DISPLAY=1
  # A desktop has a session bus; without one, Qt would start a bus of its own in every run.
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program_dir" "$runs"
fi

g++ -O2 -o "$work/spawn-probe" "$top/bench/whole/spawn-probe.cpp" -lX11
# shellcheck disable=SC2046
g++ -O2 -fPIC -o "$work/minimal-qt" "$top/bench/whole/minimal-qt.cpp" $(pkg-config --cflags --libs Qt6Widgets)
probe=$work/spawn-probe

sox -n -r 44100 -c 2 -b 16 -e signed-integer "$work/tone.wav" synth 40 sine 200-4000 >/dev/null 2>&1
lame --quiet -b 128 "$work/tone.wav" "$work/tone.mp3"
flac -s -o "$work/tone.flac" "$work/tone.wav"
oggenc --quiet -o "$work/tone.ogg" "$work/tone.wav"
opusenc --quiet "$work/tone.wav" "$work/tone.opus"
# The program folder, copied: the player keeps its playlists and settings beside itself.
player_folder() {
  local folder=$work/$1
  mkdir -p "$folder"
  cp "$program_dir"/{tavuro,libbass.so,libbasswma.so} "$folder/"
  echo "$folder"
}
small=$(player_folder small)
printf '#EXTM3U\r\n#EXTINF:40,Tone\r\n%s\r\n' "$work/tone.mp3" >"$small/playlist.m3u"
big=$(player_folder big)
awk -v tone="$work/tone.mp3" 'BEGIN {
  printf "#EXTM3U\r\n"
  split("Alpha beta Gamma delta Epsilon zeta Eta theta", words, " ")
  for (i = 0; i < 100000; i++) {
    caption = words[i % 8 + 1] " " (i * 7919) % 100000 " " words[(i * 3) % 8 + 1]
    if (i % 3 != 2) printf "#EXTINF:%d,%s\r\n", 60 + i % 300, caption
    else printf "#EXTINF:0,%s\r\n", caption
    if (i == 0) printf "%s\r\n", tone
    else printf "/music/artist %d/album %d/track %d.mp3\r\n", i % 997, i % 89, i
  }
}' >"$big/playlist.m3u"

export TAVURO_REGISTRY_DIR=$work/registry XDG_RUNTIME_DIR=$work TAVURO_INSTANCE_DIR=$work SDL_AUDIODRIVER=dummy
mpv_common=(mpv --no-config --really-quiet)

# The median of a column of numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The median of column COLUMN of FILE; "n/a" when the file is empty (a player that sends the file
# elsewhere, its media control, is never heard here).
column_median() {
  if [[ -s "$1" ]]; then cut -d' ' -f"$2" "$1" | median; else echo n/a; fi
}

# A start within ~0.3 s of a killed one comes later on some machines (here by up to 30 ms, the
# more so after the same program): each probe run waits half a second, so none carries the last.
probe_once() {
  sleep 0.5
  "$probe" "$@" || true
}

# Runs the probe RUNS times; prints the medians of its two columns (milliseconds, kB).
probe_runs() {
  local out=$work/probe.txt
  : >"$out"
  for _ in $(seq "$runs"); do
    probe_once "$@" >>"$out"
  done
  echo "$(column_median "$out" 1) $(column_median "$out" 2)"
}

# Spawn to first sound of a file, the player's and mpv's taken in turn so that a busy moment of
# the machine falls on both; prints the two medians (milliseconds).
sound_in_turns() {
  : >"$work/sound-tavuro.txt"
  : >"$work/sound-mpv.txt"
  for _ in $(seq "$runs"); do
    probe_once sound "$work/tavuro.raw" env SDL_DISKAUDIOFILE="$work/tavuro.raw" \
      "$small/tavuro" "$1" >>"$work/sound-tavuro.txt"
    probe_once sound "$work/mpv.raw" env SDL_DISKAUDIOFILE="$work/mpv.raw" \
      "${mpv_common[@]}" --no-video --ao=sdl "$1" >>"$work/sound-mpv.txt"
  done
  echo "$(column_median "$work/sound-tavuro.txt" 1) $(column_median "$work/sound-mpv.txt" 1)"
}

# CPU share (% of one core) of a command over 20 s, after 2 s of settling.
cpu_share() {
  "$@" >/dev/null 2>&1 &
  local pid=$! start end
  sleep 2
  start=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep 20
  end=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v t="$((end - start))" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f\n", 100 * t / hz / 20 }'
}

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

row() { # figure, tavuro, peer name, peer value; a row without a figure continues the one above
  awk -v f="$1" -v t="$2" -v p="$3" -v v="$4" \
    'BEGIN { printf "| %-58s | %10s | %-28s | %8s | %5.2f |\n", f, (f == "" ? "" : t), p, v, (v > 0 ? t / v : 0) }'
}

echo "Medians of $runs runs; ratio = Tavuro / peer."
echo
printf '| %-58s | %10s | %-28s | %8s | %5s |\n' figure Tavuro peer "peer's" ratio
echo "|---|---|---|---|---|"

read -r t_show t_mem < <(probe_runs window "$small/tavuro")
read -r q_show q_mem < <(probe_runs window "$work/minimal-qt")
read -r m_show m_mem < <(probe_runs window "${mpv_common[@]}" --idle=yes --force-window=immediate --vo=x11)
row "spawn to window shown, 1-entry playlist (ms)" "$t_show" "minimal Qt widget" "$q_show"
row "" "$t_show" "mpv --force-window, idle" "$m_show"
row "idle peak resident memory (MB)" "$(mb "$t_mem")" "minimal Qt widget" "$(mb "$q_mem")"
row "" "$(mb "$t_mem")" "mpv --force-window, idle" "$(mb "$m_mem")"

export SDL_AUDIODRIVER=disk
read -r t_sound m_sound < <(sound_in_turns "$work/tone.mp3")
row "spawn to first sound, MP3 single-file mode (ms)" "$t_sound" "mpv --ao=sdl" "$m_sound"
read -r t_flac m_flac < <(sound_in_turns "$work/tone.flac")
row "spawn to first sound, FLAC single-file mode (ms)" "$t_flac" "mpv --ao=sdl" "$m_flac"
export SDL_AUDIODRIVER=dummy

read -r t_big t_big_mem < <(probe_runs window "$big/tavuro")
read -r m_big m_big_mem < <(probe_runs window "${mpv_common[@]}" --force-window=immediate --vo=x11 \
  --idle=yes --pause --playlist="$big/playlist.m3u")
row "spawn to window shown, 100,000-entry extended M3U (ms)" "$t_big" "mpv --playlist, paused" "$m_big"
row "peak resident memory with that list (MB)" "$(mb "$t_big_mem")" \
  "mpv --playlist, paused" "$(mb "$m_big_mem")"

# In turn as the first sounds are; medians of RUNS.
: >"$work/cpu-tavuro.txt"
: >"$work/cpu-mpv.txt"
for _ in $(seq "$runs"); do
  cpu_share "$small/tavuro" "$work/tone.mp3" >>"$work/cpu-tavuro.txt"
  cpu_share "${mpv_common[@]}" --no-video --ao=sdl "$work/tone.mp3" >>"$work/cpu-mpv.txt"
done
t_cpu=$(median <"$work/cpu-tavuro.txt")
m_cpu=$(median <"$work/cpu-mpv.txt")
row "playback with the spectrum, % of one core" "$t_cpu" "mpv --no-video --ao=sdl" "$m_cpu"

# The FFmpeg libraries the player has mapped after 3 s of playing each file alone.
for format in mp3 ogg opus flac; do
  "$small/tavuro" "$work/tone.$format" >/dev/null 2>&1 &
  pid=$!
  sleep 3
  mapped=$(grep -oE 'lib(avformat|avcodec|avutil|swresample)[^/ ]*\.so[.0-9]*' "/proc/$pid/maps" |
    sort -u | paste -sd' ' || true)
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  echo "FFmpeg libraries mapped while $format plays: ${mapped:-none}"
done
