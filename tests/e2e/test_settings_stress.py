"""Settings files under stress: the program killed in the middle of writes, and other writers of the same file
at the same time as the program. Nothing is left behind and no key is lost."""
import json
import os
import random
import subprocess
import time

import harness
from board_input import Board, xdotool

WRITER = os.environ.get("SB_SETTINGS_WRITER", str(harness.BUILD / "tests" / "settings_writer.exe"))
MAIN = "xnKxConfig.ini"
# A process id no process has (Windows ids are multiples of four).
DEAD_PID = 4294967291


def seeded_settings(padding_lines=0):
    """Settings a user of some standing has: custom sounds, hotkeys, and optionally comment lines of another tool."""
    music = {"passage": "1", "volume": "50"}
    for n in range(1, 31):
        music[f"file{n}"] = f"C:\\音效\\自定义 {n}.mp3"
        music[f"name{n}"] = f"音效{n}"
    hotkey = {f"btn{n}": f"{65 + n % 26},{n % 8}" for n in range(1, 26)}
    sections = {"init": {"writeFile": "1"}, "music": music, "hotkey": hotkey}
    for n in range(padding_lines):
        sections.setdefault("注释", {})[f"; padding line {n} of a tool that keeps notes here"] = "x" * 40
    return sections


def temporaries(folder):
    return sorted(p.name for p in folder.iterdir() if p.name.endswith(".tmp"))


def slider_centre(board):
    x, y, w, h = next(c for c in board.controls if c["class"] == "msctls_trackbar32" and c["max"] == 100)["rect"]
    return board.left + x + w // 2, board.top + y + h // 2


def wiggle_volume(board, presses):
    """A real click on the volume slider, then key presses that move it (each one a write), in the background."""
    x, y = slider_centre(board)
    xdotool("mousemove", x, y, "click", 1)
    return subprocess.Popen(["xdotool", "key", "--delay", "4", *(["Right", "Left"] * (presses // 2))])


def intact(program, seed):
    """Every seeded key reads back as seeded; the volume is one the slider could have had."""
    now = program.ini(MAIN)
    assert now is not None, "the settings file is gone"
    for section, keys in seed.items():
        for key, value in keys.items():
            if (section, key) == ("music", "volume"):
                assert 0 <= int(now[section][key]) <= 100
            else:
                assert now[section][key] == value, (section, key)


def test_kills_in_the_middle_of_writes_leave_no_file_behind_and_every_key_intact(program):
    seed = seeded_settings(padding_lines=3000)  # about 300 KB: each write takes a while
    program.write_ini(MAIN, seed)
    rng = random.Random(13)
    littered = 0
    for _ in range(15):
        program.start()
        board = Board(program)
        keys = wiggle_volume(board, 400)
        time.sleep(rng.uniform(0.3, 1.2))
        program.kill()
        keys.kill()
        keys.wait()
        littered += bool(temporaries(program.dir))
        intact(program, seed)
    # Litter of a copy long gone, and of one that is running and may still be writing.
    (program.dir / f"{MAIN}.{DEAD_PID}.tmp").write_bytes(b"half a file")
    other = subprocess.Popen(["wine", str(program.exe)], env=program.env(), cwd=program.root,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        other_pid = program.wait_main()["pid"]
        running = f"{MAIN}.{other_pid}.tmp"
        (program.dir / running).write_bytes(b"being written")
        program.start()
        mains = lambda: {w["pid"] for w in program.driver("windows") if w["caption"] == harness.MAIN_CAPTION}
        assert harness.wait_until(lambda: len(mains()) == 2, timeout=30), "the second copy shows its window"
        assert temporaries(program.dir) == [running], f"{littered} of 15 kills left a file, all removed but the live one"
        intact(program, seed)
    finally:
        other.kill()
        other.wait()
    program.kill()


def test_two_writers_and_the_program_share_one_file_and_lose_nothing(program):
    seed = seeded_settings()
    program.write_ini(MAIN, seed)
    program.start()
    board = Board(program)
    out = {}
    writers = []
    for name, section, prefix, count in (("a", "hotkey", "btn", 25), ("b", "sbtest", "key", 30)):
        out[name] = program.root / f"writer-{name}.out"
        with open(out[name], "wb") as f:
            writers.append(subprocess.Popen(["wine", WRITER, str(program.dir / MAIN), section, prefix, str(count),
                                             "5000"], env=program.env(), stdout=f, stderr=subprocess.DEVNULL,
                                            stdin=subprocess.DEVNULL))
    time.sleep(1.0)
    keys = wiggle_volume(board, 300)
    keys.wait()
    for w in writers:
        assert w.wait(timeout=120) == 0
    time.sleep(0.5)
    volume = next(c for c in board.refresh() if c["class"] == "msctls_trackbar32" and c["max"] == 100)["pos"]
    assert program.close() == 0
    reports = {name: json.loads(path.read_text().strip().splitlines()[-1]) for name, path in out.items()}
    # Both wrote for the whole five seconds, beside each other and the program.
    assert all(r["rounds"] >= 2 and r["failed"] == 0 for r in reports.values()), reports
    now = program.ini(MAIN)
    assert now["hotkey"] == {f"btn{n}": f"f{n}" for n in range(1, 26)}
    assert now["sbtest"] == {f"key{n}": f"f{n}" for n in range(1, 31)}
    assert now["music"]["volume"] == str(volume)
    for key, value in seed["music"].items():
        if key != "volume":
            assert now["music"][key] == value, key
    assert temporaries(program.dir) == []
