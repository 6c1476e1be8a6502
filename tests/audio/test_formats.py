"""Decoding of every supported format, checked sample by sample against
Linux decodes (sox for WAV, lame for MP3). Decoding runs on the no-sound
device through BASS_ChannelGetData, so no capture is involved."""
import subprocess

import numpy as np
import pytest

from conftest import line, sox, win_path


def sox_pcm16(path, tmp_path):
    out = tmp_path / (path.stem + ".ref.s16")
    sox("-D", path, "-t", "s16", "-e", "signed-integer", out)
    return np.fromfile(out, dtype="<i2").astype(np.int32)


def lame_pcm16(path, tmp_path):
    wav = tmp_path / (path.stem + ".lame.wav")
    subprocess.run(["lame", "--quiet", "--decode", str(path), str(wav)], check=True)
    return sox_pcm16(wav, tmp_path)


def decode(rig, path, tmp_path, mem=False):
    raw = tmp_path / (path.stem + (".mem" if mem else "") + ".dec")
    r = rig.run("init 0", f"{'createmem' if mem else 'create'} {win_path(path)}", "len",
                f"decode {win_path(raw)}", "free")
    assert line(r, "create" + ("mem" if mem else ""))["handle"] > 0, r
    return np.fromfile(raw, dtype="<i2").astype(np.int32), line(r, "len")["len"]


def snr(a, b):
    n = min(len(a), len(b))
    e = (a[:n] - b[:n]).astype(float)
    return 10 * np.log10(np.sum(b[:n].astype(float) ** 2) / max(np.sum(e ** 2), 1e-9))


def source(tmp_path, rate, channels, seconds=0.5):
    src = tmp_path / f"src-{rate}-{channels}.wav"
    # A chirp with some noise: every sample matters, nothing is periodic.
    sox("-n", "-r", rate, "-c", channels, "-b", 16, src, "synth", seconds, "sine", "200-6000", "synth", seconds,
        "whitenoise", "mix", "vol", "0.4")
    return src


WAV_CASES = [
    # (name, sox output options, max difference in 16-bit steps)
    ("u8", ["-e", "unsigned-integer", "-b", "8"], 0),
    ("s16", ["-e", "signed-integer", "-b", "16"], 0),
    ("s24", ["-e", "signed-integer", "-b", "24"], 1),
    ("s32", ["-e", "signed-integer", "-b", "32"], 1),
    ("f32", ["-e", "floating-point", "-b", "32"], 1),
    ("f64", ["-e", "floating-point", "-b", "64"], 1),
    ("s16-6ch-extensible", ["-e", "signed-integer", "-b", "16", "-c", "6"], 0),
    ("alaw", ["-e", "a-law"], 0),
    ("ulaw", ["-e", "u-law"], 0),
    ("ms-adpcm", ["-e", "ms-adpcm"], None),
    ("ima-adpcm", ["-e", "ima-adpcm"], None),
]


@pytest.mark.parametrize("name,options,tolerance", WAV_CASES, ids=[c[0] for c in WAV_CASES])
def test_wav_formats_decode_exactly(rig, tmp_path, name, options, tolerance):
    src = source(tmp_path, 22050, 2)
    wav = tmp_path / f"{name}.wav"
    sox("-D", src, *options, wav)
    if "extensible" in name:
        assert wav.read_bytes()[20:22] == b"\xfe\xff"
    ref = sox_pcm16(wav, tmp_path)
    got, length = decode(rig, wav, tmp_path)
    channels = 6 if "6ch" in name else 2
    assert length == len(got) * 2
    if tolerance is None:
        # ADPCM through the system's codec: the same signal, but decoders
        # differ in how they clamp the predictor, so not bit for bit. The
        # length comes from the fact chunk; sox decodes the last block whole.
        assert abs(len(got) - len(ref)) <= 2 * 1024 * channels
        assert snr(got, ref) > 30
    else:
        assert len(got) == len(ref)
        assert np.abs(got - ref).max() <= tolerance


MP3_CASES = [
    # (name, source rate, channels, lame options)
    ("cbr128-stereo-44k", 44100, 2, ["-b", "128"]),
    ("cbr64-mono-44k", 44100, 1, ["-b", "64", "-m", "m"]),
    ("stereo-48k", 48000, 2, ["-b", "160"]),
    ("stereo-32k", 32000, 2, ["-b", "96"]),
    ("mpeg2-24k", 24000, 2, ["-b", "64"]),
    ("mpeg2-22k-mono", 22050, 1, ["-b", "64"]),
    ("mpeg2-16k", 16000, 2, ["-b", "48"]),
    ("mpeg25-11k", 11025, 1, ["-b", "32"]),
    ("vbr", 44100, 2, ["-V", "2"]),
]


@pytest.mark.parametrize("name,rate,channels,options", MP3_CASES, ids=[c[0] for c in MP3_CASES])
def test_mp3_decodes_like_lame_with_delay_and_padding_trimmed(rig, tmp_path, name, rate, channels, options):
    src = source(tmp_path, rate, channels, seconds=1.3)
    mp3 = tmp_path / f"{name}.mp3"
    subprocess.run(["lame", "--quiet", "--resample", str(rate / 1000), *options, str(src), str(mp3)], check=True)
    ref = lame_pcm16(mp3, tmp_path)
    got, length = decode(rig, mp3, tmp_path)
    # Same length as the source (gapless) and sample-aligned with lame's decode.
    assert len(got) == len(ref) == len(sox_pcm16(src, tmp_path))
    assert length == len(got) * 2
    assert snr(got, ref) > 60


def test_mp3_with_tags_and_from_memory(rig, tmp_path):
    src = source(tmp_path, 44100, 2)
    mp3 = tmp_path / "tagged.mp3"
    subprocess.run(["lame", "--quiet", "--add-id3v2", "--tt", "Applause", "--ta", "Board", "--pad-id3v2-size", "5000",
                    str(src), str(mp3)], check=True)
    assert mp3.read_bytes()[:3] == b"ID3" and mp3.read_bytes()[-128:-125] == b"TAG"
    from_file, _ = decode(rig, mp3, tmp_path)
    from_memory, _ = decode(rig, mp3, tmp_path, mem=True)
    assert np.array_equal(from_file, from_memory)
    assert snr(from_file, lame_pcm16(mp3, tmp_path)) > 60
    r = rig.run("init 0", f"create {win_path(mp3)}", "tags", f"create {win_path(src)}", "tags", "free")
    assert line(r, "tags", 0)["present"] == 1 and line(r, "tags", 0)["text"].startswith("Applause")
    assert line(r, "tags", 1)["present"] == 0 and line(r, "tags", 1)["err"] == 37


def test_mp3_without_xing_header_still_decodes_whole(rig, tmp_path):
    src = source(tmp_path, 44100, 2)
    mp3 = tmp_path / "plain.mp3"
    subprocess.run(["lame", "--quiet", "-t", "-b", "128", str(src), str(mp3)], check=True)
    got, length = decode(rig, mp3, tmp_path)
    ref = lame_pcm16(mp3, tmp_path)
    # Without the LAME header only the decoder's own delay is known: the rest
    # is kept, as lame does, and the length is exact once decoded.
    assert len(got) == len(ref)
    assert snr(got, ref) > 60
    assert length > 0
