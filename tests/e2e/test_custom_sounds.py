"""The custom buttons of the sixth page: bound through the file dialog and the name box with real right clicks,
kept across restarts, played with real clicks and heard in the captured output; bad bindings in the settings.
Every test under a Chinese and a Western code page."""
import os
import shutil
import time

import numpy as np
import pytest

import harness
from audio_compare import RATE, align, envelope, mono, reference, snr_db
from board_input import Board, catalogue
from dialogs_input import LANGS, no_window, wait_window

FILE_DIALOG = "选择自定义音效"
NAME_BOX = "输入"
# Window coordinates of custom buttons on page 6 (the tab control's client area starts at 16, 88).
CUSTOM_AT = {6: (24, 368), 7: (24, 320), 8: (24, 272), 9: (24, 224), 10: (200, 128), 11: (112, 128)}
LONG_CLIP = 2  # 6.5 s


@pytest.fixture(params=LANGS)
def program(request, tmp_path):
    p = harness.Program(tmp_path, lang=request.param)
    yield p
    p.kill()


def clip_file(number):
    return harness.DIST / "data" / "music" / (catalogue()[number][1] + ".mp3")


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def custom(board, k):
    board.refresh()
    for c in board.controls:
        if c["class"] == "Button" and c["rect"][:2] == list(CUSTOM_AT[k]) and c["visible"]:
            return c
    raise AssertionError(f"no custom button {k}")


def click_custom(board, k, button=1):
    x, y, w, h = custom(board, k)["rect"]
    board.click_at(x + w // 2, y + h // 2, button)


def open_file_dialog(board, k):
    for _ in range(3):
        click_custom(board, k, 3)
        if board.p.driver("wait", FILE_DIALOG, 5000, check=False):
            return
    wait_window(board.p, FILE_DIALOG)


def choose_file(program, path):
    """Types the full path into the file dialog's name field and opens it."""
    for field in ("#1148", "#1152"):  # the explorer-style name box, or the older edit
        if program.driver("settext", FILE_DIALOG, field, windows_path(path), check=False):
            break
    program.driver("press", FILE_DIALOG, "#1")
    wait_window(program, NAME_BOX)


def name_box(program):
    return {c["class"]: c["text"] for c in program.driver("controls", NAME_BOX)}


def answer_name(program, name):
    program.driver("settext", NAME_BOX, "#100", name)
    program.driver("press", NAME_BOX, "确定")
    assert no_window(program, NAME_BOX)


def music(program):
    return (program.ini("xnKxConfig.ini") or {}).get("music", {})


def heard(capture, number, tmp_path, seconds=1.5):
    head = mono(reference(clip_file(number), tmp_path))[: int(seconds * RATE)]
    lag = align(capture, head)
    return lag, snr_db(capture, head, lag)


def test_binding_a_custom_button_through_both_dialogs(program, tmp_path):
    folder = tmp_path / "我的 音效"
    folder.mkdir()
    chosen = folder / "掌声 欢呼 片段 一二三四五六七八九十.mp3"  # 39 bytes of GBK
    shutil.copy(clip_file(LONG_CLIP), chosen)
    program.start()
    board = Board(program)
    board.show_page(6)
    assert custom(board, 7)["text"] == "自定义"

    # Cancelling the file dialog changes nothing.
    open_file_dialog(board, 7)
    items = [c for c in program.driver("controls", FILE_DIALOG) if c["class"] == "ComboBox" and c.get("items")]
    assert any(i["items"][:2] == ["支持的音效文件(*.mp3;*.wav;*.mid)", "所有文件(*.*)"] for i in items)
    program.driver("press", FILE_DIALOG, "#2")
    assert no_window(program, FILE_DIALOG)
    # Cancelling the name box changes nothing either; it offered the file name cut to 30 bytes.
    open_file_dialog(board, 7)
    choose_file(program, chosen)
    box = name_box(program)
    assert box["Edit"] == "掌声 欢呼 片段 一二三四五六七"
    assert box["Static"] == "请输入自定义音效名称"
    program.driver("press", NAME_BOX, "取消")
    assert no_window(program, NAME_BOX)
    assert custom(board, 7)["text"] == "自定义"
    assert "file7" not in music(program) and "name7" not in music(program)

    open_file_dialog(board, 7)
    choose_file(program, chosen)
    answer_name(program, "我的掌声")
    assert custom(board, 7)["text"] == "我的掌声"
    assert music(program) == {"name7": "我的掌声", "file7": windows_path(chosen)}
    click_custom(board, 7)
    program.listen(2.0)
    assert program.close() == 0
    lag, snr = heard(mono(program.captured()), LONG_CLIP, tmp_path)
    assert snr > 15, f"the bound file was not heard (SNR {snr:.1f} dB)"

    # After a restart the button still carries the name and plays the file.
    program.start()
    board = Board(program)
    board.show_page(6)
    assert custom(board, 7)["text"] == "我的掌声"
    click_custom(board, 7)
    program.listen(2.0)
    assert program.close() == 0
    lag, snr = heard(mono(program.captured()), LONG_CLIP, tmp_path)
    assert snr > 15


def test_empty_names_and_bindings_that_cannot_play(program, tmp_path):
    bound = tmp_path / "会消失 的.mp3"
    shutil.copy(clip_file(LONG_CLIP), bound)
    (tmp_path / "一个 目录").mkdir()
    noise = tmp_path / "不是 音频.mp3"
    noise.write_bytes(os.urandom(30000))
    long_name = "名" * 10000
    settings = {
        "music": {"file7": windows_path(bound), "name7": "会消失", "file8": windows_path(tmp_path / "没有.mp3"),
                  "file9": windows_path(tmp_path / "一个 目录"), "file10": windows_path(noise), "name11": long_name},
        "hotkey": {"btn40": "66,3"},
    }
    program.write_ini("xnKxConfig.ini", settings)
    program.start()
    board = Board(program)
    board.show_page(6)
    assert custom(board, 7)["text"] == "会消失"
    assert custom(board, 8)["text"] == "自定义"
    long_caption = custom(board, 11)["text"]
    assert len(long_caption) > 1000 and long_name.startswith(long_caption)

    # A clip plays; clicks on a missing file, a folder and a bound file deleted meanwhile leave it playing.
    board.play(LONG_CLIP)
    bound.unlink()
    board.show_page(6)
    for k in (8, 9, 7):
        click_custom(board, k)
        time.sleep(0.3)
    program.wait_heard(3.5)
    # A file that exists but is no audio: the clip stops and nothing plays.
    clicked = program.heard_seconds()
    click_custom(board, 10)
    program.listen(2.0)
    assert program.close() == 0
    capture = mono(program.captured())
    lag, snr = heard(capture, LONG_CLIP, tmp_path, 3.2)
    assert snr > 15, "the clip was interrupted"
    loud = np.flatnonzero(envelope(capture[lag:]) > 0.01)
    # Measured on the sound's own clock from the click: on a busy machine the clicks before it may come late.
    assert loud[-1] < (clicked + 1.5) * RATE, "the clip went on after the click on a file that is no audio"

    program.start()
    board = Board(program)
    board.show_page(6)
    # An empty name is stored as empty.
    shutil.copy(clip_file(LONG_CLIP), bound)
    open_file_dialog(board, 6)
    choose_file(program, bound)
    answer_name(program, "")
    assert custom(board, 6)["text"] == ""
    assert music(program)["name6"] == ""

    assert program.close() == 0

    # After a restart the empty name stays empty; nothing else in the settings was lost.
    program.start()
    board = Board(program)
    board.show_page(6)
    assert custom(board, 6)["text"] == ""
    assert program.close() == 0
    ini = program.ini("xnKxConfig.ini")
    assert ini["hotkey"] == settings["hotkey"]
    assert {k: v for k, v in ini["music"].items() if k not in ("name6", "file6")} == settings["music"]
