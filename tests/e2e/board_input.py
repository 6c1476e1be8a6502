"""Real mouse and keyboard input on the board, through xdotool on the virtual display."""
import csv
import subprocess
import time

import harness


def catalogue():
    """{number: (page, caption)} of the built-in clips."""
    with open(harness.ROOT / "data" / "catalogue.tsv", encoding="utf-8") as f:
        return {int(r["number"]): (int(r["page"]), r["caption"]) for r in csv.DictReader(f, delimiter="\t")}


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


class Board:
    """The running program's main window, driven by real input."""

    def __init__(self, program):
        self.p = program
        self.left, self.top = program.wait_main()["rect"][:2]
        self.refresh()

    def refresh(self):
        self.controls = self.p.controls()
        return self.controls

    def control(self, text=None, cls=None):
        for c in self.controls:
            if (text is None or c["text"] == text) and (cls is None or c["class"] == cls):
                return c
        raise AssertionError(f"no control {text!r} {cls!r}")

    def click_at(self, x, y, button=1):
        xdotool("mousemove", self.left + x, self.top + y, "click", button)

    def click(self, text, button=1, cls=None):
        x, y, w, h = self.control(text, cls)["rect"]
        self.click_at(x + w // 2, y + h // 2, button)

    def strip_item(self, page):
        """The middle of a page strip item (window coordinates): items 70 wide, 73 apart, from x = 2 of the
        label 标签1 that hosts the strip."""
        x, y, w, h = self.control("按钮组", cls="Static")["rect"]
        return x + 2 + (page - 1) * 73 + 35, y + h // 2

    def show_page(self, page):
        self.click_at(*self.strip_item(page))
        time.sleep(0.3)

    def play(self, number):
        page, caption = catalogue()[number]
        self.show_page(page)
        self.click(caption, cls="Button")

    def choose_channel(self, index):
        combo = self.control(cls="ComboBox")
        x, y, w, h = combo["rect"]
        self.click_at(x + w // 2, y + 10)
        time.sleep(0.5)
        # The dropped list opens below the box, one entry per item height.
        self.click_at(x + w // 2, y + 20 + 2 + combo["itemHeight"] * index + combo["itemHeight"] // 2)

    def set_volume(self, value):
        """Keyboard on the focused slider: Home, then Right `value` times; each step is a user move."""
        sliders = [c for c in self.controls if c["class"] == "msctls_trackbar32"]
        volume = next(s for s in sliders if s["max"] == 100)
        x, y, w, h = volume["rect"]
        thumb = x + 6 + (w - 12) * volume["pos"] // 100
        self.click_at(min(thumb, x + w - 4), y + h // 2)
        xdotool("key", "Home")
        for _ in range(value):
            xdotool("key", "Right")
        time.sleep(0.3)
