"""Small Standard MIDI Files written from note lists, the fixtures the MIDI
tests play, FluidSynth reference renders of them, and the measurements the
tests compare (onsets, fundamentals, audible length).

A fixture is a list of tracks; a track is a list of (seconds, message bytes)
at 120 bpm unless the fixture changes the tempo. Every fixture ends with an
end-of-track well after its last note-off, so that reference renders, which
stop at the end of the file, keep the release tails."""
import struct
import subprocess
from pathlib import Path

import numpy as np

SOUNDFONT = Path("/usr/share/sounds/sf2/TimGM6mb.sf2")
DIVISION = 480  # ticks per quarter note
TAIL = 1.5  # seconds between the last note-off and the end of the file


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track_bytes(events, end_tick):
    """events: (tick, bytes) in any order; returns the MTrk body."""
    body = b""
    last = 0
    for tick, msg in sorted(events, key=lambda e: e[0]):
        body += var_len(tick - last) + msg
        last = tick
    return body + var_len(max(0, end_tick - last)) + b"\xff\x2f\x00"


def smf(tracks, fmt=1, division=DIVISION):
    data = b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division)
    for t in tracks:
        data += b"MTrk" + struct.pack(">I", len(t)) + t
    return data


def tempo(us_per_quarter):
    return b"\xff\x51\x03" + us_per_quarter.to_bytes(3, "big")


def note(channel, key, velocity, start, length):
    """A note as two timed events (seconds at 120 bpm)."""
    return [(start, bytes([0x90 | channel, key, velocity])), (start + length, bytes([0x80 | channel, key, 0]))]


class Fixture:
    """A MIDI file with what the tests expect of it: note onsets (s) and sustained notes (key, from, to in s)."""

    def __init__(self, name, data, onsets, sustained=(), end=None):
        self.name, self.data, self.onsets, self.sustained, self.end = name, data, list(onsets), list(sustained), end

    def write(self, folder):
        path = Path(folder) / f"{self.name}.mid"
        path.write_bytes(self.data)
        return path


def at_120(events, end):
    """Seconds to ticks at 120 bpm (one quarter = 0.5 s)."""
    ticks = [(round(t * 2 * DIVISION), m) for t, m in events]
    return track_bytes(ticks, round(end * 2 * DIVISION))


def scale():
    """C major scale on the grand piano, format 0."""
    keys = [60, 62, 64, 65, 67, 69, 71, 72]
    events = [(0.0, b"\xc0\x00")]
    sustained = []
    for i, k in enumerate(keys):
        start = 0.1 + 0.5 * i
        events += note(0, k, 100, start, 0.35)
        sustained.append((k, start + 0.06, start + 0.3))
    end = 0.1 + 0.5 * len(keys) + TAIL
    return Fixture("scale", smf([at_120(events, end)], fmt=0), [s for s, m in events if m[0] == 0x90],
                   sustained, end)


def chord():
    """A C major triad on the organ, then one on the trumpet once the organ has died away; format 1 with a
    conductor track."""
    conductor = at_120([(0.0, tempo(500000))], 0.0)
    events = [(0.0, b"\xc1\x13"), (0.0, b"\xc2\x38")]
    for k in (60, 64, 67):
        events += note(1, k, 90, 0.2, 1.0)
    for k in (48, 55, 64):
        events += note(2, k, 90, 2.5, 1.2)
    end = 3.7 + TAIL
    return Fixture("chord", smf([conductor, at_120(events, end)]), [0.2, 2.5],
                   [(k, 0.4, 1.1) for k in (60, 64, 67)] + [(k, 2.9, 3.6) for k in (48, 55, 64)], end)


def drums():
    """Two bars of rock beat on channel 10: bass drum, snare and closed hi-hat."""
    events = []
    beats = []
    for beat in range(8):
        t = 0.1 + 0.5 * beat
        beats.append(t)
        events += note(9, 36 if beat % 2 == 0 else 38, 110, t, 0.1)
        events += note(9, 42, 80, t, 0.1)
        events += note(9, 42, 60, t + 0.25, 0.1)
    end = 4.1 + TAIL
    return Fixture("drums", smf([at_120(events, end)]), beats, [], end)


def tempo_change():
    """Marimba quarter notes: four at 120 bpm, then the tempo halves for four more."""
    events = [(0, b"\xc0\x0c")]
    for i in range(8):
        tick = i * DIVISION
        events += [(tick, bytes([0x90, 72, 100])), (tick + DIVISION // 2, bytes([0x80, 72, 0]))]
    events.append((4 * DIVISION, tempo(1000000)))
    end_tick = 8 * DIVISION + 2 * DIVISION  # two quarters at 60 bpm: 2 s of tail
    onsets = [0.5 * i for i in range(4)] + [2.0 + 1.0 * i for i in range(4)]
    return Fixture("tempo", smf([track_bytes(events, end_tick)], fmt=0), onsets, [], 6.0 + 2.0)


def pitch_bend():
    """A held flute note bent up a whole tone (full bend at the default range), then, after RPN 0 sets
    the range to 12 semitones, a quarter of the way up: three semitones; then back. (Not further: FluidSynth
    bends by 127/128 of the range, some 2 cents short at three semitones and 5 at six.)"""
    events = [(0.0, b"\xc0\x49"), (0.0, b"\xb0\x65\x00"), (0.0, b"\xb0\x64\x00")]
    events += note(0, 69, 100, 0.1, 3.4)
    events += [(1.0, b"\xe0\x7f\x7f"), (1.9, b"\xb0\x06\x0c"), (1.9, b"\xb0\x26\x00"),
               (2.0, b"\xe0\x00\x50"), (3.0, b"\xe0\x00\x40")]
    end = 3.5 + TAIL
    return Fixture("bend", smf([at_120(events, end)]), [0.1],
                   [(69, 0.4, 0.95), (71, 1.3, 1.85), (72, 2.3, 2.95), (69, 3.15, 3.45)], end)


ALL = [scale, chord, drums, tempo_change, pitch_bend]


def fluidsynth_render(mid, out_dir, rate=48000):
    """FluidSynth's render with reverb and chorus off, (frames, 2) float32."""
    raw = Path(out_dir) / (Path(mid).stem + "-fluidsynth.f32")
    subprocess.run(["fluidsynth", "-ni", "-q", "-R", "0", "-C", "0", "-r", str(rate), "-T", "raw", "-O", "float",
                    "-F", str(raw), str(SOUNDFONT), str(mid)], check=True, capture_output=True)
    data = np.fromfile(raw, dtype="<f4")
    return data[: len(data) // 2 * 2].reshape(-1, 2)


def log_energy(x, rate, hop_ms=0.5, window_ms=2.0):
    """Short-time energy in dB, one value per hop."""
    hop = int(rate * hop_ms / 1000)
    win = int(rate * window_ms / 1000)
    p = np.convolve(x ** 2, np.ones(win) / win, mode="same")[::hop]
    return 10 * np.log10(p + 1e-12), hop


def onset_near(x, rate, t, before=0.02, after=0.03):
    """The steepest rise of energy within [t - before, t + after] seconds: an onset time in seconds."""
    e, hop = log_energy(x, rate)
    lo, hi = max(1, int((t - before) * rate / hop)), min(len(e) - 1, int((t + after) * rate / hop))
    rise = e[lo:hi] - e[lo - 1: hi - 1]
    return (lo + int(np.argmax(rise))) * hop / rate


def fundamental(x, rate, key):
    """The spectral peak within a semitone of `key`'s pitch, refined by parabolic interpolation (Hz)."""
    n = 1 << 19
    spectrum = np.abs(np.fft.rfft(x * np.hanning(len(x)), n))
    expected = 440.0 * 2 ** ((key - 69) / 12)
    lo, hi = int(expected * 2 ** (-1 / 12) * n / rate), int(expected * 2 ** (1 / 12) * n / rate) + 1
    k = lo + int(np.argmax(spectrum[lo:hi]))
    a, b, c = np.log(spectrum[k - 1: k + 2] + 1e-20)
    return (k + 0.5 * (a - c) / (a - 2 * b + c)) * rate / n


def audible_end(x, rate, below_db=-40):
    """Seconds from the start to the last moment louder than `below_db` relative to the peak."""
    e, hop = log_energy(x, rate, hop_ms=1.0, window_ms=5.0)
    loud = np.nonzero(e > e.max() + below_db)[0]
    return loud[-1] * hop / rate if len(loud) else 0.0


def _chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def _list(kind, *chunks):
    return _chunk(b"LIST", kind + b"".join(chunks))


def sine_font(start=0, end=2000, loop=(1900, 2000)):
    """A SoundFont whose only preset (bank 0, program 0) is a looped sine that sounds 440 Hz at key 69:
    100-frame cycles at 44 kHz. start/end/loop are the sample header's frames, possibly nonsense."""
    frames = np.round(16000 * np.sin(2 * np.pi * np.arange(2046) / 100)).astype("<i2")
    name = lambda n: n.encode().ljust(20, b"\0")  # noqa: E731
    phdr = name("Sine") + struct.pack("<HHHIII", 0, 0, 0, 0, 0, 0) + name("EOP") + struct.pack("<HHHIII", 0, 0, 1, 0, 0, 0)
    pbag = struct.pack("<HHHH", 0, 0, 1, 0)
    pgen = struct.pack("<Hh", 41, 0) + b"\0" * 4
    inst = name("Sine") + struct.pack("<H", 0) + name("EOI") + struct.pack("<H", 1)
    ibag = struct.pack("<HHHH", 0, 0, 2, 0)
    igen = struct.pack("<HhHh", 54, 1, 53, 0) + b"\0" * 4
    shdr = name("Sine") + struct.pack("<IIIIIBbHH", start, end, loop[0], loop[1], 44000, 69, 0, 0, 1)
    shdr += name("EOS") + b"\0" * 26
    mods = b"\0" * 10
    body = b"sfbk" + _list(b"INFO", _chunk(b"ifil", struct.pack("<HH", 2, 1)))
    body += _list(b"sdta", _chunk(b"smpl", frames.tobytes()))
    body += _list(b"pdta", _chunk(b"phdr", phdr), _chunk(b"pbag", pbag), _chunk(b"pmod", mods), _chunk(b"pgen", pgen),
                  _chunk(b"inst", inst), _chunk(b"ibag", ibag), _chunk(b"imod", mods), _chunk(b"igen", igen),
                  _chunk(b"shdr", shdr))
    return _chunk(b"RIFF", body)


def one_note(key=69, seconds=1.0, program=0):
    """One note on channel 1, then silence until the end of the file."""
    events = [(0.0, bytes([0xC0, program]))] + note(0, key, 100, 0.05, seconds)
    return smf([at_120(events, seconds + 0.3)], fmt=0)
