"""Start-up, shutdown and the binding of the audio library, on the real program."""
import os
import subprocess

import pytest

import harness

SCREEN_W, SCREEN_H = 1280, 800
SETTINGS_FILES = ["xnKxConfig.ini", "配置.ini", "配置1.ini", "skin.ini", "ski.ini"]


@pytest.mark.parametrize("lang", ["zh_CN.UTF-8", "en_US.UTF-8"])
def test_first_start_shows_centred_window_and_closes_with_zero(tmp_path, lang):
    p = harness.Program(tmp_path, lang=lang)
    try:
        p.start()
        win = p.wait_main()
        assert win["caption"] == harness.MAIN_CAPTION
        left, top, width, height = win["rect"]
        assert (width, height) == (472, 658)
        assert (left, top) == ((SCREEN_W - 472) // 2, (SCREEN_H - 658) // 2)
        WS_CAPTION, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x00C00000, 0x00020000, 0x00010000
        assert win["style"] & WS_CAPTION == 0, "the window has no system frame"
        assert win["style"] & WS_MINIMIZEBOX and not win["style"] & WS_MAXIMIZEBOX
        assert p.close() == 0
    finally:
        p.kill()


def _fatal_dialog(p):
    dialog = p.driver("dialog", 30000)[0]
    texts = [c["text"] for c in dialog["controls"] if c["class"] == "Static" and c["text"]]
    return dialog, "\n".join(texts)


@pytest.mark.parametrize("case, function", [
    ("missing", "BASS_Init"),
    ("lacking", "BASS_ChannelStop"),
])
def test_unbindable_library_shows_fatal_message_and_exits_minus_one(tmp_path, case, function):
    p = harness.Program(tmp_path)
    dll = p.dir / "plugins" / "bass.dll"
    if case == "missing":
        dll.unlink()
    else:
        dll.write_bytes((harness.BUILD / "tests" / "bass_lacking.dll").read_bytes())
    try:
        p.start()
        dialog, text = _fatal_dialog(p)
        lines = text.replace("\r\n", "\n").split("\n")
        assert lines[0] == "运行时出错!"
        assert lines[1] == ""
        assert lines[2] == f"错误信息：无法找到指定DLL库文件“bass.dll”中的输出命令“{function}”"
        p.driver("press", dialog["title"], "#1")  # IDOK; its text follows the locale
        assert p.wait_exit() == 255  # -1, as Wine reports a Windows exit code
        # The saved skin is applied (and ski.ini written back) before the library is first called; no
        # setting that comes after that point is written.
        assert ((p.ini("ski.ini") or {}).get("皮肤选项") or {}).get("当前皮肤") == "0"
        for name in SETTINGS_FILES:
            if name != "ski.ini":
                assert not (p.dir / name).exists(), f"{name} written although the program could not start"
    finally:
        p.kill()


def test_library_beside_the_executable_is_found(tmp_path):
    p = harness.Program(tmp_path)
    (p.dir / "plugins" / "bass.dll").rename(p.dir / "bass.dll")
    try:
        p.start()
        p.wait_main()
        assert p.close() == 0
    finally:
        p.kill()


def _garbage(p):
    for i, name in enumerate(SETTINGS_FILES):
        (p.dir / name).write_bytes(os.urandom(3000 + i) + b"\r\n[music]\r\nvolume=" + b"9" * 10000 + b"\r\n")


def _long_values(p):
    long = "值" * 10000
    p.write_ini("xnKxConfig.ini", {"music": {"passage": long, "volume": long}, "init": {"writeFile": long}})
    p.write_ini("配置.ini", {"配置": {"选择框选中": long}})
    p.write_ini("skin.ini", {"背景色": {"透明度": long}})
    p.write_ini("ski.ini", {"皮肤选项": {"当前皮肤": long}})


def _no_music(p):
    import shutil
    shutil.rmtree(p.dir / "data" / "music")


def _read_only_folder(p):
    # The tests run as root, which folder permissions do not stop; the immutable flag does.
    subprocess.run(["chattr", "+i", str(p.dir)], check=True)


@pytest.mark.parametrize("spoil", [_garbage, _long_values, _no_music, _read_only_folder],
                         ids=["garbage-ini", "10000-char-values", "no-music-folder", "read-only-folder"])
def test_program_starts_and_closes_on_bad_input(tmp_path, spoil):
    p = harness.Program(tmp_path)
    spoil(p)
    try:
        p.start()
        p.wait_main()
        assert p.close() == 0
        if spoil is _read_only_folder:
            assert not any((p.dir / name).exists() for name in SETTINGS_FILES)
    finally:
        subprocess.run(["chattr", "-i", str(p.dir)], stderr=subprocess.DEVNULL)
        p.kill()
