#!/usr/bin/env bash
# Prints the MIDI figures under Wine: createStream + play latency of a
# jingle, render speed of a dense 16-channel General MIDI arrangement at the
# voice limit, and the CPU of one playing MIDI stream (about half a minute).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export SB_WINEPREFIX=${SB_WINEPREFIX:-$root/build/wineprefix-audio}
source "$root/tools/wine-env"
sb_wine_prefix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"
printf 'pcm.!default { type null }\n' >"$work/home/.asoundrc"
win() { echo "Z:${1//\//\\}"; }
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
export WINEPATH="$(win "$root/dist/plugins")"
HOME=$work/home wine "$root/build/win/bench/midi_bench.exe" "$(win "$work/jingle.mid")" "$(win "$work/dense.mid")" \
  "$(win "$root/dist/plugins/TimGM6mb.sf2")"
