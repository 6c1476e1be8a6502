"""Damaged, hostile and unusual input: every case gives stream 0 with an
error code or plays correctly, and never crashes, hangs or eats memory."""
import os
import struct
import subprocess

import numpy as np
import pytest

from conftest import line, make_sine, win_path

FILEFORM, FILEOPEN = 41, 2


def wav_bytes(channels=2, rate=44100, bits=16, frames=4410, data_size=None, riff_size=None, extra_chunk=b""):
    data = (np.sin(np.arange(frames * channels) * 0.05) * 10000).astype("<i2").tobytes()
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + extra_chunk
    body += b"data" + struct.pack("<I", len(data) if data_size is None else data_size) + data
    return b"RIFF" + struct.pack("<I", len(body) if riff_size is None else riff_size) + body


def speech_mp3(tmp_path):
    src = make_sine(tmp_path / "src.wav", seconds=1.0, freq=500)
    mp3 = tmp_path / "src.mp3"
    subprocess.run(["lame", "--quiet", "-b", "128", str(src), str(mp3)], check=True)
    return mp3.read_bytes()


def midi(*tracks, division=96, fmt=None, raw_tracks=None):
    """An SMF from track bodies (bytes, end-of-track included when wanted)."""
    fmt = (0 if len(tracks) == 1 else 1) if fmt is None else fmt
    data = b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division)
    for t in tracks:
        data += b"MTrk" + struct.pack(">I", len(t) if raw_tracks is None else raw_tracks) + t
    return data


EOT = b"\x00\xff\x2f\x00"
MELODY = b"".join(bytes([0, 0x90, k, 100, 48, 0x80, k, 0]) for k in (60, 64, 67)) + EOT


def id3v2(size):
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    return b"ID3\x03\x00\x00" + syncsafe + b"\x00" * size


# (name, content builder, expected: an error code, or "plays")
CASES = [
    ("empty", lambda t: b"", FILEFORM),
    ("one-byte", lambda t: b"\xff", FILEFORM),
    ("random-bytes", lambda t: np.random.default_rng(3).integers(0, 256, 200000, dtype=np.uint8).tobytes(), FILEFORM),
    ("mp3-cut-mid-frame", lambda t: speech_mp3(t)[:7000], "plays"),
    ("mp3-10MB-id3v2", lambda t: id3v2(10 * 1024 * 1024) + speech_mp3(t), "plays"),
    ("mp3-only-tag", lambda t: id3v2(5000), FILEFORM),
    ("wav-data-larger-than-file", lambda t: wav_bytes(data_size=10 ** 8), "plays"),
    ("wav-data-size-zero", lambda t: wav_bytes(data_size=0), "plays"),
    ("wav-riff-size-lies", lambda t: wav_bytes(riff_size=3), "plays"),
    ("wav-odd-chunk-no-pad", lambda t: wav_bytes(extra_chunk=b"LIST" + struct.pack("<I", 3) + b"abc"), "plays"),
    ("wav-odd-chunk-padded", lambda t: wav_bytes(extra_chunk=b"LIST" + struct.pack("<I", 3) + b"abc\x00"), "plays"),
    ("wav-header-only", lambda t: wav_bytes()[:40], FILEFORM),
    ("wav-zero-channels", lambda t: wav_bytes(channels=0), FILEFORM),
    ("wav-rate-zero", lambda t: wav_bytes(rate=0), FILEFORM),
    ("wav-bits-zero", lambda t: wav_bytes(bits=0), FILEFORM),
    ("midi", lambda t: b"MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60", FILEFORM),
    ("midi-truncated-header", lambda t: midi(MELODY)[:11], FILEFORM),
    ("midi-zero-tracks", lambda t: midi(), FILEFORM),
    ("midi-division-zero", lambda t: midi(MELODY, division=0), FILEFORM),
    ("midi-random-bytes", lambda t: np.random.default_rng(5).integers(0, 256, 50000, dtype=np.uint8).tobytes(),
     FILEFORM),
    ("midi-track-past-the-end", lambda t: midi(MELODY, raw_tracks=10 ** 6), "plays"),
    ("midi-tempo-zero", lambda t: midi(b"\x00\xff\x51\x03\x00\x00\x00" + MELODY), "plays"),
    ("midi-no-end-of-track", lambda t: midi(MELODY[:-4]), "plays"),
    ("midi-delta-0x0FFFFFFF", lambda t: midi(MELODY[:-4] + b"\xff\xff\xff\x7f\x90\x3c\x64" + EOT), "long"),
    ("midi-100000-notes-at-one-tick",
     lambda t: midi(b"\x00\x90" + b"\x00".join(bytes([k % 128, 100]) for k in range(100000)) + b"\x60\x80\x3c\x00"
                    + b"\x00\xb0\x7b\x00" + EOT), "plays"),
    ("midi-notes-never-released", lambda t: midi(b"\x00\x90\x3c\x64\x00\x40\x64\x60\x43\x64" + EOT), "plays"),
    ("midi-10MB", lambda t: midi(b"\x00\xf0\x85\x80\x80\x00" + b"\x01" * (10 * 2 ** 20) + MELODY), "plays"),
    ("midi-rmid", lambda t: b"RIFF" + struct.pack("<I", 4 + 8 + len(midi(MELODY))) + b"RMIDdata"
     + struct.pack("<I", len(midi(MELODY))) + midi(MELODY), "plays"),
]


@pytest.mark.parametrize("name,build,expected", CASES, ids=[c[0] for c in CASES])
def test_bad_files(rig, tmp_path, name, build, expected):
    path = tmp_path / (f"{name}.mid" if name.startswith("midi") else f"{name}.mp3")
    path.write_bytes(build(tmp_path))
    out = tmp_path / "decoded.raw"
    # A stream that is meant to last (an hour of MIDI) is decoded in part.
    r = rig.run("init 0", f"create {win_path(path)}", "play", "waitend 5000", "resources",
                f"createmem {win_path(path)}", f"decode {win_path(out)} {10 * 44100 * 4}", "free", timeout=60)
    created, from_memory = line(r, "create"), line(r, "createmem")
    if expected in ("plays", "long"):
        assert created["handle"] > 0 and from_memory["handle"] > 0, r
        assert line(r, "waitend")["ended"] == (expected == "plays")
        assert line(r, "decode")["bytes"] > 0
        assert line(r, "resources")["private"] < 400 * 2 ** 20
    else:
        assert (created["handle"], created["err"]) == (0, expected)
        # An empty memory block is a bad argument rather than a bad file.
        ILLPARAM = 20
        assert (from_memory["handle"], from_memory["err"]) == (0, ILLPARAM if name == "empty" else expected)


def test_mp3_behind_a_huge_tag_decodes_like_the_plain_file(rig, tmp_path):
    plain = tmp_path / "plain.mp3"
    plain.write_bytes(speech_mp3(tmp_path))
    tagged = tmp_path / "tagged.mp3"
    tagged.write_bytes(id3v2(10 * 1024 * 1024) + plain.read_bytes())
    a, b = tmp_path / "a.raw", tmp_path / "b.raw"
    rig.run("init 0", f"create {win_path(plain)}", f"decode {win_path(a)}", f"create {win_path(tagged)}",
            f"decode {win_path(b)}", "free")
    assert a.read_bytes() == b.read_bytes() and len(a.read_bytes()) == 44100 * 4


def test_directory_is_refused(rig, tmp_path):
    r = rig.run("init 0", f"create {win_path(tmp_path)}", "free")
    assert (line(r, "create")["handle"], line(r, "create")["err"]) == (0, FILEOPEN)


@pytest.mark.parametrize("lang", ["zh_CN.UTF-8", "en_US.UTF-8"])
def test_chinese_path_with_spaces(rig, tmp_path, lang):
    folder = tmp_path / "音效 目录"
    folder.mkdir()
    clip = make_sine(folder / "掌声 欢呼.wav", seconds=0.3)
    r = rig.run("init 0", ["create", win_path(clip)], "len", "play", "waitend 3000", "free", lang=lang)
    assert line(r, "create")["handle"] > 0
    assert line(r, "len")["len"] == int(0.3 * 44100) * 4


def test_file_deleted_while_playing(rig, tmp_path):
    clip = make_sine(tmp_path / "doomed.wav", seconds=2.0)
    r = rig.run("init 0", f"create {win_path(clip)}", "play", "sleep 200", f"delete {win_path(clip)}",
                "waitend 5000", "streamfree")
    assert line(r, "delete")["ok"] == 1
    assert line(r, "waitend")["ended"] == 1
    assert line(r, "streamfree")["ok"] == 1


def test_file_locked_while_playing(rig, tmp_path):
    clip = make_sine(tmp_path / "locked.wav", seconds=3.0)
    r = rig.run("init 0", f"create {win_path(clip)}", "play", "sleep 100", f"lock {win_path(clip)}",
                "waitend 6000", "pos", "streamfree", f"create {win_path(clip)}")
    assert line(r, "lock")["ok"] == 1
    # Reads fail from the lock on: the stream ends early instead of hanging.
    assert line(r, "waitend")["ended"] == 1
    assert line(r, "streamfree")["ok"] == 1


def test_hour_long_wav_is_streamed(rig, tmp_path):
    # A sparse file: an hour of silence costs no disk and no time to make.
    path = tmp_path / "hour.wav"
    frames = 44100 * 3600
    with open(path, "wb") as f:
        f.write(wav_bytes(frames=0, data_size=frames * 4)[:44])
        f.truncate(44 + frames * 4)
    r = rig.run("init 0", "resources", f"create {win_path(path)}", "len", "play", "sleep 1000", "pos", "resources",
                "seek 600000000", "pos", "resources", "free")
    assert line(r, "len")["seconds"] == pytest.approx(3600.0)
    assert line(r, "pos", 0)["pos"] > 0
    assert line(r, "pos", 1)["pos"] >= 600000000
    before, during = line(r, "resources", 0)["private"], line(r, "resources", 2)["private"]
    assert during - before < 16 * 1024 * 1024
