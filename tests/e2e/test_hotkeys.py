"""Global hotkeys on the clip buttons and the stop button: the dialog opened by a right click, registration,
the settings file, tooltips, and hotkeys pressed while another program has the focus, heard in the captured
output. Real mouse and keyboard input through xdotool; every test under a Chinese and a Western code page."""
import time

import numpy as np
import pytest

import harness
from audio_compare import RATE, envelope, mono, reference, snr_db, align
from board_input import Board, catalogue, xdotool
from dialogs_input import (LANGS, WM_HOTKEY, OtherProgram, control_tooltip, message_box, no_window, tooltips,
                           wait_window)

TITLE = "修改快捷键:"
HOTKEYF_SHIFT, HOTKEYF_CONTROL = 1, 2
WS_DISABLED, WS_BORDER = 0x08000000, 0x00800000
WS_EX_TOPMOST, WS_EX_TOOLWINDOW, WS_EX_CLIENTEDGE = 0x8, 0x80, 0x200


@pytest.fixture(params=LANGS)
def program(request, tmp_path):
    p = harness.Program(tmp_path, lang=request.param)
    yield p
    p.kill()


def clip_head(number, tmp_path, seconds=1.0):
    ref = mono(reference(harness.DIST / "data" / "music" / (catalogue()[number][1] + ".mp3"), tmp_path))
    return ref[: int(seconds * RATE)]


def heard_at(capture, head):
    lag = align(capture, head)
    return lag, snr_db(capture, head, lag)


def button(board, number):
    return board.control(catalogue()[number][1], cls="Button")


def hotkey_section(program):
    return (program.ini("xnKxConfig.ini") or {}).get("hotkey", {})


class Dialog:
    """The hotkey dialog of one button, opened by a real right click."""

    def __init__(self, board, text, page=None):
        self.p = board.p
        if page:
            board.show_page(page)
        self.caption = TITLE + text
        # A right click that lands while the board is still busy starting is lost, as a user's would be: again.
        for _ in range(3):
            board.click(text, button=3, cls="Button")
            found = self.p.driver("wait", self.caption, 4000, check=False)
            if found:
                break
        self.window = wait_window(self.p, self.caption)

    def field(self):
        return self.p.driver("hotkey", self.caption)[0]

    def type(self, combo):
        """A real click into the field, then real keys."""
        x, y, w, h = self.field()["screen"]
        xdotool("mousemove", x + w // 2, y + h // 2, "click", 1)
        harness.wait_until(lambda: self.field()["focused"], timeout=5)
        xdotool("key", combo)
        if combo != "Escape":
            harness.wait_until(lambda: self.field()["vk"], timeout=3)

    def ok(self):
        self.p.driver("press", self.caption, "确定")

    def cancel(self):
        self.p.driver("press", self.caption, "取消")

    def closed(self):
        return no_window(self.p, self.caption)


def test_assigning_pressing_refusing_and_clearing_hotkeys(program, tmp_path):
    program.start()
    board = Board(program)
    caption17 = catalogue()[17][1]

    # The dialog of 按钮_音效17: a topmost tool window in the middle of the screen, the board refusing input.
    dialog = Dialog(board, caption17, page=1)
    x, y, w, h = dialog.window["rect"]
    assert (w, h) == (301, 119)
    assert (x, y) == ((1280 - 301) // 2, (800 - 119) // 2)
    assert dialog.window["exstyle"] & WS_EX_TOPMOST and dialog.window["exstyle"] & WS_EX_TOOLWINDOW
    assert program.wait_main()["style"] & WS_DISABLED
    field = dialog.field()
    assert field["rect"] == [96, 16, 184, 22]
    assert field["style"] & WS_BORDER and field["exstyle"] & WS_EX_CLIENTEDGE
    assert (field["vk"], field["flags"], field["focused"]) == (0, 0, True)
    texts = {c["text"] for c in program.driver("controls", dialog.caption)}
    assert {"设置快捷键:", "确定", "取消"} <= texts

    dialog.type("ctrl+shift+a")
    assert (dialog.field()["vk"], dialog.field()["flags"]) == (65, HOTKEYF_CONTROL | HOTKEYF_SHIFT)
    dialog.ok()
    assert dialog.closed()
    assert hotkey_section(program) == {"btn17": "65,3"}
    assert not program.wait_main()["style"] & WS_DISABLED
    board.refresh()
    assert tooltips(program)[button(board, 17)["hwnd"]] == "快捷键:Ctrl + Shift + A"
    assert control_tooltip(board, button(board, 17)) == "快捷键:Ctrl + Shift + A"

    # The stop button's dialog.
    stop = Dialog(board, "停止播放")
    assert stop.window["caption"] == "修改快捷键:停止播放"
    stop.type("ctrl+shift+s")
    stop.ok()
    assert stop.closed()
    assert hotkey_section(program) == {"btn17": "65,3", "btn_stop": "83,3"}

    # A combination held by another button is refused; the dialog stays as the user left it.
    # A registered combination never reaches the field as keys (the system takes them), so it is set directly.
    other = Dialog(board, catalogue()[1][1])
    program.driver("hotkey", other.caption, 65, HOTKEYF_CONTROL | HOTKEYF_SHIFT)
    other.ok()
    box = message_box(program, 8000)
    assert box["title"] == "错误"
    assert "注册快捷键失败！" in [c["text"] for c in box["controls"]]
    program.driver("press", "错误", "#1")
    assert no_window(program, "错误")
    assert wait_window(program, other.caption)
    assert (other.field()["vk"], other.field()["flags"]) == (65, HOTKEYF_CONTROL | HOTKEYF_SHIFT)
    other.cancel()
    assert other.closed()
    assert "btn1" not in hotkey_section(program)

    # Confirming the button's own combination keeps it, silently.
    again = Dialog(board, caption17)
    assert (again.field()["vk"], again.field()["flags"]) == (65, HOTKEYF_CONTROL | HOTKEYF_SHIFT)
    again.ok()
    assert message_box(program) is None
    assert again.closed()
    assert hotkey_section(program)["btn17"] == "65,3"

    # Pressed while another program has the focus: the clip plays, the stop button's hotkey stops it.
    notepad = OtherProgram(program)
    try:
        notepad.keys("ctrl+shift+a")
        time.sleep(1.0)
        notepad.keys("ctrl+shift+s")
        time.sleep(2.0)
    finally:
        notepad.close()

    # Cleared: the key leaves the file, the tooltip says how to set one, and the combination is free again:
    # typed into another button's field it now arrives there, and registers.
    cleared = Dialog(board, caption17)
    program.driver("hotkey", cleared.caption, 0, 0)
    cleared.ok()
    assert cleared.closed()
    assert hotkey_section(program) == {"btn_stop": "83,3"}
    board.refresh()
    assert tooltips(program)[button(board, 17)["hwnd"]] == "右键设置快捷键"
    taker = Dialog(board, catalogue()[1][1])
    taker.type("ctrl+shift+a")
    taker.ok()
    assert message_box(program) is None
    assert taker.closed()
    assert hotkey_section(program) == {"btn_stop": "83,3", "btn1": "65,3"}
    assert program.close() == 0

    capture = mono(program.captured())
    lag, snr = heard_at(capture, clip_head(17, tmp_path))
    assert snr > 15, f"the hotkey did not play 按钮_音效17's clip (SNR {snr:.1f} dB)"
    # The clip lasts 2.5 s; the stop hotkey about a second in silenced it.
    loud = np.flatnonzero(envelope(capture[lag:]) > 0.01)
    assert loud[-1] < 2.0 * RATE


def test_stored_hotkeys_at_start_up(program, tmp_path):
    huge = "9" * 10000
    # In layout order: 27 14 37 32 3 25 39 5 46 20 12 22 2, then the stop button.
    stored = {
        "btn27": "abc", "btn14": "116,1", "btn37": "65", "btn32": "65,", "btn3": ",3", "btn25": "65,3",
        "btn39": "300,1", "btn5": huge, "btn46": "99,0", "btn20": "32,5", "btn12": "65,99", "btn22": "66,3",
        "btn2": "65,3", "btn_stop": "68,3",
    }
    others = {"music": {"passage": "1", "name3": "名字"}, "init": {"writeFile": "1"}, "extra": {"k": "v"}}
    program.write_ini("xnKxConfig.ini", {**others, "hotkey": stored})
    program.start()
    board = Board(program)
    # None: the combination was refused (taken by an earlier button), so no tooltip at all.
    expected_tips = {
        27: "右键设置快捷键", 14: "快捷键:Ctrl + F5", 37: "快捷键:A", 32: None, 3: "右键设置快捷键",
        25: "快捷键:Ctrl + Shift + A", 39: "右键设置快捷键", 5: "右键设置快捷键", 46: "快捷键:Num 3",
        20: "快捷键:Ctrl + Alt + Space", 12: None, 22: "快捷键:Ctrl + Shift + B", 2: None,
    }
    board.show_page(1)
    board.refresh()
    held = tooltips(program)
    assert {n: held.get(button(board, n)["hwnd"]) for n in expected_tips} == expected_tips
    assert held.get(board.control("停止播放")["hwnd"]) == "快捷键:Ctrl + Shift + D"
    # Shown to the user: the pointer resting on a button brings up its tooltip.
    assert control_tooltip(board, button(board, 14)) == "快捷键:Ctrl + F5"

    # The later of two buttons with one combination has no registration: its dialog shows nothing, and Esc closes it.
    later = Dialog(board, catalogue()[2][1])
    assert (later.field()["vk"], later.field()["flags"]) == (0, 0)
    later.type("Escape")
    assert later.closed()

    # Ids were handed out one per attempt, failures included:
    # 14→33001, 37→33002, 32→33003 (refused), 25→33004, 46→33005, 20→33006, 12→33007 (refused),
    # 22→33008, 2→33009 (refused), stop→33010. The system's notice of an id reaches its button.
    main = harness.MAIN_CAPTION
    program.driver("post", main, WM_HOTKEY, 33008, 0)  # 22
    time.sleep(1.0)
    program.driver("post", main, WM_HOTKEY, 33007, 0)  # refused ids belong to no button: 22 keeps playing
    program.driver("post", main, WM_HOTKEY, 33009, 0)
    time.sleep(1.0)
    notepad = OtherProgram(program)
    try:
        notepad.keys("ctrl+shift+a")  # 25, the earlier of 25 and 2
        time.sleep(1.5)
    finally:
        notepad.close()
    program.driver("post", main, WM_HOTKEY, 33010, 0)  # stop
    time.sleep(1.5)

    # A clear through the dialog rewrites the file; everything else in it stays.
    clear = Dialog(board, catalogue()[25][1])
    program.driver("hotkey", clear.caption, 0, 0)
    clear.ok()
    assert clear.closed()
    assert program.close() == 0
    ini = program.ini("xnKxConfig.ini")
    assert ini["hotkey"] == {k: v for k, v in stored.items() if k != "btn25"}
    assert {s: ini[s] for s in others} == others

    capture = mono(program.captured())
    lag22, snr22 = heard_at(capture, clip_head(22, tmp_path))
    lag25, snr25 = heard_at(capture, clip_head(25, tmp_path))
    assert snr22 > 15 and snr25 > 15
    assert heard_at(capture, clip_head(2, tmp_path))[1] < 5, "the later button with the same combination played"
    assert lag22 + 1.8 * RATE < lag25
    # 22 played on undisturbed until 25 replaced it.
    head = clip_head(22, tmp_path, (lag25 - lag22) / RATE - 0.2)
    assert snr_db(capture, head, lag22) > 15
    # The stop hotkey silenced 25 (6.5 s long) after about 1.5 s.
    loud = np.flatnonzero(envelope(capture[lag25:]) > 0.01)
    assert loud[-1] < 3.5 * RATE
