"""Comparing captured output with reference decodes made by Linux tools.

Wine mixes to float32 stereo at 48 kHz, and ALSA's file plugin writes exactly
that, so captures are read as (frames, 2) float32 at RATE.
"""
import subprocess
from pathlib import Path

import numpy as np

RATE = 48000


def capture_pcm(name, path):
    """An ALSA PCM definition that appends what is played on it to `path`.

    Through a pipe, not the file itself: the plugin truncates its file each time
    the device is opened, and the library closes the device while it rests."""
    return f'pcm.{name} {{ type file; slave.pcm "nullsink"; file "|cat >>{path}"; format "raw" }}'


def read_capture(path):
    """A raw capture file as (frames, 2) float32; empty when the file does not exist."""
    path = Path(path)
    if not path.exists():
        return np.zeros((0, 2), np.float32)
    data = np.fromfile(path, dtype="<f4")
    return data[: len(data) // 2 * 2].reshape(-1, 2)


def reference(path, tmp_path, rate=RATE):
    """A Linux decode of a clip (lame for MP3), resampled by sox to the capture rate: (frames, channels)."""
    src = Path(path)
    tmp_path = Path(tmp_path)
    if src.suffix.lower() == ".mp3":
        wav = tmp_path / (src.stem + "-lame.wav")
        subprocess.run(["lame", "--quiet", "--decode", str(src), str(wav)], check=True)
        src = wav
    out = tmp_path / (src.stem + f"-{rate}.f32")
    info = subprocess.run(["soxi", "-c", str(src)], capture_output=True, text=True, check=True)
    channels = int(info.stdout.strip())
    subprocess.run(["sox", str(src), "-t", "f32", "-r", str(rate), str(out), "rate", "-v"], check=True,
                   capture_output=True)
    return np.fromfile(out, dtype="<f4").reshape(-1, channels)


def mono(x):
    return x.mean(axis=1) if x.ndim == 2 else x


def align(signal, ref):
    """Lag at which ref best matches inside signal (cross-correlation)."""
    n = 1
    while n < len(signal) + len(ref):
        n <<= 1
    cc = np.fft.irfft(np.fft.rfft(signal, n) * np.conj(np.fft.rfft(ref, n)), n)
    # Circular indices from len(signal) on stand for negative lags (ref starting before signal).
    lag = int(np.argmax(cc))
    return lag if lag < len(signal) else lag - n


def snr_db(signal, ref, lag):
    """How well ref matches signal at lag, in dB (signal energy over error energy)."""
    if lag < 0:
        ref, lag = ref[-lag:], 0
    seg = signal[lag: lag + len(ref)]
    r = ref[: len(seg)]
    err = seg - r
    return 10 * np.log10(np.sum(r ** 2) / max(np.sum(err ** 2), 1e-20))


def envelope(x, window=96):
    """RMS over short windows (2 ms at 48 kHz), one value per frame."""
    p = np.convolve(x ** 2, np.ones(window) / window, mode="same")
    return np.sqrt(p)
