"""A click on the board sounds its clip, one clip at a time; the stop button stops it. Real mouse input,
sound checked in the captured output against Linux decodes of the clip files."""
import os
import subprocess
import time

import numpy as np
import pytest

import harness
from audio_compare import align, mono, reference, snr_db, envelope, RATE
from board_input import Board, catalogue


def duration(number):
    path = harness.DIST / "data" / "music" / (catalogue()[number][1] + ".mp3")
    return float(subprocess.run(["soxi", "-D", str(path)], capture_output=True, text=True, check=True).stdout)


def clip_reference(number, tmp_path):
    return mono(reference(harness.DIST / "data" / "music" / (catalogue()[number][1] + ".mp3"), tmp_path))


def long_clip_on(page, minimum=2.5, exclude=()):
    for n, (pg, _) in sorted(catalogue().items()):
        if pg == page and n not in exclude and duration(n) >= minimum:
            return n
    raise AssertionError(f"no clip of {minimum} s on page {page}")


def matches(capture, ref, seconds=1.5):
    """Where the first `seconds` of ref play in the capture, and how well (dB)."""
    head = ref[: int(seconds * RATE)]
    lag = align(capture, head)
    return lag, snr_db(capture, head, lag)


@pytest.fixture
def board(program):
    program.start()
    return Board(program)


def test_a_click_on_each_page_plays_that_buttons_clip(board, program, tmp_path):
    numbers = [long_clip_on(page) for page in range(1, 6)]
    for n in numbers:
        board.play(n)
        program.listen(2.2)
    assert program.close() == 0
    capture = mono(program.captured())
    lags = []
    for n in numbers:
        lag, snr = matches(capture, clip_reference(n, tmp_path))
        assert snr > 15, f"clip of 按钮_音效{n} not heard (SNR {snr:.1f} dB)"
        lags.append(lag)
    assert lags == sorted(lags), "clips sounded in the order clicked"


def test_a_second_click_replaces_the_first_and_the_same_button_restarts(board, program, tmp_path):
    first, second = long_clip_on(1, 4.0), long_clip_on(2, 4.0)
    board.play(first)
    program.wait_heard(1.5)
    board.play(second)
    program.listen(1.2)
    board.click(catalogue()[second][1], cls="Button")  # the same button again
    program.listen(2.5)
    assert program.close() == 0
    capture = mono(program.captured())
    ref1, ref2 = clip_reference(first, tmp_path), clip_reference(second, tmp_path)
    lag1, snr1 = matches(capture, ref1, 1.0)
    assert snr1 > 15
    # The second clip starts from its beginning twice; the first is gone from the second start on.
    starts = starts_of(capture, ref2[: int(1.0 * RATE)], 2)
    assert lag1 < starts[0] < starts[1]
    assert 0.8 * RATE < starts[1] - starts[0] < 2.0 * RATE
    # Between the two starts only the second clip sounds: the residual after removing it is small.
    seg = slice(starts[0] + RATE // 10, starts[1] - RATE // 10)
    residual = capture[seg] - ref2[seg.start - starts[0]: seg.stop - starts[0]]
    assert np.sqrt(np.mean(residual ** 2)) < 0.1 * np.sqrt(np.mean(capture[seg] ** 2)) + 1e-4


def starts_of(capture, head, count):
    """The `count` places where head plays in the capture, earliest first."""
    search = capture.copy()
    found = []
    for _ in range(count):
        lag = align(search, head)
        assert snr_db(capture, head, lag) > 15, "the clip is not heard from its start"
        found.append(lag)
        search[max(lag, 0): lag + len(head)] = 0
    return sorted(found)


def test_stop_silences_and_the_next_click_plays(board, program, tmp_path):
    clip = long_clip_on(1, 4.0)
    board.play(clip)
    program.listen(1.0)
    board.click("停止播放")
    program.listen(1.0)
    board.click("停止播放")  # with nothing playing: nothing happens
    program.listen(0.5)
    board.click(catalogue()[clip][1], cls="Button")
    program.listen(1.5)
    assert program.close() == 0
    capture = mono(program.captured())
    head = clip_reference(clip, tmp_path)[: int(0.8 * RATE)]
    first, second = starts_of(capture, head, 2)
    assert second - first > 2.0 * RATE
    # The stop silenced the clip: well before the second start nothing sounds for over a second.
    loud = envelope(capture[first: second]) > 0.01
    assert np.count_nonzero(~loud) > RATE


@pytest.mark.parametrize("spoil", ["missing", "not audio"])
def test_a_button_whose_clip_is_unusable_stops_the_clip_and_plays_nothing(board, program, tmp_path, spoil):
    clip = long_clip_on(1, 5.0)
    missing = long_clip_on(2, 0.5)
    path = program.dir / "data" / "music" / (catalogue()[missing][1] + ".mp3")
    if spoil == "missing":
        path.unlink()
    else:
        path.write_bytes(os.urandom(20000))
    board.play(clip)
    program.listen(1.0)
    board.play(missing)
    program.listen(2.0)
    assert program.close() == 0
    capture = mono(program.captured())
    lag, snr = matches(capture, clip_reference(clip, tmp_path), 0.8)
    assert snr > 15
    # The first clip lasts 5 s or more, yet nothing sounds from shortly after the second click on.
    loud = np.flatnonzero(envelope(capture) > 0.01)
    assert loud[-1] - lag < 2.5 * RATE


def test_clips_play_from_a_read_only_music_folder(program, tmp_path):
    music = program.dir / "data" / "music"
    subprocess.run(["chattr", "+i", str(music)], check=True)
    try:
        program.start()
        board = Board(program)
        clip = long_clip_on(3, 2.0)
        board.play(clip)
        program.listen(2.0)
        assert program.close() == 0
    finally:
        subprocess.run(["chattr", "-i", str(music)])
    lag, snr = matches(mono(program.captured()), clip_reference(clip, tmp_path))
    assert snr > 15
