"""Channel operations on the no-sound device: states, positions, seeking,
conversions, spectrum, and the calls that must fail cleanly."""
import numpy as np
import pytest

from conftest import line, make_sine, win_path

BYTES_PER_SECOND = 44100 * 4


def test_states_pause_resume_stop_and_restart(rig, tmp_path):
    clip = make_sine(tmp_path / "tone.wav", seconds=2.0)
    r = rig.run("init 0", f"create {win_path(clip)}", "active", "play", "active", "sleep 300", "pause", "active",
                "sleep 300", "pos", "play 0", "sleep 300", "stop", "active", "pos", "play 0", "sleep 100", "pos",
                "play 1", "pos", "pause", "pause", "waitend 100", "free")
    assert [line(r, "active", i)["active"] for i in range(3)] == [0, 1, 3]
    paused = line(r, "pause", 0)["pos"]
    assert line(r, "pos", 0)["pos"] - paused <= 0.005 * BYTES_PER_SECOND  # holds while paused
    # Two 300 ms sleeps of play; a busy machine can only stretch the steps between them.
    stopped = line(r, "pos", 1)["pos"]
    assert 0.54 * BYTES_PER_SECOND <= stopped <= 0.75 * BYTES_PER_SECOND
    # Play without restart continues; with restart it starts over.
    assert stopped + 0.05 * BYTES_PER_SECOND <= line(r, "pos", 2)["pos"] <= stopped + 0.2 * BYTES_PER_SECOND
    assert line(r, "play", 3)["ok"] == 1
    assert line(r, "pos", 3)["pos"] < 0.05 * BYTES_PER_SECOND
    # Pausing a paused stream is refused.
    assert line(r, "pause", 2)["ok"] == 0 and line(r, "pause", 2)["err"] == 37


def test_plays_to_the_end_and_again(rig, tmp_path):
    clip = make_sine(tmp_path / "short.wav", seconds=0.3)
    r = rig.run("init 0", f"create {win_path(clip)}", "len", "play", "waitend 2000", "active", "pos", "play 1",
                "waitend 2000", "pos", "free")
    assert line(r, "len")["len"] == int(0.3 * BYTES_PER_SECOND)
    assert line(r, "len")["seconds"] == pytest.approx(0.3)
    assert [line(r, "waitend", i)["ended"] for i in range(2)] == [1, 1]
    assert line(r, "active")["active"] == 0
    assert line(r, "pos", 0)["pos"] == line(r, "pos", 1)["pos"] == int(0.3 * BYTES_PER_SECOND)


def test_seek_moves_the_decoded_output(rig, tmp_path):
    # A WAV whose samples count up, so the decoded bytes tell where we are.
    ramp = (np.arange(44100, dtype=np.int32) % 30000).astype("<i2")
    wav = tmp_path / "ramp.wav"
    import wave
    with wave.open(str(wav), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(44100)
        w.writeframes(ramp.tobytes())
    out = tmp_path / "tail.raw"
    r = rig.run("init 0", f"create {win_path(wav)}", "seek 20000", "pos", f"decode {win_path(out)}", "seek 88202",
                "seek 88200", "free")
    assert line(r, "seek", 0)["ok"] == 1 and line(r, "pos")["pos"] == 20000
    assert np.array_equal(np.fromfile(out, "<i2"), ramp[10000:])
    assert line(r, "seek", 1)["ok"] == 0 and line(r, "seek", 1)["err"] == 7  # past the end
    assert line(r, "seek", 2)["ok"] == 1


def test_seek_in_mp3_is_exact(rig, tmp_path):
    import subprocess
    clip = make_sine(tmp_path / "tone.wav", seconds=1.0, freq=1000)
    mp3 = tmp_path / "tone.mp3"
    subprocess.run(["lame", "--quiet", "-b", "192", str(clip), str(mp3)], check=True)
    whole, tail = tmp_path / "whole.raw", tmp_path / "tail.raw"
    rig.run("init 0", f"create {win_path(mp3)}", f"decode {win_path(whole)}", "seek 100000",
            f"decode {win_path(tail)}", "free")
    assert np.array_equal(np.fromfile(tail, "<i2"), np.fromfile(whole, "<i2")[50000:])


def test_conversions_volume_and_spectrum(rig, tmp_path):
    clip = make_sine(tmp_path / "tone.wav", seconds=1.0, freq=3000, amplitude=0.8, channels=1)
    r = rig.run("init 0", f"create {win_path(clip)}", "s2b 0.5", "b2s 88200", "s2b -1", "getvol", "vol 0.3",
                "getvol", "vol 7", "getvol", "vol 1", "master 0.7", "getmaster", "master 1.5", "master 1",
                "fft", "play", "sleep 200", "fft", "free")
    assert line(r, "s2b", 0)["bytes"] == 44100  # mono 16-bit
    assert line(r, "b2s")["seconds"] == pytest.approx(1.0)
    assert line(r, "s2b", 1)["bytes"] == -1 and line(r, "s2b", 1)["err"] == 20
    assert [line(r, "getvol", i)["vol"] for i in range(3)] == [1.0, 0.3, 1.0]
    assert line(r, "getmaster")["vol"] == pytest.approx(0.7)
    assert line(r, "master", 1)["ok"] == 0 and line(r, "master", 1)["err"] == 20
    assert line(r, "fft", 0)["result"] == 512 and line(r, "fft", 0)["value"] == 0.0  # nothing played yet
    # 3 kHz at the mix rate of 48 kHz falls on bin 16 of 256.
    playing = line(r, "fft", 1)
    assert playing["result"] == 512 and playing["peak"] == 16
    assert playing["value"] == pytest.approx(0.8, abs=0.05)


def test_calls_that_must_fail_cleanly(rig, tmp_path):
    midi = tmp_path / "song.mid"
    # A MIDI file whose time division is 0: no time can be given to its events.
    midi.write_bytes(b"MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x00MTrk\x00\x00\x00\x04\x00\xff\x2f\x00")
    clip = make_sine(tmp_path / "tone.wav", seconds=0.2)
    r = rig.run(f"create {win_path(clip)}", "init 0", "url http://example.com/a.mp3", f"create {win_path(midi)}",
                f"create {win_path(tmp_path / 'missing.wav')}", "handle 0", "streamfree", "play", "pos", "active",
                "handle 12345", "stop", "len", "tags", "fft", "getvol", "free")
    codes = [(x.cmd, x["err"]) for x in r if x.cmd not in ("init", "handle", "free")]
    assert codes == [("create", 8), ("url", 43), ("create", 41), ("create", 2), ("streamfree", 5), ("play", 5),
                     ("pos", 5), ("active", 5), ("stop", 5), ("len", 5), ("tags", 5), ("fft", 5), ("getvol", 5)]
    assert all(line(r, "create", i)["handle"] == 0 for i in range(3))
