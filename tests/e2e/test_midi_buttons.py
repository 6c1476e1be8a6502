"""Custom buttons bound to MIDI files, played by the real program: heard at the slider's volume, silenced by
the stop button, replaced by a clip, and sent to the chosen one of three devices. The reference is the
library's own render of the file, decoded without a device."""
import subprocess
import time

import numpy as np
import pytest

import harness
import midi_fixtures
from audio_compare import RATE, align, envelope, mono, reference, snr_db
from board_input import Board
from test_board_play import clip_reference, long_clip_on, starts_of
from test_custom_sounds import click_custom, windows_path
from test_output_channel import choose, combo
from wine_run import run_wine

BASSDRIVER = harness.BUILD / "tests" / "audio" / "bassdriver.exe"


def rendered(mid, tmp_path):
    """The library's render of a MIDI file at full volume, mono at the capture rate."""
    raw, wav = tmp_path / "render.s16", tmp_path / "render.wav"
    home = tmp_path / "render-home"
    home.mkdir()
    env = dict(harness.wine_env(home), WINEPATH=windows_path(harness.DIST / "plugins"))
    done = run_wine([BASSDRIVER, "init", "0", ";", "create", windows_path(mid), ";", "decode", windows_path(raw), ";",
                     "free"], env, timeout=120)
    assert done.returncode == 0, done.stdout[-2000:]
    subprocess.run(["sox", "-t", "s16", "-r", "44100", "-c", "2", str(raw), str(wav)], check=True)
    return mono(reference(wav, tmp_path))


def bind(program, mid):
    program.write_ini("xnKxConfig.ini", {"music": {"file7": windows_path(mid), "name7": "开场音乐", "volume": "100"}})


def gain_at(capture, ref, lag, seconds=1.0):
    n = int(seconds * RATE)
    seg, r = capture[lag + 500: lag + n], ref[500: n]
    return float(np.dot(seg, r) / np.dot(r, r))


def test_midi_button_volume_stop_and_a_clip_that_replaces_it(program, tmp_path):
    mid = midi_fixtures.scale().write(tmp_path)
    ref = rendered(mid, tmp_path)
    clip = long_clip_on(1, 3.0)
    bind(program, mid)
    program.start()
    board = Board(program)
    board.show_page(6)
    click_custom(board, 7)
    program.wait_heard(1.5)
    board.set_volume(30)
    click_custom(board, 7)  # starts again at the slider's new position
    program.listen(1.5)
    board.click("停止播放")
    program.listen(1.0)
    click_custom(board, 7)
    program.listen(0.8)
    board.play(clip)
    program.listen(1.5)
    assert program.close() == 0
    capture = mono(program.captured())

    head = ref[: RATE]
    first = align(capture, head)
    assert snr_db(capture, head, first) > 15
    assert gain_at(capture, ref, first) == pytest.approx(1.0, rel=0.02)
    # Two more starts at the slider's 30 %, the second after the stop button.
    later = capture.copy()
    later[: first + RATE] = 0
    second, third = starts_of(later, head * 0.3, 2)
    assert second > first + RATE
    assert gain_at(capture, ref, second) == pytest.approx(0.3, rel=0.02)
    assert third > second + 2 * RATE
    # The stop button silenced it: a second and more of silence before the third start.
    assert np.count_nonzero(envelope(capture[second + RATE // 2: third]) < 1e-4) > 0.8 * RATE
    # The clip replaced the MIDI file: it is heard clean, with nothing of the file left under it.
    clip_head = clip_reference(clip, tmp_path)[: RATE] * 0.3
    at = align(capture, clip_head)
    # (After the third start by the 0.8 s the test waits; how much later depends on how busy the machine is.)
    assert third + RATE // 2 < at < third + 6 * RATE
    assert snr_db(capture, clip_head, at) > 15


def test_midi_button_on_the_second_of_three_devices(tmp_path):
    mid = midi_fixtures.drums().write(tmp_path)
    ref = rendered(mid, tmp_path)
    p = harness.Program(tmp_path, devices=["dev2", "dev3"])
    try:
        bind(p, mid)
        p.start()
        board = Board(p)
        # The second of the three devices (Wine does not always list the extra ones in the same order).
        assert choose(board, combo(board)["items"].index("Out: dev2")) == ("信息：", "设备Out: dev2初始化成功！")
        board.show_page(6)
        click_custom(board, 7)
        time.sleep(2.0)
        assert p.close() == 0
    finally:
        p.kill()
    heard = mono(p.captured("dev2"))
    head = ref[: RATE]
    assert snr_db(heard, head, align(heard, head)) > 15
    for other in (mono(p.captured()), mono(p.captured("dev3"))):
        assert len(other) == 0 or np.max(np.abs(other)) < 1e-3, "the MIDI file reached another device"
