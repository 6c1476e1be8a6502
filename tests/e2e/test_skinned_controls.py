"""The skinned controls below the board on the real program, driven with the real pointer and read from the
X display: both sliders with their round thumb (small at rest, large under the pointer) and accent line, the
volume slider dragged while a clip plays, the channel list as a skinned drop-down list that still opens and
still switches the device, and the three labels standing straight on the skin picture."""
import subprocess
import time

import numpy as np

import harness
import screen
from audio_compare import align, mono, reference, RATE
from board_input import Board, catalogue, xdotool
from test_board_play import duration, long_clip_on

BUTTON_FACE = np.array([240, 240, 240])  # Wine's COLOR_BTNFACE


def start(program):
    xdotool("mousemove", 1270, 790)
    program.start()
    board = Board(program)
    time.sleep(1.5)  # the first paints settle
    return board


def sliders(board):
    s = [c for c in board.refresh() if c["class"] == "msctls_trackbar32"]
    return next(c for c in s if c["max"] == 100), next(c for c in s if c["max"] == 255)


def grab(board, rect, grabber):
    x, y, w, h = rect
    return grabber.grab(board.left + x, board.top + y, w, h).astype(int)


def changed_box(a, b, threshold=40):
    """(rows, columns) spanned by the pixels that differ between two grabs of one area."""
    ys, xs = np.nonzero(np.abs(a - b).max(axis=2) > threshold)
    if len(ys) == 0:
        return 0, 0, None
    return ys.max() - ys.min() + 1, xs.max() - xs.min() + 1, (ys.min(), xs.min())


def thumb_x(slider):
    x, _, w, _ = slider["rect"]
    return x + 6 + (w - 12) * slider["pos"] // slider["max"]


def test_both_sliders_show_a_round_thumb_that_grows_under_the_pointer(program):
    board = start(program)
    s = screen.Screen()
    try:
        for slider in sliders(board):
            x, y, w, h = slider["rect"]
            rest = grab(board, slider["rect"], s)
            # Painted by the skin: an accent line along the channel and the frame's light top, no system face.
            accent = (np.abs(rest[:, :, 0] - 34) < 40) & (rest[:, :, 1] > 150) & (rest[:, :, 2] > 170)
            assert accent.any(axis=0).sum() > w * 0.8, "no accent line along the channel"
            # Hovering the slider grows the thumb into an 11-unit disc; leaving it shrinks it back.
            hx = min(thumb_x(slider), x + w - 8)
            xdotool("mousemove", board.left + hx, board.top + y + 3)
            time.sleep(0.4)
            hot = grab(board, slider["rect"], s)
            xdotool("mousemove", board.left + 200, board.top + 40)
            time.sleep(0.4)
            back = grab(board, slider["rect"], s)
            rows, cols, _ = changed_box(rest, hot)
            assert 9 <= rows <= 14 and 9 <= cols <= 16, f"hover thumb spans {rows} x {cols}"
            assert np.abs(back - rest).max() <= 8, "the thumb did not shrink back when the pointer left"
            assert slider["pos"] == sliders(board)[slider["max"] == 255]["pos"], "hovering moved the slider"
    finally:
        s.close()
    assert program.close() == 0


def test_the_resting_thumb_is_a_small_dot_that_follows_the_position(program):
    board = start(program)
    volume, _ = sliders(board)
    s = screen.Screen()
    try:
        board.set_volume(50)
        xdotool("mousemove", board.left + 200, board.top + 40)
        time.sleep(0.4)
        at50 = grab(board, volume["rect"], s)
        xdotool("mousemove", board.left + thumb_x(dict(volume, pos=50)), board.top + volume["rect"][1] + 4)
        xdotool("key", "Left", "Left", "Left", "Left", "Left")  # five steps: the thumb leaves its place
        xdotool("mousemove", board.left + 200, board.top + 40)
        time.sleep(0.4)
        at45 = grab(board, volume["rect"], s)
        assert sliders(board)[0]["pos"] == 45
        # Where the thumb was and where it is now: only a dot a few units across changed besides the accent line.
        diff = np.abs(at50 - at45).max(axis=2) > 40
        columns = np.nonzero(diff.any(axis=0))[0]
        assert len(columns) > 0
        dot_rows = np.nonzero(diff[:, columns.max() - 2:columns.max() + 1].any(axis=1))[0]
        assert 2 <= dot_rows.max() - dot_rows.min() + 1 <= 6, f"resting thumb rows {dot_rows}"
    finally:
        s.close()
    assert program.close() == 0


def gain(capture, ref, lag, start, end):
    seg = capture[lag + int(start * RATE): lag + int(end * RATE)]
    r = ref[int(start * RATE): int(start * RATE) + len(seg)]
    return float(np.dot(seg, r) / np.dot(r, r))


def test_dragging_the_volume_thumb_with_the_mouse_turns_a_playing_clip_down(program, tmp_path):
    board = start(program)
    clip = long_clip_on(1, 4.0)
    length = duration(clip)
    volume, _ = sliders(board)
    x, y, w, h = volume["rect"]
    board.play(clip)
    played = time.monotonic()
    time.sleep(1.0)
    s = screen.Screen()
    try:
        # Take the thumb at 100 and drag it two thirds of the way down, slowly like a hand.
        grab_x = thumb_x(volume) - 2
        xdotool("mousemove", board.left + grab_x, board.top + y + h // 2)
        time.sleep(0.2)
        before_drag = grab(board, volume["rect"], s)
        xdotool("mousedown", 1)
        for step in range(1, 11):
            xdotool("mousemove", board.left + grab_x - step * 16, board.top + y + h // 2)
            time.sleep(0.03)
        xdotool("mouseup", 1)
        dragged = time.monotonic() - played
        time.sleep(0.3)
        under_pointer = grab(board, volume["rect"], s)
    finally:
        s.close()
    pos = sliders(board)[0]["pos"]
    assert 20 <= pos <= 50, f"the drag left the slider at {pos}"
    # The pointer still rests on the slider: the large thumb shows where it stopped.
    rows, cols, corner = changed_box(before_drag, under_pointer)
    assert rows >= 9, "no large thumb under the pointer"
    program.wait_heard(length + 0.3)
    assert program.close() == 0
    assert program.ini("xnKxConfig.ini")["music"]["volume"] == str(pos)

    capture = mono(program.captured())
    ref = mono(reference(harness.DIST / "data" / "music" / (catalogue()[clip][1] + ".mp3"), tmp_path))
    lag = align(capture, ref[:RATE])
    first = gain(capture, ref, lag, 0.3, 0.9)
    assert abs(first - 1.0) < 0.05, f"the clip started at {first:.2f}, not at full volume"
    # The clip's last second, well after the drag: on a busy machine the last moves reach the program late.
    later = gain(capture, ref, lag, max(dragged + 0.4, length - 1.1), length - 0.1)
    assert abs(later - pos / 100) < 0.04, f"after the drag the clip plays at {later:.2f}, the slider says {pos}"


def dark(area, level=90):
    return area.max(axis=2) < level


def test_the_channel_list_is_skinned_opens_readably_and_still_switches_the_device(tmp_path):
    p = harness.Program(tmp_path, devices=["dev2"])
    try:
        board = start(p)
        combo = board.control(cls="ComboBox")
        x, y, w, h = combo["rect"]
        s = screen.Screen()
        try:
            box = grab(board, combo["rect"], s)
            # The drop button: a 17-unit rounded button at the right with the black down arrow in its middle.
            arrow = box[h // 2 - 2:h // 2 + 3, w - 19 + 5:w - 19 + 12]
            assert dark(arrow, 60).sum() >= 10, "no down arrow on the drop button"
            # The current entry in dark text at the left, on the skin rather than on the system's white field.
            text = box[3:h - 3, 2:w - 24]
            assert dark(text).sum() > 30, "no current text"
            assert (np.abs(text - 255).max(axis=2) < 6).mean() < 0.5, "a white system field behind the text"
            # Under the pointer the border and the drop button take the accent colour.
            xdotool("mousemove", board.left + x + w // 3, board.top + y + h // 2)
            accent_now = lambda a: ((a[:, :, 1] > a[:, :, 0] + 60) & (a[:, :, 2] > a[:, :, 0] + 60)).sum()
            # A loaded machine can take a while to deliver the move and repaint.
            assert harness.wait_until(
                lambda: accent_now(grab(board, combo["rect"], s)[:, :1]) > accent_now(box[:, :1]) + h // 2, 5), \
                "no hover border"
            # Opening it: the list drops below the box, its entries in dark text on a light ground.
            board.click_at(x + w // 2, y + h // 2)
            time.sleep(0.8)
            first = s.grab(board.left + x, board.top + y + h, w, combo["itemHeight"] + 2).astype(int)
            screen.screenshot(tmp_path / "dropped.png")
            assert dark(first, 120).sum() > 20, "the dropped list shows no entries"
            assert (first.min(axis=2) > 200).mean() > 0.4, "the dropped list has no light ground"
            board.click_at(x + w // 2, y + h + 2 + combo["itemHeight"] * 2 + combo["itemHeight"] // 2)
            d = p.driver("dialog", 15000)[0]
            message = "".join(c["text"] for c in d["controls"] if c["class"] == "Static")
            p.driver("press", d["title"], "#1")
            assert message == "设备Out: dev2初始化成功！"
            time.sleep(0.8)
            board.refresh()
            assert board.control(cls="ComboBox")["sel"] == 2
            after = grab(board, combo["rect"], s)
            assert dark(after[h // 2 - 2:h // 2 + 3, w - 19 + 5:w - 19 + 12], 60).sum() >= 10, "the skin went"
            assert np.abs(after[3:h - 3, 2:w - 24] - text).max() > 60, "the new entry is not shown"
        finally:
            s.close()
        assert p.ini("xnKxConfig.ini")["music"]["passage"] == "2"
        assert p.close() == 0
    finally:
        p.kill()


def test_the_three_labels_stand_straight_on_the_skin(program, tmp_path):
    board = start(program)
    shot = screen.screenshot(tmp_path / "labels.png").astype(int)
    for name in ("透明皮肤选择：", "输出通道选择：", "输出音量大小："):
        x, y, w, h = board.control(name, cls="Static")["rect"]
        x0, y0 = board.left + x, board.top + y
        area = shot[y0:y0 + h, x0:x0 + w]
        # Text: dark strokes inside the label.
        assert dark(area, 110).sum() > 40, f"{name}: no text"
        # Around the text the skin continues: each column blends from the picture just above the label to the
        # picture just below it, and nothing of the button face shows.
        above, below = shot[y0 - 2, x0:x0 + w], shot[y0 + h + 1, x0:x0 + w]
        t = (np.arange(h) + 2) / (h + 3)
        expected = above[None, :, :] * (1 - t)[:, None, None] + below[None, :, :] * t[:, None, None]
        ground = area.min(axis=2) > 140  # not text nor its smoothed edge
        close = np.abs(area - expected).max(axis=2) < 40
        assert (close & ground).sum() >= 0.9 * ground.sum(), f"{name}: the ground is not the skin around it"
        face = np.abs(area - BUTTON_FACE).max(axis=2) <= 6
        sky = np.abs(expected - BUTTON_FACE).max(axis=2) > 20
        assert (face & sky).sum() <= 3, f"{name}: button-face pixels where the skin should show"
    assert program.close() == 0
