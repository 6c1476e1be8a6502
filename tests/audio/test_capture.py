"""What the library plays, as captured from the ALSA device: decode accuracy
against Linux reference decodes, volume, stop and free."""
import numpy as np

from conftest import (PERIOD, RATE, align, envelope, line, make_sine, make_speech_mp3, mono, reference, snr_db,
                      win_path)


def test_capture_format(rig, tmp_path):
    # The analysis below assumes float32 stereo at 48 kHz; the library reports
    # what the device took.
    clip = make_sine(tmp_path / "a.wav", seconds=0.2)
    r = rig.run("init -1", "output", f"create {win_path(clip)}", "play", "waitend", "free")
    out = line(r, "output")
    assert (out["rate"], out["channels"], out["period"]) == (RATE, 2, PERIOD)
    cap = rig.capture()
    assert np.abs(cap).max() > 0.4


def test_wav_and_mp3_match_reference_decodes(rig, tmp_path):
    wav = make_sine(tmp_path / "tone.wav", seconds=1.0, extra=("fade", "0.05", "1.0", "0.05"))
    mp3 = make_speech_mp3(tmp_path / "speech.mp3", tmp_path)
    rig.run("init -1", f"create {win_path(wav)}", "play", "waitend", "sleep 100",
            f"create {win_path(mp3)}", "play", "waitend", "sleep 100", "free")
    cap = mono(rig.capture())
    for clip in (wav, mp3):
        ref = mono(reference(clip, tmp_path))
        lag = align(cap, ref)
        assert lag >= 0
        snr = snr_db(cap, ref, lag)
        assert snr > 40, f"{clip.name}: SNR {snr:.1f} dB"


def test_volume_scales_amplitude(rig, tmp_path):
    clip = make_sine(tmp_path / "tone.wav", seconds=0.5)
    rig.run("init -1", f"create {win_path(clip)}", "vol 0.5", "play", "waitend", "sleep 50",
            "vol 0", "play", "waitend", "sleep 50", "free")
    cap = mono(rig.capture())
    ref = mono(reference(clip, tmp_path))
    lag = align(cap, ref)
    seg = cap[lag + 2000: lag + len(ref) - 2000]
    gain = np.sqrt(np.mean(seg ** 2) / np.mean(ref[2000:-2000] ** 2))
    assert abs(gain - 0.5) <= 0.01, gain
    # The volume-0 play lasts the clip's length and is silent throughout.
    rest = cap[lag + len(ref) + 100:]
    assert np.abs(rest).max() == 0.0


# Timing tests use sweeps: unlike a steady tone, a sweep lines up with its
# reference at exactly one lag.
SWEEP = "300-3000"


def test_volume_change_shows_within_20ms(rig, tmp_path):
    clip = make_sine(tmp_path / "tone.wav", freq=SWEEP, seconds=1.0)
    r = rig.run("init -1", f"create {win_path(clip)}", "play", "sleep 400", "vol 0.25", "waitend", "sleep 100",
                "free")
    # The stream positions just before and just after the change was asked:
    # everything before the first was mixed at the old volume, and the new one
    # is heard within 20 ms of the second.
    before, after = (int(line(r, "vol")[k] // 4 * RATE / 44100) for k in ("before", "pos"))
    cap = mono(rig.capture())
    ref = mono(reference(clip, tmp_path))
    lag = align(cap, ref)
    played = cap[lag: lag + len(ref)]
    env = envelope(played) / envelope(ref)[: len(played)].clip(1e-6)
    settled = before + int(np.argmax(env[before:] < 0.26))
    delay_ms = (settled - after) / RATE * 1000
    assert delay_ms <= 20, delay_ms
    assert np.all(env[1000: before - 100] > 0.99)


def test_stop_and_free_silence_within_one_period(rig, tmp_path):
    first = make_sine(tmp_path / "first.wav", freq=SWEEP, seconds=2.0)
    second = make_sine(tmp_path / "second.wav", freq="3000-600", seconds=0.6, extra=("fade", "0", "0.6", "0.1"))
    r = rig.run("init -1", f"create {win_path(first)}", "play", "sleep 300", "stop", "sleep 300",
                "play 0", "sleep 300", "streamfree", "sleep 200",
                f"create {win_path(second)}", "play", "waitend", "sleep 100", "free")
    cap = mono(rig.capture())
    ref1 = mono(reference(first, tmp_path))
    lag = align(cap, ref1[:12000])
    env = envelope(cap)

    def silent_after(pos_bytes, start_frame):
        # Frames from the stream position of the call until the output is quiet.
        at = start_frame + int(pos_bytes // 4 * RATE / 44100)
        quiet = np.nonzero(env[at:] < 1e-4)[0]
        return int(quiet[0]) if len(quiet) else len(env) - at, at

    stop_frames, stop_at = silent_after(line(r, "stop")["pos"], lag)
    assert stop_frames <= PERIOD, stop_frames
    # Resumed from where it stopped (plus the few ms of fade): the output
    # continues the same tone, not the start of the file again.
    resumed = np.nonzero(env[stop_at + PERIOD:] > 0.1)[0][0] + stop_at + PERIOD
    # While stopped the position holds, apart from the fade that ended the sound.
    assert line(r, "sleep", 1)["pos"] - line(r, "stop")["pos"] <= 0.005 * 44100 * 4
    free_frames, _ = silent_after(line(r, "streamfree")["pos"] - line(r, "play", 1)["pos"],
                                  resumed)
    assert free_frames <= PERIOD + 100, free_frames
    # The next clip plays from its start, complete.
    ref2 = mono(reference(second, tmp_path))
    lag2 = align(cap, ref2)
    assert lag2 > resumed
    assert snr_db(cap, ref2, lag2) > 40


def test_plays_again_after_the_output_rested(rig, tmp_path):
    # Ten seconds of silence close the device stream; the next play opens it
    # again and must sound complete, from its first sample.
    first = make_sine(tmp_path / "first.wav", freq=SWEEP, seconds=0.5)
    second = make_sine(tmp_path / "second.wav", freq="3000-600", seconds=0.5)
    r = rig.run("init -1", f"create {win_path(first)}", "play", "waitend", "sleep 11500", "output",
                f"create {win_path(second)}", "play", "waitend", "sleep 100", "output", "free")
    assert line(r, "output", 1)["deviceUnderruns"] == 0
    cap = mono(rig.capture())
    for clip in (first, second):
        ref = mono(reference(clip, tmp_path))
        lag = align(cap, ref)
        assert lag >= 0
        assert snr_db(cap, ref, lag) > 40, clip.name
