"""The skinned main window on the real program, looked at on the X display and driven with the real
pointer: no system frame, a rounded region, the skin picture, title and icon, the caption strip with its
tooltips and fading highlight, closing, minimising and moving by the caption band."""
import subprocess
import time

import numpy as np
import pytest

import harness
import screen

C = harness.MAIN_CAPTION
W, H = 472, 658
WS_CAPTION, WS_THICKFRAME, WS_SYSMENU, WS_MINIMIZE = 0xC00000, 0x40000, 0x80000, 0x20000000
# Caption buttons of the main window (window coordinates): "换皮肤", minimise, close; strip x = 378.
SKIN_BUTTON = (393, 10)
MIN_BUTTON = (420, 10)
CLOSE_BUTTON = (453, 10)
ICON = (9, 5, 17, 17)
TITLE = (29, 8, 330, 16)


def pointer(x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)


def start(p):
    pointer(1270, 790)
    p.start()
    info = p.wait_main()
    return info["rect"][0], info["rect"][1]


def at(origin, point):
    return origin[0] + point[0], origin[1] + point[1]


def test_frameless_rounded_window_shows_the_skin_title_and_caption_strip(program, tmp_path):
    origin = start(program)
    info = program.wait_main()
    assert info["rect"][2:] == [W, H]
    assert not info["style"] & (WS_CAPTION | WS_THICKFRAME), "the system frame is still there"
    assert info["style"] & WS_SYSMENU
    painted = harness.wait_until(lambda: _painted(tmp_path / "skinned.png", origin), 10)
    assert painted, "the skin never appeared"
    shot = painted[0]
    x0, y0 = origin
    # Rounded: just outside the corner lies the (black) root window, a little inside the picture.
    assert shot[y0, x0].tolist() == [0, 0, 0]
    assert shot[y0, x0 + W - 1].tolist() == [0, 0, 0]
    assert shot[y0 + 30, x0 + 30].sum() > 150
    # The default skin: a blue sky with clouds (not one flat colour) behind the caption band and around the board.
    mean, spread = screen.region_stats(shot, x0 + 10, y0 + 30, 300, 40)
    assert mean[2] > mean[0] + 40, f"not a blue sky: {mean}"
    assert spread > 3, "a flat colour, not the picture"
    # Title: white strokes in the title box; the icon's teal at the top left.
    title = shot[y0 + TITLE[1]:y0 + TITLE[1] + TITLE[3], x0 + TITLE[0]:x0 + TITLE[0] + TITLE[2]]
    assert (title.min(axis=2) > 235).sum() > 150, "no title text"
    icon = shot[y0 + ICON[1]:y0 + ICON[1] + ICON[3], x0 + ICON[0]:x0 + ICON[0] + ICON[2]].astype(int)
    assert ((abs(icon[..., 0] - 0x22) < 30) & (abs(icon[..., 1] - 0xCA) < 30) & (abs(icon[..., 2] - 0xDD) < 30)).sum() > 50
    # Each caption button shows its white glyph.
    for bx in (380, 407, 434):
        cell = shot[y0 + 2:y0 + 19, x0 + bx:x0 + bx + 26]
        assert (cell.min(axis=2) > 220).sum() > 8, f"no glyph at x={bx}"
    tips = {t["text"] for t in program.driver("tools", C)}
    assert {"换皮肤", "最小化", "关闭"} <= tips
    assert program.close() == 0


def _painted(path, origin):
    shot = screen.screenshot(path)
    x0, y0 = origin
    return (shot,) if shot[y0 + 40, x0 + 100][2] > 100 else None


def _redness(area):
    r, g, b = (int(v) for v in area[0, 0])
    return r - (g + b) // 2


def test_hovering_a_caption_button_fades_its_highlight_in_and_out(program):
    origin = start(program)
    time.sleep(1)
    s = screen.Screen()
    try:
        # A pixel of the close cell that the glyph does not cover: it turns red under the mouse.
        px, py = at(origin, (437, 3))
        rest = s.grab(px, py, 1, 1)
        pointer(*at(origin, CLOSE_BUTTON))
        rising = s.watch(px, py, 1, 1, 0.8)
        reds = [_redness(a) for _, a in rising]
        assert len(reds) >= 5, f"no fade, only {reds}"
        assert reds[-1] > _redness(rest) + 60, "the highlight never reached its full look"
        assert all(b >= a - 2 for a, b in zip(reds, reds[1:])), f"the fade-in is not monotonic: {reds}"
        assert 0.08 < rising[-1][0] < 0.6, "eight 20 ms steps take about 160 ms"
        pointer(*at(origin, (200, 60)))
        falling = s.watch(px, py, 1, 1, 0.8)
        assert len(falling) >= 4, "no fade-out"
        assert np.abs(falling[-1][1].astype(int) - rest.astype(int)).max() <= 3, "the button did not come back"

        # From one button straight to the next: the first fades out while the second fades in.
        pointer(*at(origin, MIN_BUTTON))
        time.sleep(0.5)
        mx, _ = at(origin, (410, 3))
        pointer(*at(origin, CLOSE_BUTTON))
        both = s.watch(mx, py, px - mx + 1, 1, 0.6)
        left = [a[0, 0].tolist() for _, a in both]
        right = [a[0, -1].tolist() for _, a in both]
        left_changes = [t for (t, _), a, b in zip(both[1:], left, left[1:]) if a != b]
        right_changes = [t for (t, _), a, b in zip(both[1:], right, right[1:]) if a != b]
        assert left_changes and right_changes
        assert right_changes[0] < left_changes[-1], "the two fades ran one after the other"
    finally:
        s.close()
    assert program.close() == 0


def test_close_and_minimise_buttons(tmp_path):
    p = harness.Program(tmp_path)
    try:
        origin = start(p)
        time.sleep(0.5)
        pointer(*at(origin, MIN_BUTTON))
        time.sleep(0.3)
        subprocess.run(["xdotool", "click", "1"], check=True)
        assert harness.wait_until(lambda: p.wait_main()["style"] & WS_MINIMIZE, 5), "not minimised"
        p.kill()

        p2 = harness.Program(tmp_path / "second")
        origin = start(p2)
        time.sleep(0.5)
        pointer(*at(origin, CLOSE_BUTTON))
        time.sleep(0.3)
        subprocess.run(["xdotool", "click", "1"], check=True)
        assert p2.wait_exit(30) == 0
    finally:
        p.kill()


def _drag(start_point, dx, dy):
    pointer(*start_point)
    time.sleep(0.3)
    subprocess.run(["xdotool", "mousedown", "1"], check=True)
    time.sleep(0.2)
    for i in range(1, 6):
        pointer(start_point[0] + dx * i // 5, start_point[1] + dy * i // 5)
        time.sleep(0.05)
    time.sleep(0.2)
    subprocess.run(["xdotool", "mouseup", "1"], check=True)
    time.sleep(0.5)


def test_the_caption_band_moves_the_window_and_the_strip_never_does(program):
    origin = start(program)
    time.sleep(0.5)
    _drag(at(origin, (200, 12)), 60, 40)
    moved = harness.wait_until(lambda: program.wait_main()["rect"][:2] == [origin[0] + 60, origin[1] + 40], 5)
    assert moved, f"the window did not follow the caption band: {program.wait_main()['rect']}"
    origin = (origin[0] + 60, origin[1] + 40)
    # Pressed on the minimise button, dragged away and released: no move, and no minimise either.
    _drag(at(origin, MIN_BUTTON), 80, 60)
    info = program.wait_main()
    assert info["rect"][:2] == list(origin)
    assert not info["style"] & WS_MINIMIZE
    # Below the caption band nothing moves the window.
    _drag(at(origin, (200, 45)), 50, 50)
    assert program.wait_main()["rect"][:2] == list(origin)
    assert program.close() == 0
