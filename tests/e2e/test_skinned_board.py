"""The skinned board on the real program with real pointer input: the page strip switches the pages, the
buttons show their hover and pressed looks, and a double click sounds its clip once."""
import subprocess
import time

import numpy as np

import harness
import screen
from audio_compare import mono, snr_db, align, RATE
from board_input import Board, catalogue, xdotool
from test_board_play import clip_reference, long_clip_on, starts_of


def visible_page(board):
    """The set of pages (1-6) whose buttons are visible; page 6 holds the custom buttons."""
    pages = {caption: page for page, caption in catalogue().values()}
    shown = set()
    for c in board.refresh():
        if c["class"] != "Button" or not c["visible"]:
            continue
        if c["text"] in pages:
            shown.add(pages[c["text"]])
        elif c["text"] == "自定义":
            shown.add(6)
    return shown


def test_the_page_strip_shows_one_page_at_a_time(program, tmp_path):
    program.start()
    board = Board(program)
    time.sleep(0.5)
    assert visible_page(board) == {1}, "the first page is selected at start"
    for page in (2, 3, 4, 5, 6, 1, 6):
        board.show_page(page)
        assert visible_page(board) == {page}
    # The selected item pressed again, and a press in the gap between two items: the page stays.
    board.show_page(6)
    assert visible_page(board) == {6}
    x, y = board.strip_item(3)
    board.click_at(x - 35 - 2, y)
    time.sleep(0.3)
    assert visible_page(board) == {6}
    # No system tab headers: the strip stands on the skin picture.
    xdotool("mousemove", 0, 0)
    time.sleep(0.3)
    shot = screen.screenshot(tmp_path / "strip.png")
    label = board.control("按钮组", cls="Static")["rect"]
    mean, _ = screen.region_stats(shot, board.left + label[0], board.top + label[1] + 18, 440, 20)
    assert mean[2] > mean[0] + 15, f"not the skin behind the strip: {mean}"
    assert program.close() == 0


def _pixel(s, board, control, dx, dy):
    x, y, w, h = control["rect"]
    return s.grab(board.left + x + dx, board.top + y + dy, 1, 1)[0, 0].astype(int)


def _tint(p):
    """How far a pixel leans to the accent (34, 202, 221) rather than neutral."""
    return int(p[1]) + int(p[2]) - 2 * int(p[0])


def test_buttons_show_hover_and_pressed_looks(program):
    program.start()
    board = Board(program)
    xdotool("mousemove", 0, 0)
    time.sleep(0.8)
    first, second = board.control("大家好", cls="Button"), board.control("闪亮登场", cls="Button")
    s = screen.Screen()
    try:
        probe = (4, first["rect"][3] // 2)
        rest1, rest2 = _pixel(s, board, first, *probe), _pixel(s, board, second, *probe)
        board_xy = lambda c: (board.left + c["rect"][0] + c["rect"][2] // 2, board.top + c["rect"][1] + c["rect"][3] // 2)
        xdotool("mousemove", *board_xy(first))
        assert harness.wait_until(lambda: _tint(_pixel(s, board, first, *probe)) > _tint(rest1) + 15, 3), \
            "no hover look"
        # Straight onto the next button: the first goes back to plain, the second lights up.
        xdotool("mousemove", *board_xy(second))
        assert harness.wait_until(lambda: np.abs(_pixel(s, board, first, *probe) - rest1).max() <= 3, 3)
        assert harness.wait_until(lambda: _tint(_pixel(s, board, second, *probe)) > _tint(rest2) + 15, 3)
        # The lower part of the body: a faint accent when hot, a light inner fill when pressed.
        low = (6, second["rect"][3] - 5)
        hot2 = _pixel(s, board, second, *low)
        xdotool("mousedown", 1)
        pressed = harness.wait_until(lambda: np.abs(_pixel(s, board, second, *low) - hot2).max() > 8, 3)
        xdotool("mouseup", 1)
        assert pressed, "no pressed look"
    finally:
        s.close()
    assert program.close() == 0


def test_a_double_click_sounds_its_clip_once(program, tmp_path):
    program.start()
    board = Board(program)
    clip = long_clip_on(1, 3.0)
    x, y, w, h = board.control(catalogue()[clip][1], cls="Button")["rect"]
    xdotool("mousemove", board.left + x + w // 2, board.top + y + h // 2)
    time.sleep(0.3)
    xdotool("click", "--repeat", "2", "--delay", "120", "1")
    time.sleep(3.0)
    assert program.close() == 0
    capture = mono(program.captured())
    head = clip_reference(clip, tmp_path)[: int(0.8 * RATE)]
    (start,) = starts_of(capture, head, 1)
    rest = capture.copy()
    rest[max(start, 0): start + len(head)] = 0
    lag = align(rest, head)
    assert snr_db(capture, head, lag) < 5, "the clip started twice"
