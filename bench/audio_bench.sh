#!/usr/bin/env bash
# Prints the audio library's figures under Wine with ALSA's null device:
#   bench/audio_bench.sh            latency, throughput and CPU (about a minute)
#   bench/audio_bench.sh --soak 600 plus ten minutes of playback, other cores busy
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export SB_WINEPREFIX=${SB_WINEPREFIX:-$root/build/wineprefix-audio}
source "$root/tools/wine-env"
sb_wine_prefix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
printf 'pcm.!default { type null }\n' >"$work/home/.asoundrc"
# A short click, and three minutes of music-like material (chords and noise).
sox -n -r 44100 -c 2 -b 16 "$work/click.wav" synth 0.3 pluck C4 pluck E4 pluck G4 vol 0.5
lame --quiet -b 128 "$work/click.wav" "$work/click.mp3"
sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 180 sine 220-880 synth 180 pinknoise mix vol 0.3
lame --quiet -V 2 "$work/long.wav" "$work/long.mp3"
export WINEPATH="Z:${root//\//\\}\\dist\\plugins"
HOME=$work/home wine "$root/build/win/bench/audio_bench.exe" "Z:${work//\//\\}\\click.mp3" "Z:${work//\//\\}\\long.mp3" "$@"
