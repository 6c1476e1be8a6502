"""Window behaviours and maintenance tasks on the real program, driven with the real pointer (xdotool):
edge auto-hide, docking, always on top, the first-run desktop shortcut, working-set trimming on
deactivation, and the link controls."""
import re
import struct
import subprocess
import time
from pathlib import Path

import pytest

import harness
from wine_run import run_wine

C = harness.MAIN_CAPTION
SCREEN_W = 1280
W, H = 472, 658
STRIP = 6
WS_EX_TOPMOST = 0x8

# Controls by their window coordinates (left, top, width, height) in the layout.
CHECK_BOX = (80, 552, 144, 24)
TOPMOST_ON = (232, 552, 88, 24)
TOPMOST_OFF = (328, 552, 80, 24)
DOCK_LEFT = (16, 552, 40, 24)
DOCK_RIGHT = (424, 552, 40, 24)
SHOP_BUTTON = (16, 600, 128, 36)
WEB_BUTTON = (152, 600, 128, 36)
PICTURE_1 = (296, 608, 74, 22)
PICTURE_3 = (384, 608, 74, 22)


def pointer(x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)


def click(p, control):
    """A real left click in the middle of a control of the main window."""
    left, top = window(p)["rect"][:2]
    x, y, w, h = control
    pointer(left + x + w // 2, top + y + h // 2)
    time.sleep(0.2)  # let Wine see the pointer arrive before the button goes down
    subprocess.run(["xdotool", "click", "1"], check=True)


def window(p):
    return p.driver("wait", C)[0]


def rect(p):
    return window(p)["rect"]


def wait_rect(p, expected, timeout=5.0):
    """Polls the window until its rectangle is `expected`; returns the last one seen."""
    return harness.wait_until(lambda: rect(p) == expected and expected, timeout) or rect(p)


def control_state(p, text):
    return next(c for c in p.controls() if c["text"] == text)


def start(p, auto_hide=None, first_run_done=True):
    if auto_hide is not None:
        p.write_ini("配置.ini", {"配置": {"选择框选中": auto_hide}})
    if first_run_done:
        p.write_ini("xnKxConfig.ini", {"init": {"writeFile": "1"}})
    p.start()
    return p.wait_main()


class Pad:
    """A full-screen Wine window beneath the program. Without a window manager, Wine only learns where
    the pointer is while it is over one of Wine's windows; over the pad it always is. Clicking the pad
    takes the activation from the program."""

    def __init__(self, p):
        self.p = p
        self.process = subprocess.Popen(["wine", str(harness.DRIVER), "pad"], env=p.env(), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        p.driver("wait", "sbdriver pad", 30000)

    def close(self):
        self.p.driver("close", "sbdriver pad", check=False)
        try:
            self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()


@pytest.fixture
def pad_program(tmp_path):
    # The pad takes the activation from the program by a click: window-manager semantics, for both.
    p = harness.Program(tmp_path, managed=True)
    if p.managed:
        p.manage_windows()
    pad = Pad(p)
    yield p
    p.kill()
    pad.close()


# Each edge: where the window is put, a pointer position away from it, where it hides, a pointer
# position on the strip left on screen, and where it comes back to.
EDGES = [
    ("left", (0, 50), (900, 700), [STRIP - W, 50, W, H], (3, 300), [0, 50, W, H]),
    ("right", (1000, 50), (100, 700), [SCREEN_W - STRIP, 50, W, H], (SCREEN_W - 3, 300), [SCREEN_W - W, 50, W, H]),
    ("top", (300, 0), (100, 790), [300, STRIP - H, W, H], (500, 3), [300, 0, W, H]),
]


def test_auto_hide_slides_into_each_edge_and_back_with_the_pointer(pad_program):
    p = pad_program
    pointer(640, 400)
    start(p, auto_hide="真")
    assert control_state(p, "靠边时自动隐藏软件")["checked"] == 1
    for edge, place, away, hidden, strip, shown in EDGES:
        pointer(*away)
        p.driver("move", C, *place)
        assert wait_rect(p, hidden) == hidden, f"{edge}: pointer away"
        pointer(*strip)
        assert wait_rect(p, shown) == shown, f"{edge}: pointer on the strip"
        pointer(*away)
        assert wait_rect(p, hidden) == hidden, f"{edge}: pointer away again"
    # A window in the middle of the screen stays wherever the pointer goes.
    middle = [400, 70, W, H]
    p.driver("move", C, *middle[:2])
    for spot in [(5, 5), (600, 300), (1275, 795), (600, 72)]:
        pointer(*spot)
        time.sleep(0.4)
        assert rect(p) == middle
    assert p.ini("配置.ini")["配置"]["选择框选中"] == "真"
    assert p.close() == 0


def test_auto_hide_off_never_moves_the_window_and_the_check_box_turns_it_on(pad_program):
    p = pad_program
    pointer(640, 400)
    start(p, auto_hide="假")
    p.driver("move", C, 0, 50)
    pointer(900, 700)
    time.sleep(0.6)
    assert rect(p) == [0, 50, W, H]
    assert p.ini("配置.ini")["配置"]["选择框选中"] == "假"
    # Ticking the box by hand stores it within a tick or so, and the docked window hides once the pointer leaves.
    click(p, CHECK_BOX)
    assert harness.wait_until(lambda: p.ini("配置.ini")["配置"]["选择框选中"] == "真", 5)
    pointer(900, 700)
    assert wait_rect(p, [STRIP - W, 50, W, H]) == [STRIP - W, 50, W, H]
    assert p.close() == 0


@pytest.mark.parametrize("stored, checked", [
    ("真", 1), ("假", 0), ("真真", 0), ("", 0), ("值" * 10000, 0), (None, 0),
], ids=["true", "false", "true-twice", "empty", "10000-chars", "missing"])
def test_stored_auto_hide_state_restores_the_check_box_and_is_written_back(tmp_path, stored, checked):
    p = harness.Program(tmp_path)
    try:
        start(p, auto_hide=stored)
        assert control_state(p, "靠边时自动隐藏软件")["checked"] == checked
        word = "真" if checked else "假"
        assert harness.wait_until(lambda: (p.ini("配置.ini") or {}).get("配置", {}).get("选择框选中") == word, 5)
        assert p.close() == 0
    finally:
        p.kill()


def test_timer_in_a_read_only_folder_fails_silently(tmp_path):
    p = harness.Program(tmp_path)
    p.write_ini("配置.ini", {"配置": {"选择框选中": "真"}})
    before = (p.dir / "配置.ini").read_bytes()
    subprocess.run(["chattr", "+i", str(p.dir)], check=True)
    try:
        p.start()
        p.wait_main()
        # A second of failing writes later the window still answers, moves and docks as usual.
        time.sleep(1)
        p.driver("move", C, 0, 50)
        assert rect(p)[:2] in ([0, 50], [STRIP - W, 50])
        assert (p.dir / "配置.ini").read_bytes() == before
        assert not (p.dir / "xnKxConfig.ini").exists()
        assert p.close() == 0
    finally:
        subprocess.run(["chattr", "-i", str(p.dir)], stderr=subprocess.DEVNULL)
        p.kill()


def test_arrow_buttons_dock_right_by_half_the_width_and_left_at_zero(pad_program):
    p = pad_program
    start(p, auto_hide="假")
    top = rect(p)[1]
    click(p, DOCK_RIGHT)
    assert wait_rect(p, [1044, top, W, H]) == [SCREEN_W - W // 2, top, W, H]
    p.driver("move", C, 500, top)
    click(p, DOCK_LEFT)
    assert wait_rect(p, [0, top, W, H]) == [0, top, W, H]
    assert p.close() == 0


def test_always_on_top_choices_are_stored_and_not_restored(program):
    p = program
    before = start(p, auto_hide="假")
    click(p, TOPMOST_ON)
    assert harness.wait_until(lambda: (p.ini("配置1.ini") or {}).get("配置", {}).get("单选框选中") == "真", 5)
    assert window(p)["rect"] == before["rect"]
    click(p, TOPMOST_OFF)
    assert harness.wait_until(lambda: p.ini("配置1.ini")["配置"]["单选框选中"] == "假", 5)
    assert not window(p)["exstyle"] & WS_EX_TOPMOST
    click(p, TOPMOST_ON)
    assert harness.wait_until(lambda: p.ini("配置1.ini")["配置"]["单选框选中"] == "真", 5)
    assert window(p)["rect"] == before["rect"]
    assert p.close() == 0

    again = start(p)
    assert not again["exstyle"] & WS_EX_TOPMOST
    assert control_state(p, "总在最前")["checked"] == 0
    assert control_state(p, "取消最前")["checked"] == 0
    assert p.close() == 0


@pytest.mark.xfail(strict=False, reason="Wine 8 without a window manager re-stacks the window from the X server's "
                                        "order and often drops WS_EX_TOPMOST right after SetWindowPos(HWND_TOPMOST)")
def test_always_on_top_makes_the_window_topmost(program):
    p = program
    start(p, auto_hide="假")
    click(p, TOPMOST_ON)
    assert harness.wait_until(lambda: window(p)["exstyle"] & WS_EX_TOPMOST, 5)
    assert p.close() == 0


def test_first_start_puts_a_link_on_the_desktop_once(tmp_path):
    p = harness.Program(tmp_path)
    link = p.desktop / "SoundBoard.lnk"
    try:
        start(p, first_run_done=False)
        assert harness.wait_until(lambda: link.exists(), 5)
        assert p.ini("xnKxConfig.ini")["init"]["writeFile"] == "1"
        info = p.driver("link", "Z:" + str(link).replace("/", "\\"))[0]
        assert Path(info["target"].replace("\\", "/").removeprefix("Z:")).resolve() == p.exe.resolve()
        # The header's ShowCommand field (Wine's link loader reports every value as SW_SHOWNORMAL).
        assert struct.unpack_from("<I", link.read_bytes(), 0x3C)[0] == 5  # SW_SHOW
        assert info["arguments"] == "" and info["workingDir"] == ""
        assert p.close() == 0

        link.unlink()
        start(p, first_run_done=False)
        time.sleep(0.5)
        assert not link.exists(), "the link is made on the first run only"
        assert p.close() == 0
    finally:
        p.kill()


def test_unwritable_desktop_still_marks_the_first_run_done(tmp_path):
    p = harness.Program(tmp_path)
    subprocess.run(["chattr", "+i", str(p.desktop)], check=True)
    try:
        start(p, first_run_done=False)
        assert harness.wait_until(lambda: (p.ini("xnKxConfig.ini") or {}).get("init", {}).get("writeFile") == "1", 5)
        assert not any(p.desktop.iterdir())
        assert p.close() == 0
    finally:
        subprocess.run(["chattr", "-i", str(p.desktop)], stderr=subprocess.DEVNULL)
        p.kill()


RELAY_KEY = r"HKCU\Software\Wine\Debug"


def test_losing_activation_trims_the_working_set_on_another_thread(pad_program):
    """Wine logs each call of the trimming function with the calling thread (relay trace); the
    window's own thread must not be it, and the window keeps answering."""
    p = pad_program
    reg = ["wine", "reg", "add", RELAY_KEY, "/v", "RelayInclude", "/t", "REG_SZ", "/d",
           "kernel32.SetProcessWorkingSetSize", "/f"]
    subprocess.run(reg, env=p.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    plain_env = p.env
    p.env = lambda: dict(plain_env(), WINEDEBUG="+relay")
    try:
        pointer(640, 400)
        start(p, auto_hide="假")
        p.env = plain_env
        gui_thread = p.driver("thread", C)[0]["tid"]
        calls_before = _trim_calls(p)
        # Activate the program, then click beside it: the pad takes the activation.
        click(p, (200, 10, 10, 10))
        subprocess.run(["xdotool", "mousemove", "1200", "780", "click", "1"], check=True)
        calls = harness.wait_until(lambda: len(_trim_calls(p)) > len(calls_before) and _trim_calls(p), 10)
        assert calls, "no trimming after the program lost activation"
        assert all(tid != gui_thread for tid, _ in calls), "the trimming ran on the window's thread"
        assert all(args == "ffffffffffffffff,ffffffffffffffff,ffffffffffffffff" for _, args in calls)
        # The window answers at once, and again after another deactivation.
        assert window(p)["caption"] == C
        click(p, (200, 10, 10, 10))
        subprocess.run(["xdotool", "mousemove", "1200", "780", "click", "1"], check=True)
        assert harness.wait_until(lambda: len(_trim_calls(p)) > len(calls), 10)
        assert control_state(p, "靠边时自动隐藏软件")["checked"] == 0
        assert p.close() == 0
    finally:
        p.env = plain_env
        subprocess.run(["wine", "reg", "delete", RELAY_KEY, "/v", "RelayInclude", "/f"], env=p.env(),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _trim_calls(p):
    text = p.log.read_bytes().decode("utf-8", errors="replace")
    return [(int(tid, 16), args) for tid, args in
            re.findall(r"^([0-9a-f]{4}):Call KERNEL32\.SetProcessWorkingSetSize\(([^)]*)\)", text, re.M)]


def _addresses():
    """The addresses the program opens, from the one place that holds them."""
    text = (harness.ROOT / "maint" / "Links.h").read_text(encoding="utf-8")
    web = re.search(r'kWebSiteAddress = L"([^"]+)"', text).group(1)
    shop = re.search(r'kShopAddress = L"([^"]+)"', text).group(1)
    contacts = re.findall(r'L"(xmpp:[^"]+)"', text)
    return web, shop, contacts


def test_link_controls_open_their_addresses_through_the_shell(tmp_path):
    """Each scheme's open command becomes sbdriver's recorder for the test; Wine 8 reads handlers from
    HKEY_CLASSES_ROOT only (no per-user classes), so the prefix-wide ones are replaced and put back."""
    p = harness.Program(tmp_path)
    received = tmp_path / "received.txt"
    web, shop, contacts = _addresses()
    handler = f'"{_windows_path(harness.DRIVER)}" record "{_windows_path(received)}" "%1"'
    https_command = r"HKCR\https\shell\open\command"
    saved_https = _reg_default(p, https_command)
    try:
        _reg(p, "add", r"HKCR\xmpp", "/ve", "/d", "URL:xmpp", "/f")
        _reg(p, "add", r"HKCR\xmpp", "/v", "URL Protocol", "/d", "", "/f")
        _reg(p, "add", r"HKCR\xmpp\shell\open\command", "/ve", "/d", handler, "/f")
        _reg(p, "add", https_command, "/ve", "/d", handler, "/f")
        start(p, auto_hide="假")
        expected = []
        for control, address in [(WEB_BUTTON, web), (SHOP_BUTTON, shop), (PICTURE_3, contacts[0]),
                                 (PICTURE_1, contacts[1])]:
            click(p, control)
            expected.append(address)
            assert harness.wait_until(lambda: received.exists() and len(_lines(received)) == len(expected), 15), \
                f"nothing received for {address}"
        assert _lines(received) == expected
        assert p.close() == 0
    finally:
        _reg(p, "delete", r"HKCR\xmpp", "/f")
        if saved_https is not None:
            _reg(p, "add", https_command, "/ve", "/d", saved_https, "/f")
        p.kill()


def _reg_default(p, key):
    out = run_wine(["reg", "query", key, "/ve"], p.env(), timeout=60).stdout.decode("gbk", errors="replace")
    for line in out.splitlines():
        if "REG_SZ" in line:
            return line.split("REG_SZ", 1)[1].strip()
    return None


def _lines(path):
    return path.read_text(encoding="utf-8").splitlines()


def _windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def _reg(p, *args):
    subprocess.run(["wine", "reg", *args], env=p.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
