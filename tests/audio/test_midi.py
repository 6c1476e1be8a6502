"""MIDI files played by our synthesiser, captured from the ALSA device and
compared with FluidSynth's render of the same file with the same SoundFont
(reverb and chorus off): onsets, fundamentals, drums on the beat, length;
then volume, stop and device choice on a MIDI stream, and the SoundFont the
library picks from its folder."""
import shutil
import subprocess

import numpy as np
import pytest

import midi_fixtures as mf
from conftest import BASS_DIR, PERIOD, RATE, Rig, align, envelope, line, mono, reference, snr_db, win_path

ONSET_MS = 5
CENTS = 5
LENGTH_MS = 50


def first_onset(x):
    """Where the fixture's first note starts in a capture (s)."""
    loud = np.nonzero(np.abs(x) > 1e-4)[0]
    assert len(loud), "nothing was heard"
    return mf.onset_near(x, RATE, loud[0] / RATE, before=0.01, after=0.05)


@pytest.mark.parametrize("make", mf.ALL, ids=[f.__name__ for f in mf.ALL])
def test_fixture_sounds_like_fluidsynth(rig, tmp_path, make):
    fx = make()
    mid = fx.write(tmp_path)
    # A capture during which the device ran dry (the machine busy elsewhere) shows gaps that say nothing
    # of our timing: it is made again, up to three times.
    for _ in range(3):
        rig.files["default"].unlink(missing_ok=True)
        r = rig.run("init -1", f"create {win_path(mid)}", "play", "waitend 30000", "len", "output", "sleep 100",
                    "free")
        if line(r, "output")["deviceUnderruns"] == 0 and line(r, "output")["streamUnderruns"] == 0:
            break
    assert line(r, "create")["handle"] > 0
    assert line(r, "waitend")["ended"] == 1
    length = line(r, "len")
    assert length["len"] == line(r, "waitend")["pos"]
    ours = mono(rig.capture())
    ref = mono(mf.fluidsynth_render(mid, tmp_path))
    base, ref_base = first_onset(ours), mf.onset_near(ref, RATE, fx.onsets[0])

    def at(t):
        return t - fx.onsets[0]

    for t in fx.onsets:
        a = mf.onset_near(ours, RATE, base + at(t)) - base
        b = mf.onset_near(ref, RATE, ref_base + at(t)) - ref_base
        assert abs(a - b) * 1000 <= ONSET_MS, f"onset at {t} s: ours {a * 1000:.1f} ms, FluidSynth {b * 1000:.1f} ms"
    for key, t0, t1 in fx.sustained:
        seg = lambda x, b0: x[int((b0 + at(t0)) * RATE): int((b0 + at(t1)) * RATE)]  # noqa: E731
        f_ours, f_ref = mf.fundamental(seg(ours, base), RATE, key), mf.fundamental(seg(ref, ref_base), RATE, key)
        assert abs(1200 * np.log2(f_ours / f_ref)) <= CENTS, f"key {key}: {f_ours:.2f} Hz, FluidSynth {f_ref:.2f} Hz"
    if fx.name == "drums":
        # Every beat is a hit: loud within 20 ms of it, well above what precedes it.
        e, hop = mf.log_energy(ours, RATE)
        for t in fx.onsets:
            i = int((base + at(t)) * RATE / hop)
            assert e[i: i + int(0.02 * RATE / hop)].max() > e.max() - 12
            assert e[i: i + int(0.02 * RATE / hop)].max() > e[i - int(0.02 * RATE / hop): i - 4].max() + 6
    end, ref_end = mf.audible_end(ours, RATE) - base, mf.audible_end(ref, RATE) - ref_base
    assert abs(end - ref_end) * 1000 <= LENGTH_MS, f"sound lasts {end:.3f} s, FluidSynth {ref_end:.3f} s"
    # The stream lasts to the file's end or, when release tails ring on past it, until they have died.
    assert length["seconds"] >= max(fx.end, end + fx.onsets[0]) - 0.01


def decode_reference(rig, mid, tmp_path):
    """Our own render of a MIDI file (decoded on the no-sound device), at the capture rate: mono."""
    raw = tmp_path / (mid.stem + ".s16")
    r = rig.run("init 0", f"create {win_path(mid)}", f"decode {win_path(raw)}", "free")
    assert line(r, "decode")["bytes"] > 0
    wav = tmp_path / (mid.stem + "-ours.wav")
    subprocess.run(["sox", "-t", "s16", "-r", "44100", "-c", "2", str(raw), str(wav)], check=True)
    return mono(reference(wav, tmp_path))


def test_volume_stop_and_the_second_of_three_devices(tmp_path):
    rig = Rig(tmp_path, devices=("default", "deskA", "deskB"))
    mid = mf.chord().write(tmp_path)
    ref = decode_reference(rig, mid, tmp_path)
    r = rig.run("info 2", "init 2", f"create {win_path(mid)}", "vol 0.4", "play", "sleep 1500", "stop", "sleep 200",
                "free")
    device = line(r, "info")["name"].split(": ")[1]
    cap = mono(rig.capture(device))
    for other in {"default", "deskA", "deskB"} - {device}:
        assert len(rig.capture(other)) == 0 or np.abs(rig.capture(other)).max() < 1e-4, other
    head = ref[: RATE]
    lag = align(cap, head)
    assert snr_db(cap, head * 0.4, lag) > 30
    seg = cap[lag + 1000: lag + RATE]
    gain = float(np.dot(seg, head[1000: len(seg) + 1000]) / np.dot(head[1000: len(seg) + 1000],
                                                                    head[1000: len(seg) + 1000]))
    assert gain == pytest.approx(0.4, rel=0.02)
    # Silent within one device period of the stop (the stream position says when it was asked).
    at = lag + int(line(r, "stop")["pos"] // 4 * RATE / 44100)
    quiet = np.nonzero(envelope(cap)[at:] < 1e-4)[0]
    assert len(quiet) and quiet[0] <= PERIOD, quiet[:1]


def plugins_with(folder, fonts, shipped=True):
    """A copy of the library's folder with the given .sf2 files (name: bytes) beside it."""
    folder.mkdir(parents=True)
    shutil.copy(BASS_DIR / "bass.dll", folder)
    if shipped:
        shutil.copy(BASS_DIR / "TimGM6mb.sf2", folder)
    for name, data in fonts.items():
        (folder / name).write_bytes(data)
    return folder


def render_with(work, folder, mid):
    """Our render of `mid` by the library in `folder`: mono float at 44.1 kHz."""
    work.mkdir()
    raw = work / "out.s16"
    r = Rig(work, bass_dir=folder).run("init 0", f"create {win_path(mid)}", f"decode {win_path(raw)}", "free")
    assert line(r, "create")["handle"] > 0
    return np.fromfile(raw, "<i2").reshape(-1, 2).mean(axis=1) / 32768


SHIPPED, A440, OTHER = "shipped", "a440", "other"
FONT_CASES = [
    # (name, the user's .sf2 bytes, whether TimGM6mb is beside it, what plays)
    ("valid user font", mf.sine_font(), True, A440),
    ("not a SoundFont", bytes(range(256)) * 100, True, SHIPPED),
    ("truncated", mf.sine_font()[:3000], True, SHIPPED),
    ("zero-length sample", mf.sine_font(end=0), True, SHIPPED),
    ("sample end outside the data", mf.sine_font(end=10 ** 9), True, A440),
    ("loop outside the sample", mf.sine_font(loop=(5000, 4000)), True, OTHER),
    ("no usable font at all: the built-in voices", b"RIFF\x04\x00\x00\x00sfbk", False, A440),
]


def test_the_library_plays_the_font_in_its_folder(tmp_path):
    mid = tmp_path / "a4.mid"
    mid.write_bytes(mf.one_note(69, 1.0))
    shipped = render_with(tmp_path / "plain", plugins_with(tmp_path / "p0", {}), mid)
    assert np.abs(shipped).max() > 0.02
    for i, (name, data, beside, plays) in enumerate(FONT_CASES):
        folder = plugins_with(tmp_path / f"p{i + 1}", {"我的 音色.sf2": data}, beside)
        got = render_with(tmp_path / f"case{i}", folder, mid)
        assert np.abs(got[: int(0.5 * 44100)]).max() > 0.02, f"{name}: silence"
        if plays == SHIPPED:
            assert np.array_equal(got, shipped), name
        elif plays == A440:
            seg = got[int(0.2 * 44100): int(0.9 * 44100)]
            assert abs(1200 * np.log2(mf.fundamental(seg, 44100, 69) / 440.0)) < 1, name
            assert not np.array_equal(got[: len(shipped)], shipped[: len(got)])
        else:
            assert not np.array_equal(got[: len(shipped)], shipped[: len(got)]), name
