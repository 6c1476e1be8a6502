"""Skin choice with real pointer input through the shirt caption button and its menu: the five built-in
skins and a picture of the user's own, the check marks, ski.ini and skin.ini, the panel opacity slider, and
what survives a restart; custom pictures a host may pick in a hurry (broken, huge, not a picture at all)."""
import struct
import time
import zlib
from pathlib import Path

import numpy as np
import pytest

import harness
import screen
from board_input import Board, xdotool
from dialogs_input import wait_window

SHIRT = (393, 10)
ENTRIES = ["系统默认", "蓝天白云", "绚彩紫色", "悠然百合", "琴随心声", "自定义皮肤"]
CODES = ["0", "2", "3", "4", "6"]
SKY = (10, 30, 300, 40)  # a band of the window where only the skin picture shows
PANEL = (30, 440, 60, 6)  # a strip of the board panel between the last button row and its edge


def start(p):
    xdotool("mousemove", 1270, 790)
    p.start()
    board = Board(p)
    time.sleep(0.8)
    return board


def skin_setting(p):
    return ((p.ini("ski.ini") or {}).get("皮肤选项") or {}).get("当前皮肤")


def area(board, box):
    s = screen.Screen()
    try:
        x, y, w, h = box
        return s.grab(board.left + x, board.top + y, w, h).reshape(-1, 3).astype(float).mean(axis=0)
    finally:
        s.close()


def open_menu(board):
    board.click_at(*SHIRT)
    menus = harness.wait_until(
        lambda: [w for w in board.p.driver("windows") if w["class"] == "#32768" and w["visible"]], 5)
    assert menus, "the skin menu did not open"
    # The pointer leaves the shirt, so that its tooltip (Wine shows it again after the click) is gone.
    xdotool("mousemove", board.left + 200, board.top + 300)
    time.sleep(0.6)
    return menus[0]["rect"]


def menu_checks(rect):
    """Which of the six entries show a check mark: dark pixels in the mark column of each entry's row."""
    x, y, w, h = rect
    s = screen.Screen()
    try:
        image = s.grab(x, y, w, h).astype(int)
    finally:
        s.close()
    rows = np.array_split(image[3:h - 3, 2:18], 6)
    return [int(((row.sum(axis=2)) < 250).sum()) > 6 for row in rows]


def choose(rect, entry):
    x, y, w, h = rect
    row = (h - 6) / 6
    xdotool("mousemove", x + w // 2, int(y + 3 + row * entry + row / 2))
    time.sleep(0.2)
    xdotool("click", "1")
    time.sleep(1.0)


def close_menu():
    xdotool("key", "Escape")
    time.sleep(0.3)


def test_builtin_skins_apply_check_and_persist(program):
    board = start(program)
    assert skin_setting(program) == "0"
    rect = open_menu(board)
    assert menu_checks(rect) == [True, False, False, False, False, False]
    close_menu()
    looks = {"0": area(board, SKY)}
    for entry in range(1, 5):
        choose(open_menu(board), entry)
        assert harness.wait_until(lambda: skin_setting(program) == CODES[entry], 5), \
            f"{ENTRIES[entry]} wrote {skin_setting(program)}"
        new_look = lambda: all(np.abs(area(board, SKY) - looks[c]).max() > 4 for c in looks)
        assert harness.wait_until(new_look, 5), f"{ENTRIES[entry]} looks like another skin"
        looks[CODES[entry]] = area(board, SKY)
        rect = open_menu(board)
        assert menu_checks(rect) == [i == entry for i in range(6)]
        close_menu()
    assert program.close() == 0
    # The last choice ("琴随心声", code "6", not "5") is back after a restart.
    board = start(program)
    assert skin_setting(program) == "6"
    assert harness.wait_until(lambda: np.abs(area(board, SKY) - looks["6"]).max() < 6, 5)
    assert menu_checks(open_menu(board)) == [False, False, False, False, True, False]
    close_menu()
    assert program.close() == 0


def test_a_picture_of_ones_own_applies_and_is_remembered(program, tmp_path):
    picture = tmp_path / "我的 皮肤.png"
    _png(picture, 200, 120, lambda x, y: (200, 60 + x // 2, 40))
    board = start(program)
    before = area(board, SKY)
    choose(open_menu(board), 5)
    dialog = wait_window(program, "打开")
    program.driver("settext", "打开", "#1148", "Z:" + str(picture).replace("/", "\\"), check=False) or \
        program.driver("settext", "打开", "#1152", "Z:" + str(picture).replace("/", "\\"))
    program.driver("press", "打开", "#1")
    assert harness.wait_until(lambda: skin_setting(program) not in ("0", None), 5)
    assert skin_setting(program).endswith("我的 皮肤.png")
    applied = lambda t: t[0] > t[2] + 40 and np.abs(t - before).max() > 30
    assert harness.wait_until(lambda: applied(area(board, SKY)), 5), "the picture was not applied"
    after = area(board, SKY)
    assert menu_checks(open_menu(board)) == [False] * 5 + [True]
    close_menu()
    assert program.close() == 0
    board = start(program)
    assert harness.wait_until(lambda: np.abs(area(board, SKY) - after).max() < 8, 5)
    assert program.close() == 0
    del dialog


@pytest.mark.parametrize("value", ["5", "1"])
def test_codes_of_no_skin_keep_the_default_picture_unchecked(program, value):
    program.write_ini("ski.ini", {"皮肤选项": {"当前皮肤": value}})
    board = start(program)
    assert area(board, SKY)[2] > area(board, SKY)[0] + 40, "not the default sky"
    assert menu_checks(open_menu(board)) == [False] * 6
    close_menu()
    assert skin_setting(program) == value
    assert program.close() == 0


def test_the_opacity_slider_tints_the_panel_and_is_restored_without_moving_it(program):
    board = start(program)
    slider = next(c for c in board.controls if c["class"] == "msctls_trackbar32" and c["max"] == 255)
    x, y, w, h = slider["rect"]
    board.click_at(x + w // 2, y + h // 2)
    opaque = lambda t: np.abs(t - 240).max() < 20
    clear = lambda t: t[2] > t[0] + 30
    for key, expected, look in (("Home", "0", clear), ("End", "255", opaque), ("Home", "0", clear)):
        xdotool("key", key)
        assert harness.wait_until(lambda: (program.ini("skin.ini") or {}).get("背景色", {}).get("透明度") == expected, 5)
        # The panel repaints once the message queue gets to it: wait for the look, not for a fixed time.
        assert harness.wait_until(lambda: look(area(board, PANEL)), 5), f"at {expected}: {area(board, PANEL)}"
    untinted = area(board, PANEL)
    assert program.close() == 0
    # After a restart the slider shows 0 while the panel keeps its start-up tint (alpha 100).
    board = start(program)
    slider = next(c for c in board.refresh() if c["class"] == "msctls_trackbar32" and c["max"] == 255)
    assert slider["pos"] == 0
    assert area(board, PANEL)[0] > untinted[0] + 25, "the panel lost its start-up tint"
    assert program.close() == 0


def _png(path, w, h, colour):
    raw = b"".join(b"\x00" + b"".join(bytes(colour(x, y)) for x in range(w)) for y in range(h))
    chunk = lambda tag, data: struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
                           chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def _huge_png(path, side):
    """A side x side black PNG: small on disk, 400 MB once decoded."""
    row = b"\x00" + bytes(side * 3)
    compressor = zlib.compressobj(9)
    data = b"".join(compressor.compress(row) for _ in range(side)) + compressor.flush()
    chunk = lambda tag, d: struct.pack(">I", len(d)) + tag + d + struct.pack(">I", zlib.crc32(tag + d))
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)) +
                           chunk(b"IDAT", data) + chunk(b"IEND", b""))


def test_pictures_a_host_might_pick_in_a_hurry(tmp_path):
    """Every case: the window shows something sensible, nothing crashes, the path stays stored."""
    jpeg = (harness.ROOT / "data" / "skins" / "skin2.jpg").read_bytes()
    cases = {
        "missing.jpg": None,
        "empty.jpg": b"",
        "random.jpg": bytes((i * 7919 + 13) % 251 for i in range(20000)),
        "truncated.jpg": jpeg[: len(jpeg) // 3],
        "one.png": "1x1",
        "huge.png": "huge",
        "folder": "dir",
    }
    for name, content in cases.items():
        p = harness.Program(tmp_path / name.replace(".", "_"))
        path = p.root / name
        if content == "1x1":
            _png(path, 1, 1, lambda x, y: (250, 120, 20))
        elif content == "huge":
            _huge_png(path, 10000)
        elif content == "dir":
            path.mkdir()
        elif content is not None:
            path.write_bytes(content)
        stored = "Z:" + str(path).replace("/", "\\")
        p.write_ini("ski.ini", {"皮肤选项": {"当前皮肤": stored}})
        try:
            board = start(p)
            look = area(board, SKY)
            assert look.max() > 60, f"{name}: a black window"
            assert p.wait_main()["caption"] == harness.MAIN_CAPTION
            assert skin_setting(p) == stored
            if content is None:
                assert menu_checks(open_menu(board)) == [False] * 5 + [True], "自定义皮肤 not checked"
                close_menu()
            if content == "1x1":
                assert look[0] > look[2] + 60, f"{name}: the 1 x 1 picture's colour does not show"
            assert p.close() == 0, name
        finally:
            p.kill()
