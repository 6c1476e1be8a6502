"""Drives the real program under Wine and Xvfb for end-to-end tests.

A test gets a `Program`: its own copy of the program folder, its own HOME whose
ALSA default output is captured to a file, the project's test Wine prefix, and
the `sbdriver` helper that finds and reads windows from inside Wine.
"""
import json
import os
import sys
import shutil
import signal
import subprocess
import time
from pathlib import Path

import numpy as np

ROOT = Path(__file__).resolve().parents[2]
DIST = Path(os.environ.get("SB_DIST", ROOT / "dist"))
BUILD = Path(os.environ.get("SB_BUILD", ROOT / "build" / "win"))
DRIVER = Path(os.environ.get("SB_DRIVER", BUILD / "tests" / "driver" / "sbdriver.exe"))
PREFIX = Path(os.environ.get("SB_WINEPREFIX", ROOT / "build" / "wineprefix"))
EXE_NAME = "SoundBoard.exe"
MAIN_CAPTION = "鸣川声板,支持多通道选择播放，支持音量大小调节！"

sys.path.insert(0, str(ROOT / "tests" / "common"))
import audio_compare  # noqa: E402
from wine_run import run_wine  # noqa: E402


def wine_env(home, lang="zh_CN.UTF-8"):
    env = dict(os.environ)
    env.update(
        WINEPREFIX=str(PREFIX),
        WINEARCH="win64",
        WINEDEBUG="-all",
        WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d",
        HOME=str(home),
        LANG=lang,
        LC_ALL=lang,
    )
    return env


def ensure_prefix():
    """The test prefix, made once; like tools/wine-env it maps the Chinese fonts to an installed CJK font."""
    home = PREFIX.parent / "wineboot-home"
    home.mkdir(parents=True, exist_ok=True)
    env = wine_env(home)
    if not (PREFIX / "system.reg").exists():
        PREFIX.mkdir(parents=True, exist_ok=True)
        subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env)
    if not (PREFIX / ".sb-fonts-3").exists():
        fonts = "Z:" + str(ROOT / "tools" / "wine-fonts.reg").replace("/", "\\")
        if subprocess.run(["wine", "regedit", "/S", fonts], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0:
            (PREFIX / ".sb-fonts-3").touch()
        subprocess.run(["wineserver", "-w"], env=env)


def asoundrc(capture, devices=None):
    """An ALSA configuration whose default PCM writes what Wine plays into `capture`.

    devices: optional {pcm_name: file} of further outputs; Wine is told about
    them through its ALSAOutputDevices setting (see Program.devices).
    """
    lines = [audio_compare.capture_pcm("!default", capture)]
    for name, path in (devices or {}).items():
        lines.append(audio_compare.capture_pcm(name, path))
    lines.append("pcm.nullsink { type null }")
    return "\n".join(lines) + "\n"


def write_ini(path, sections):
    """Writes an INI file in GBK, as the program keeps them. sections: {section: {key: value}}."""
    text = ""
    for section, keys in sections.items():
        text += f"[{section}]\r\n"
        for key, value in keys.items():
            text += f"{key}={value}\r\n"
    Path(path).write_bytes(text.encode("gbk"))


def read_ini(path):
    """Reads an INI file written by the program: {section: {key: value}}, names as written."""
    p = Path(path)
    if not p.exists():
        return None
    result, section = {}, None
    for line in p.read_bytes().decode("gbk", errors="replace").splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = result.setdefault(line[1:-1], {})
        elif "=" in line and section is not None:
            key, value = line.split("=", 1)
            section[key.strip()] = value.strip()
    return result


class Program:
    """One copy of the program in a temporary folder, started under Wine."""

    def __init__(self, tmp_path, lang="zh_CN.UTF-8", devices=(), no_audio=False, managed=False):
        """devices: names of further ALSA outputs beside the default; no_audio: no usable output at all;
        managed: the program's windows are managed windows, as under a window manager, also in a test slot
        (tools/slot makes its windows unmanaged: with no window manager on the display, hiding a managed
        window waits two seconds for one). Needed where activation moves between programs by a click."""
        self.root = Path(tmp_path)
        self.dir = self.root / "程序 folder"
        shutil.copytree(DIST, self.dir)
        self.home = self.root / "home"
        self.home.mkdir()
        self.capture = self.root / "capture.raw"
        self.devices = list(devices)
        self.device_files = {d: self.root / f"capture-{d}.raw" for d in self.devices}
        self.lang = lang
        self.managed = managed and bool(os.environ.get("SB_SLOT"))
        if no_audio:
            (self.home / ".asoundrc").write_text("pcm.!default { type hw; card 99 }\n")
        else:
            (self.home / ".asoundrc").write_text(asoundrc(self.capture, self.device_files))
        # The prefix's desktop is the real home folder of whoever made the prefix;
        # each program gets its own so that first-run shortcuts stay in the test.
        self.desktop = self.root / "desktop"
        self.desktop.mkdir()
        self.process = None
        self.exit_code = None
        self.log = self.root / "program.log"

    @property
    def exe(self):
        return self.dir / EXE_NAME

    def env(self):
        return wine_env(self.home, self.lang)

    def _announce_devices(self, devices):
        # Wine lists ALSA's default device only, unless told of further PCMs.
        key = r"HKCU\Software\Wine\Drivers\winealsa.drv"
        if devices:
            args = ["reg", "add", key, "/v", "ALSAOutputDevices", "/t", "REG_MULTI_SZ", "/d", "\\0".join(devices), "/f"]
        else:
            args = ["reg", "delete", key, "/v", "ALSAOutputDevices", "/f"]
        subprocess.run(["wine", *args], env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def _use_desktop(self):
        key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
        subprocess.run(["wine", "reg", "add", key, "/v", "Desktop", "/t", "REG_EXPAND_SZ", "/d",
                        "Z:" + str(self.desktop).replace("/", "\\"), "/f"], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def manage_windows(self, managed=True):
        """Makes this prefix's windows managed (or not) for programs started from now on."""
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d",
                        "Y" if managed else "N", "/f"], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def start(self):
        ensure_prefix()
        self._announce_devices(self.devices)
        self._use_desktop()
        if self.managed:
            self.manage_windows(True)
        with open(self.log, "wb") as log:
            self.process = subprocess.Popen(["wine", str(self.exe)], env=self.env(), cwd=self.root,
                                            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        return self

    def _log_tail(self):
        return self.log.read_text(errors="replace")[-2000:] if self.log.exists() else "(the program was not started)"

    def driver(self, *args, check=True, timeout=60):
        """Runs sbdriver inside Wine; returns its JSON lines as a list (None when it failed and check is False)."""
        done = run_wine([DRIVER, *args], self.env(), timeout=timeout)
        code, text = done.returncode, done.stdout.decode("utf-8", errors="replace")
        if code != 0:
            if check:
                raise AssertionError(f"sbdriver {args} failed ({code}): {text[-2000:]}\n"
                                     f"program log: {self._log_tail()}")
            return None
        return [json.loads(line) for line in text.splitlines() if line.startswith("{")]

    def wait_main(self, timeout_ms=30000):
        found = self.driver("wait", MAIN_CAPTION, timeout_ms, check=False)
        if found:
            return found[0]
        # Say what was on the screen instead: a dialog in the way, or a program that is gone.
        state = ("not started" if not self.process else "running" if self.process.poll() is None
                 else f"exited with {self.process.poll()}")
        windows = self.driver("windows", check=False)
        raise AssertionError(f"the main window did not show; the program is {state}; windows: {windows}\n"
                             f"program log: {self._log_tail()}")

    def controls(self):
        return self.driver("controls", MAIN_CAPTION)

    def wait_exit(self, timeout=30):
        self.exit_code = self.process.wait(timeout=timeout)
        return self.exit_code

    def close(self, timeout=30):
        """Asks the main window to close and returns the exit code (as Wine reports it: 0..255)."""
        self.driver("close", MAIN_CAPTION)
        return self.wait_exit(timeout)

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait()
        if self.devices:
            self._announce_devices([])
        if self.managed:
            self.manage_windows(False)

    def ini(self, name):
        return read_ini(self.dir / name)

    def write_ini(self, name, sections):
        write_ini(self.dir / name, sections)

    def heard_seconds(self, level=0.01):
        """How much has been played since the first sound: seconds of capture from the first loud sample."""
        capture = audio_compare.mono(self.captured())
        loud = np.flatnonzero(np.abs(capture) > level)
        return 0.0 if len(loud) == 0 else (len(capture) - loud[0]) / audio_compare.RATE

    def wait_heard(self, seconds, timeout=30):
        """Waits until the output has played `seconds` since the first sound: on a busy machine the sound
        comes later than the click, and a fixed wait would cut a clip short."""
        assert wait_until(lambda: self.heard_seconds() >= seconds, timeout, 0.05), \
            f"{seconds} s of sound not played within {timeout} s ({self.heard_seconds():.2f} s)"

    def listen(self, seconds):
        """Waits while the output plays `seconds` more (sound or silence): the time the program's sound takes,
        not the test's clock, which runs ahead of it on a busy machine. Before the first sound it waits for it."""
        self.wait_heard(self.heard_seconds() + seconds)

    def captured(self, device=None):
        """The captured output as (frames, 2) float32 at audio_compare.RATE."""
        return audio_compare.read_capture(self.capture if device is None else self.device_files[device])


def wait_until(predicate, timeout=10.0, interval=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()
