import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402


def _display_works(display):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


@pytest.fixture(scope="session", autouse=True)
def display():
    """A virtual X display for the whole session unless a usable one is given."""
    if os.environ.get("DISPLAY") and _display_works(os.environ["DISPLAY"]):
        yield os.environ["DISPLAY"]
        return
    n = 90
    while Path(f"/tmp/.X{n}-lock").exists() or Path(f"/tmp/.X11-unix/X{n}").exists():
        n += 1
    xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.environ["DISPLAY"] = f":{n}"
    for _ in range(100):
        if _display_works(f":{n}"):
            break
        time.sleep(0.1)
    yield f":{n}"
    xvfb.terminate()
    xvfb.wait()


@pytest.fixture(scope="session", autouse=True)
def wineprefix(display):
    harness.ensure_prefix()
    yield harness.PREFIX
    # Stop this prefix's server so nothing of ours outlives the session.
    subprocess.run(["wineserver", "-k"], env=harness.wine_env(harness.PREFIX.parent), stderr=subprocess.DEVNULL)


@pytest.fixture
def program(tmp_path):
    """A fresh program folder; the program is started by the test, killed if still running at the end."""
    p = harness.Program(tmp_path)
    yield p
    p.kill()
