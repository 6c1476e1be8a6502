"""Shared helpers of the audio library tests: a private Wine prefix, ALSA
configurations whose PCMs write into files, running bassdriver scripts, test
audio made with sox/lame/espeak-ng, and comparing captures with references."""
import os
import sys
import shutil
import subprocess
import tempfile
from pathlib import Path

import numpy as np
import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "common"))
from audio_compare import align, capture_pcm, envelope, mono, read_capture, reference, snr_db  # noqa: E402,F401
from wine_run import run_wine  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
DRIVER = Path(os.environ.get("SB_BASSDRIVER", ROOT / "build/win/tests/audio/bassdriver.exe"))
BASS_DIR = Path(os.environ.get("SB_BASS_DIR", ROOT / "dist/plugins"))
# A prefix of our own: the device tests change its registry.
PREFIX = Path(os.environ.get("SB_AUDIO_WINEPREFIX", ROOT / "build/wineprefix-audio"))
RATE = 48000  # Wine's mix format over ALSA: float32 stereo at 48 kHz (checked by test_capture_format)
PERIOD = 480  # frames of the engine period at that rate


def wine_env(home, lang="en_US.UTF-8", bass_dir=BASS_DIR):
    env = dict(os.environ)
    env.update(
        WINEPREFIX=str(PREFIX), WINEARCH="win64", WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d",
        WINEPATH="Z:" + str(bass_dir).replace("/", "\\"), HOME=str(home), LANG=lang, LC_ALL=lang,
    )
    env.pop("DISPLAY", None)
    return env


def ensure_prefix():
    if (PREFIX / "system.reg").exists():
        return
    PREFIX.mkdir(parents=True, exist_ok=True)
    env = wine_env(tempfile.gettempdir())
    subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    subprocess.run(["wineserver", "-w"], env=env, timeout=300)


class Result:
    """One output line of bassdriver: the command and its key=value fields."""

    def __init__(self, line):
        words = line.split(" ")
        self.cmd = words[0]
        self.fields = {}
        key = None
        for w in words[1:]:
            if "=" in w:
                key, value = w.split("=", 1)
                self.fields[key] = value
            elif key:  # a value with spaces (device names)
                self.fields[key] += " " + w

    def __getitem__(self, key):
        v = self.fields[key]
        try:
            return int(v)
        except ValueError:
            try:
                return float(v)
            except ValueError:
                return v

    def __repr__(self):
        return f"{self.cmd} {self.fields}"


class Rig:
    """A temporary HOME whose ALSA devices write into files.

    devices: names of the PCMs; the first is ALSA's default, the others are
    announced to Wine through its ALSAOutputDevices setting. None: no usable
    output at all."""

    def __init__(self, tmp_path, devices=("default",), bass_dir=BASS_DIR):
        self.bass_dir = bass_dir
        self.home = tmp_path / "home"
        self.home.mkdir(exist_ok=True)
        self.devices = list(devices) if devices else []
        self.files = {d: tmp_path / f"capture-{d}.raw" for d in self.devices}
        lines = []
        if self.devices:
            for i, d in enumerate(self.devices):
                name = "!default" if i == 0 else d
                lines.append(capture_pcm(name, self.files[d]))
            lines.append("pcm.nullsink { type null }")
        else:
            lines.append("pcm.!default { type hw; card 99 }")
        (self.home / ".asoundrc").write_text("\n".join(lines) + "\n")
        ensure_prefix()
        extra = self.devices[1:]
        key = r"HKCU\Software\Wine\Drivers\winealsa.drv"
        if extra:
            self.wine(["reg", "add", key, "/v", "ALSAOutputDevices", "/t", "REG_MULTI_SZ", "/d", "\\0".join(extra), "/f"])
        else:
            self.wine(["reg", "delete", key, "/v", "ALSAOutputDevices", "/f"], check=False)

    def wine(self, args, check=True, lang="en_US.UTF-8", timeout=120):
        proc = run_wine(args, wine_env(self.home, lang, self.bass_dir), timeout=timeout)
        if check and proc.returncode != 0:
            raise AssertionError(f"wine {args[0]} failed: {proc.stdout!r} {proc.stderr!r}")
        return proc

    def run(self, *script, lang="en_US.UTF-8", timeout=300):
        """Runs bassdriver with commands (strings or lists); returns Results."""
        args = []
        for c in script:
            if args:
                args.append(";")
            args.extend(c.split(" ") if isinstance(c, str) else [str(x) for x in c])
        proc = self.wine([str(DRIVER)] + args, check=False, lang=lang, timeout=timeout)
        out = proc.stdout.decode("utf-8", "replace")
        results = [Result(l) for l in out.splitlines() if l.strip()]
        assert proc.returncode == 0, f"bassdriver exited {proc.returncode}: {out} {proc.stderr[-2000:]!r}"
        return results

    def capture(self, device="default"):
        """The captured output as (frames, 2) float32."""
        return read_capture(self.files[device])


@pytest.fixture
def rig(tmp_path):
    return Rig(tmp_path)


def win_path(p):
    return "Z:" + str(p).replace("/", "\\")


def sox(*args):
    subprocess.run(["sox", *map(str, args)], check=True, capture_output=True)












def make_sine(path, freq=440, seconds=1.0, rate=44100, channels=2, amplitude=0.5, extra=()):
    sox("-n", "-r", rate, "-c", channels, "-b", 16, path, "synth", seconds, "sine", freq, "vol", amplitude, *extra)
    return path


def make_speech_mp3(path, tmp_path, lame_args=("-b", "128")):
    wav = tmp_path / "speech-src.wav"
    subprocess.run(["espeak-ng", "-v", "zh", "-w", str(wav), "你好，欢迎收听，掌声欢呼"], check=True, capture_output=True)
    subprocess.run(["lame", "--quiet", *lame_args, str(wav), str(path)], check=True)
    return path


def line(results, cmd, index=0):
    found = [r for r in results if r.cmd == cmd]
    return found[index]
