"""Device choice: each ALSA device gets only its own sound; without any
device the library falls back to the no-sound device, which keeps time."""
import numpy as np
import pytest

from conftest import RATE, Rig, line, make_sine, mono, win_path

FREQS = {1: 440, 2: 660, 3: 880}


def level_at(x, freq):
    spectrum = np.abs(np.fft.rfft(x * np.hanning(len(x))))
    bin_ = int(round(freq * len(x) / RATE))
    return spectrum[bin_ - 2: bin_ + 3].max() / len(x)


def test_each_device_receives_only_its_own_sound(tmp_path):
    rig = Rig(tmp_path, devices=("default", "deskA", "deskB"))
    clips = {n: make_sine(tmp_path / f"tone{n}.wav", freq=f, seconds=0.4) for n, f in FREQS.items()}
    # As the program starts: the default device opened to list the devices, freed, then the chosen one
    # opened (the stream of the first is kept for it); each later device is opened soon after the last
    # was freed, so a kept stream must go to the device it came from and nowhere else.
    script = ["init -1", "info 1", "info 2", "info 3", "info 4", "free"]
    for n in FREQS:
        script += [f"init {n}", "device", f"create {win_path(clips[n])}", "play", "waitend", "free"]
    r = rig.run(*script)
    names = [line(r, "info", i)["name"] for i in range(3)]
    # The default comes first; the others in the order the system lists them.
    assert names[0] == "Out: default" and sorted(names[1:]) == ["Out: deskA", "Out: deskB"]
    assert line(r, "info", 0)["flags"] & 2
    assert line(r, "info", 3)["ok"] == 0 and line(r, "info", 3)["err"] == 23
    assert [line(r, "device", i)["device"] for i in range(3)] == [1, 2, 3]
    assert [line(r, "init", i)["ok"] for i in range(4)] == [1, 1, 1, 1]
    for n, name in zip(FREQS, names):
        device = name.split(": ")[1]
        cap = mono(rig.capture(device))
        assert len(cap) > RATE * 0.3, device
        own = level_at(cap, FREQS[n])
        assert own > 0.1, (device, own)
        for other, f in FREQS.items():
            if other != n:
                assert level_at(cap, f) < own * 1e-3, (device, f)


def test_without_devices_playback_runs_on_no_sound_device_in_real_time(tmp_path):
    rig = Rig(tmp_path, devices=None)
    clip = make_sine(tmp_path / "tone.wav", seconds=3.0)
    r = rig.run("device", "info 1", "init -1", "info 0", f"create {win_path(clip)}", "play", "sleep 1000", "pos",
                "sleep 500", "pos", "active", "free")
    assert line(r, "device")["device"] == -1
    assert line(r, "info", 0)["ok"] == 0
    assert line(r, "init")["ok"] == 1 and line(r, "init")["device"] <= 0
    assert line(r, "info", 1)["name"] == "No sound"
    # Advances at the clip's rate, measured against the caller's clock.
    first, second = line(r, "pos", 0)["pos"], line(r, "pos", 1)["pos"]
    assert (second - first) / 4 / 44100 == pytest.approx(0.5, abs=0.05)
    assert first / 4 / 44100 == pytest.approx(1.0, abs=0.1)
    assert line(r, "active")["active"] == 1


def test_init_and_free_errors(rig, tmp_path):
    r = rig.run("free", "init 7", "init 0", "init 1", "free", "free", "init 1", "device", "free")
    errs = [(x.cmd, x.fields.get("ok"), x["err"]) for x in r if x.cmd in ("init", "free")]
    assert errs == [("free", "0", 8), ("init", "0", 23), ("init", "1", 0), ("init", "0", 14), ("free", "1", 0),
                    ("free", "0", 8), ("init", "1", 0), ("free", "1", 0)]
    assert line(r, "device")["device"] == 1
