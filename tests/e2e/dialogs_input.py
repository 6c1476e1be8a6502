"""Helpers for the hotkey and custom-sound tests: dialogs, tooltips, a second program with the focus."""
import subprocess
import time

import harness
from board_input import xdotool

WM_HOTKEY = 0x0312
LANGS = ["zh_CN.UTF-8", "en_US.UTF-8"]


def tooltip_at(program, x, y, rest, attempts=3):
    """Rests the pointer at screen x, y (with a hand's small moves) and returns the text of the tooltip that
    shows, or None when none shows. `rest` is a screen point over the program where no tooltip belongs; the
    pointer goes there first so that the previous tip closes."""
    for _ in range(attempts):
        xdotool("mousemove", *rest)
        time.sleep(0.4)
        for dx in (-3, -1, 0):
            xdotool("mousemove", x + dx, y + dx)
            time.sleep(0.05)
        end = time.monotonic() + 2.5
        while time.monotonic() < end:
            tips = [w for w in program.driver("windows")
                    if w["class"].lower() == "tooltips_class32" and w["caption"]]
            if tips:
                return tips[0]["caption"]
            time.sleep(0.1)
    return None


def control_tooltip(board, control):
    x, y, w, h = control["rect"]
    # The caption bar of the board carries no tooltip.
    return tooltip_at(board.p, board.left + x + w // 2, board.top + y + h // 2, (board.left + 200, board.top + 40))


def tooltips(program):
    """{control hwnd: tooltip text} as the board's tooltip control holds them."""
    return {t["tool"]: t["text"] for t in program.driver("tools", harness.MAIN_CAPTION)}


def wait_window(program, caption, timeout_ms=8000):
    return program.driver("wait", caption, timeout_ms)[0]


def no_window(program, caption, timeout_ms=8000):
    return program.driver("gone", caption, timeout_ms, check=False) is not None


def message_box(program, timeout_ms=1500):
    """The message box (or other system dialog) on screen, or None."""
    found = program.driver("dialog", timeout_ms, check=False)
    return found[0] if found else None


class OtherProgram:
    """Wine's notepad in the same prefix, holding the keyboard focus under the pointer."""

    def __init__(self, program):
        self.p = program
        self.process = subprocess.Popen(["wine", "notepad"], env=program.env(), cwd=program.root,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.window = harness.wait_until(self._find, timeout=30)
        assert self.window, "notepad did not open"
        # Away from the board, which stands in the middle of the screen.
        self.p.driver("move", self.window["caption"], 0, 0)
        self.window = self._find()

    def _find(self):
        for w in self.p.driver("windows"):
            if w["class"] == "Notepad" and w["pid"] != 0:
                return w
        return None

    def keys(self, *combos):
        """Pointer over notepad, which then has the focus, and the key combinations pressed there."""
        x, y, w, h = self.window["rect"]
        xdotool("mousemove", x + 60, y + min(h, 200) // 2 + 40, "click", 1)
        time.sleep(0.3)
        for combo in combos:
            xdotool("key", combo)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
