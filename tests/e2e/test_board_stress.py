"""The board under a hail of clicks: it stays responsive, plays the last clip, and leaks nothing."""
import time

import numpy as np

import harness
from audio_compare import align, mono, reference, snr_db, envelope, RATE
from board_input import Board, catalogue, xdotool


def test_fifty_clicks_within_a_second_end_with_the_last_clip(program, tmp_path):
    program.start()
    board = Board(program)
    page1 = [c for c in board.controls if c["class"] == "Button" and c["visible"]
             and c["text"] in {cap for pg, cap in catalogue().values() if pg == 1}]
    assert len(page1) >= 46
    buttons = (page1 * 2)[:50]
    args = []
    for c in buttons:
        x, y, w, h = c["rect"]
        # 10 ms after each click: the fifty reach the program within about half a second.
        args += ["mousemove", board.left + x + w // 2, board.top + y + h // 2, "click", "--delay", 10, 1]
    xdotool(*args)
    time.sleep(3.0)
    board.refresh()  # answers at once: the window is responsive
    assert program.close() == 0
    last = buttons[-1]["text"]
    ref = mono(reference(harness.DIST / "data" / "music" / (last + ".mp3"), tmp_path))
    capture = mono(program.captured())
    lag = align(capture, ref)
    assert snr_db(capture, ref, lag) > 15, "the last clicked clip plays whole"
    loud = np.flatnonzero(envelope(capture) > 0.01)
    assert loud[-1] < lag + len(ref) + RATE // 10, "nothing sounds after the last clip"


def test_ten_thousand_clicks_leak_no_handles(program):
    program.start()
    board = Board(program)
    pid = program.wait_main()["pid"]
    texts = [c["text"] for c in board.controls if c["class"] == "Button" and c["visible"]][:8] + ["停止播放"]
    program.driver("click-buttons", harness.MAIN_CAPTION, 200, *texts, timeout=300)
    before = program.driver("counts", pid)[0]
    program.driver("click-buttons", harness.MAIN_CAPTION, 10000, *texts, timeout=900)
    after = program.driver("counts", pid)[0]
    assert program.close() == 0
    for kind in ("gdi", "user", "kernel"):
        assert after[kind] <= before[kind] + 10, f"{kind} handles grew from {before[kind]} to {after[kind]}"
