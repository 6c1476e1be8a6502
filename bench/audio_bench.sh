#!/usr/bin/env bash
# Prints the audio library's figures under Wine:
#   bench/audio_bench.sh             latency, throughput and CPU, for MP3 and
#                                    for MIDI (about a minute and a half)
#   bench/audio_bench.sh --soak 600  plus ten minutes of MP3 playback with the
#                                    other cores busy, captured through ALSA's
#                                    file plugin and searched for gaps
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export SB_WINEPREFIX=${SB_WINEPREFIX:-$root/build/wineprefix-audio}
source "$root/tools/wine-env"
sb_wine_prefix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
win() { echo "Z:${1//\//\\}"; }
soak=0
if [ "${1:-}" = --soak ]; then soak=${2:-600}; fi
if ((soak > 0)); then
  printf 'pcm.!default { type file; slave.pcm "nullsink"; file "%s"; format "raw" }\npcm.nullsink { type null }\n' \
    "$work/capture.raw" >"$work/home/.asoundrc"
else
  printf 'pcm.!default { type null }\n' >"$work/home/.asoundrc"
fi
# A short click, and three minutes of music-like material (a sweep over noise).
sox -n -r 44100 -c 2 -b 16 "$work/click.wav" synth 0.3 pluck C4 pluck E4 pluck G4 vol 0.5
lame --quiet -b 128 "$work/click.wav" "$work/click.mp3"
sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 180 sine 220-880 synth 180 pinknoise mix vol 0.3
lame --quiet -V 2 "$work/long.wav" "$work/long.mp3"
args=("$(win "$work/click.mp3")" "$(win "$work/long.mp3")")
if ((soak > 0)); then
  sox -n -r 44100 -c 2 -b 16 "$work/soak.wav" synth $((soak + 5)) sine 220-880 synth $((soak + 5)) pinknoise mix vol 0.3
  lame --quiet -b 192 "$work/soak.wav" "$work/soak.mp3"
  rm "$work/soak.wav"
  args+=(--soak "$soak" "$(win "$work/soak.mp3")")
fi
# MIDI: a jingle, and a minute of a dense 16-channel arrangement.
/usr/bin/python3 - "$work" "$root/tests/common" <<'PY'
import sys
from pathlib import Path
sys.path.insert(0, sys.argv[2])
import midi_fixtures as mf
work = Path(sys.argv[1])
mf.scale().write(work).rename(work / "jingle.mid")
# 60 s: every channel (drums on 10) strikes a four-note chord every quarter
# second, each note held a second: some 250 notes asked for at once, far
# beyond the voice limit.
events, programs = [], [0, 4, 11, 19, 24, 32, 40, 48, 56, 61, 65, 73, 80, 88, 104]
for ch in range(16):
    if ch != 9:
        events.append((0.0, bytes([0xC0 | ch, programs[ch if ch < 9 else ch - 1]])))
    for step in range(240):
        t = step * 0.25 + ch * 0.01
        for i in range(4):
            key = (36 + (step % 8) * 2 if ch == 9 else 40 + ch * 2) + i * (1 if ch == 9 else 4)
            events += mf.note(ch, key, 70 + i * 10, t, 1.0)
(work / "dense.mid").write_bytes(mf.smf([mf.at_120(events, 61.5)], fmt=0))
PY
args+=(--midi "$(win "$work/jingle.mid")" "$(win "$work/dense.mid")" "$(win "$root/dist/plugins/TimGM6mb.sf2")")
export WINEPATH="$(win "$root/dist/plugins")"
HOME=$work/home wine "$root/build/win/bench/audio_bench.exe" "${args[@]}"
if ((soak > 0)); then
  # The material never falls silent, so any run of zeros between the first and
  # the last sound is a gap the device played because we were late.
  /usr/bin/python3 - "$work/capture.raw" "$soak" <<'PY'
import sys
import numpy as np
x = np.memmap(sys.argv[1], dtype="<f4", mode="r")
x = np.asarray(x[: len(x) // 2 * 2]).reshape(-1, 2)[:, 0]
# The soak is the last sound in the capture; the clips before it had pauses.
last = np.nonzero(x)[0][-1]
body = x[max(0, last - (int(sys.argv[2]) - 1) * 48000): last + 1]
zero = body == 0
edges = np.diff(np.concatenate(([0], zero.astype(np.int8), [0])))
runs = np.nonzero(edges == -1)[0] - np.nonzero(edges == 1)[0]
gaps = runs[runs >= 48]  # 1 ms or more
print(f"captured {len(body) / 48000:.1f} s of sound; gaps of 1 ms or more: {len(gaps)}"
      + (f" (longest {gaps.max() / 48:.1f} ms)" if len(gaps) else ""))
PY
fi
