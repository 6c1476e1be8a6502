"""Repetition without growth: handles, threads and memory stay flat over
many stream and device life cycles."""
import subprocess

import midi_fixtures
from conftest import line, make_sine, win_path


def assert_flat(before, after, memory_slack=4 * 1024 * 1024):
    assert after["handles"] <= before["handles"] + 2, (before, after)
    assert after["threads"] <= before["threads"], (before, after)
    assert after["private"] - before["private"] <= memory_slack, (before, after)


def test_ten_thousand_streams(rig, tmp_path):
    wav = make_sine(tmp_path / "click.wav", seconds=0.2)
    mp3 = tmp_path / "click.mp3"
    subprocess.run(["lame", "--quiet", "-b", "128", str(wav), str(mp3)], check=True)
    r = rig.run("init -1", f"loop 300 {win_path(mp3)}", "resources", f"loop 5000 {win_path(mp3)}",
                f"loop 5000 {win_path(wav)}", "resources", "free", timeout=600)
    assert [line(r, "loop", i)["failures"] for i in range(3)] == [0, 0, 0]
    assert_flat(line(r, "resources", 0).fields and line(r, "resources", 0), line(r, "resources", 1))


def test_two_hundred_init_free_cycles(rig, tmp_path):
    wav = make_sine(tmp_path / "click.wav", seconds=0.2)
    r = rig.run("initloop 10 -1", "resources", f"initloop 200 -1 {win_path(wav)}", "initloop 20 0", "resources",
                timeout=600)
    assert [line(r, "initloop", i)["failures"] for i in range(3)] == [0, 0, 0]
    assert_flat(line(r, "resources", 0), line(r, "resources", 1))


def test_a_thousand_midi_streams(rig, tmp_path):
    mid = midi_fixtures.chord().write(tmp_path)
    r = rig.run("init -1", f"loop 100 {win_path(mid)}", "resources", f"loop 1000 {win_path(mid)}", "resources", "free",
                timeout=600)
    assert [line(r, "loop", i)["failures"] for i in range(2)] == [0, 0]
    assert_flat(line(r, "resources", 0), line(r, "resources", 1))
