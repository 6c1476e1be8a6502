"""The output channel list and the volume slider: what they show, where the sound goes, what is remembered."""
import time

import numpy as np
import pytest

import harness
from audio_compare import align, mono, reference, snr_db, RATE
from board_input import Board, catalogue
from test_board_play import long_clip_on


def combo(board):
    return board.refresh() and board.control(cls="ComboBox")


def volume_slider(board):
    return next(c for c in board.refresh() if c["class"] == "msctls_trackbar32" and c["max"] == 100)


def choose(board, index):
    """Chooses an entry of the channel list; returns the title and text of the message that answers, closed with OK."""
    board.choose_channel(index)
    d = board.p.driver("dialog", 15000)[0]
    text = "".join(c["text"] for c in d["controls"] if c["class"] == "Static")
    board.p.driver("press", d["title"], "#1")
    time.sleep(0.5)
    return d["title"], text


def test_volume_30_plays_at_three_tenths_and_is_restored(program, tmp_path):
    program.start()
    board = Board(program)
    clip = long_clip_on(1, 3.0)
    board.play(clip)
    time.sleep(1.5)
    board.set_volume(30)
    board.play(clip)  # played again at the slider's new position
    time.sleep(2.0)
    assert program.close() == 0
    assert program.ini("xnKxConfig.ini")["music"]["volume"] == "30"
    capture = mono(program.captured())
    ref = mono(reference(harness.DIST / "data" / "music" / (catalogue()[clip][1] + ".mp3"), tmp_path))
    head = ref[: RATE]
    first = align(capture, head)
    later = capture.copy()
    later[: first + RATE] = 0
    second = align(later, head * 0.3)
    assert second > first + RATE
    seg = capture[second: second + RATE]
    gain = float(np.dot(seg, head[: len(seg)]) / np.dot(head[: len(seg)], head[: len(seg)]))
    assert gain == pytest.approx(0.3, abs=0.02)
    assert snr_db(capture, head * 0.3, second) > 15

    program.start()
    assert volume_slider(Board(program))["pos"] == 30
    assert program.close() == 0


@pytest.mark.parametrize("saved, shown", [("250", 100), ("abc", 0), ("-5", 0), ("", 0), ("7" * 10000, 100)])
def test_saved_volume_is_shown_within_the_slider_range(program, saved, shown):
    program.write_ini("xnKxConfig.ini", {"music": {"volume": saved}})
    program.start()
    assert volume_slider(Board(program))["pos"] == shown
    assert program.close() == 0
    assert program.ini("xnKxConfig.ini")["music"]["volume"] == saved  # nothing is written back


def test_three_devices_are_listed_and_the_chosen_one_gets_the_sound(tmp_path):
    p = harness.Program(tmp_path, devices=["dev2", "dev3"])
    try:
        p.start()
        board = Board(p)
        box = combo(board)
        assert box["items"] == ["不输出音效", "Out: default", "Out: dev2", "Out: dev3"]
        assert box["sel"] == 1
        assert choose(board, 2) == ("信息：", "设备Out: dev2初始化成功！")
        assert p.ini("xnKxConfig.ini")["music"]["passage"] == "2"
        clip = long_clip_on(1, 2.0)
        board.play(clip)
        time.sleep(2.0)
        assert p.close() == 0
        ref = mono(reference(harness.DIST / "data" / "music" / (catalogue()[clip][1] + ".mp3"), tmp_path))
        heard = mono(p.captured("dev2"))
        assert snr_db(heard, ref[:RATE], align(heard, ref[:RATE])) > 15
        for other in (mono(p.captured()), mono(p.captured("dev3"))):
            assert len(other) == 0 or np.max(np.abs(other)) < 1e-3, "the clip reached another device"

        p.start()
        assert combo(Board(p))["sel"] == 2
        assert p.close() == 0
    finally:
        p.kill()


def test_without_devices_the_fixed_list_shows_and_a_failing_device_is_reported(tmp_path):
    p = harness.Program(tmp_path, no_audio=True)
    try:
        p.write_ini("xnKxConfig.ini", {"music": {"passage": "1"}})
        p.start()
        board = Board(p)
        box = combo(board)
        assert box["items"] == ["不输出音效", "系统音源", "4/5", "6/7", "8/9"]
        assert box["sel"] == 1
        assert choose(board, 3) == ("失败", "设备初始化失败！")
        assert p.ini("xnKxConfig.ini")["music"]["passage"] == "1"
        # "不输出音效" always works, is stored, and comes back as position 1 at the next start.
        assert choose(board, 0) == ("信息：", "设备不输出音效初始化成功！")
        assert p.ini("xnKxConfig.ini")["music"]["passage"] == "0"
        assert p.close() == 0
        p.start()
        assert combo(Board(p))["sel"] == 1
        assert p.close() == 0
    finally:
        p.kill()


@pytest.mark.parametrize("saved, selected", [
    ("3", 3), ("4", 3),  # the count of entries selects the last one
    ("5", 1), ("99999", 1), ("0", 1), ("abc", 1), ("-5", 1), ("", 1), ("7" * 10000, 1),
])
def test_saved_channel_selects_its_entry_or_the_first_device(tmp_path, saved, selected):
    p = harness.Program(tmp_path, devices=["dev2", "dev3"])
    try:
        p.write_ini("xnKxConfig.ini", {"music": {"passage": saved}})
        p.start()
        assert combo(Board(p))["sel"] == selected
        assert p.close() == 0
        assert p.ini("xnKxConfig.ini")["music"]["passage"] == saved
    finally:
        p.kill()
