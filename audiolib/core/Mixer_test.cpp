#include "audiolib/core/Mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace audiolib;

namespace {

// A mono voice at the mix rate (no resampling) holding a constant level.
std::shared_ptr<Voice> constantVoice(Mixer& mixer, size_t frames, int16_t level = 16384) {
    auto v = std::make_shared<Voice>(1, 48000, frames + 16);
    std::vector<int16_t> samples(frames, level);
    v->ring.write(samples.data(), samples.size());
    v->sourceEnded.store(true);
    mixer.add(v);
    return v;
}

std::vector<float> render(Mixer& mixer, size_t frames) {
    std::vector<float> out(frames * 2);
    mixer.render(out.data(), frames, 1);
    return out;
}

} // namespace

TEST(Mixer, PlaysExactlyFromTheFirstSampleAndSpreadsMono) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = constantVoice(mixer, 1000);
    v->state.store(PlayState::Playing);
    auto out = render(mixer, 480);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[1], 0.5f);
    EXPECT_FLOAT_EQ(out[959], 0.5f);
    EXPECT_EQ(v->position.load(), 480u);
    EXPECT_EQ(v->firstOutputAt.load(), 0); // nobody asked for a stamp
}

TEST(Mixer, StopFadesOverAFewMillisecondsAndKeepsThePosition) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = constantVoice(mixer, 4000);
    v->state.store(PlayState::Playing);
    render(mixer, 480);
    v->state.store(PlayState::Stopped);
    auto out = render(mixer, 480);
    const size_t fade = size_t(48000 * Mixer::kFadeSeconds);
    EXPECT_GT(out[0], 0.45f);
    EXPECT_LT(out[(fade / 2) * 2], 0.3f);
    for (size_t i = fade; i < 480; ++i)
        EXPECT_EQ(out[i * 2], 0.0f);
    // Only the fade was taken from the stream.
    EXPECT_EQ(v->position.load(), 480u + fade);
    EXPECT_FALSE(v->audible);
    // Resuming mid-stream ramps up rather than jumping.
    v->fadeIn = true;
    v->state.store(PlayState::Playing);
    out = render(mixer, 480);
    EXPECT_LT(out[0], 0.05f);
    EXPECT_FLOAT_EQ(out[400 * 2], 0.5f);
}

TEST(Mixer, VolumeChangesWithinTheNextBlock) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = constantVoice(mixer, 4000);
    v->state.store(PlayState::Playing);
    render(mixer, 480);
    v->volume.store(0.5f);
    auto out = render(mixer, 480);
    EXPECT_NEAR(out[479 * 2], 0.25f, 1e-6);
    mixer.setMasterVolume(0.5f);
    out = render(mixer, 480);
    EXPECT_NEAR(out[0], 0.125f, 1e-6);
}

TEST(Mixer, EndsAtTheEndAndCountsUnderrunsOnlyWhileDecodingLags) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto ended = constantVoice(mixer, 300);
    ended->state.store(PlayState::Playing);
    auto out = render(mixer, 480);
    EXPECT_EQ(ended->state.load(), PlayState::Stopped);
    EXPECT_EQ(ended->position.load(), 300u);
    EXPECT_EQ(out[299 * 2], 0.5f);
    EXPECT_EQ(out[300 * 2], 0.0f);
    EXPECT_EQ(mixer.underruns(), 0u);

    auto starving = std::make_shared<Voice>(1, 48000, 1000);
    mixer.add(starving);
    starving->state.store(PlayState::Playing);
    render(mixer, 480);
    EXPECT_EQ(starving->state.load(), PlayState::Playing);
    EXPECT_EQ(mixer.underruns(), 1u);
}

TEST(Mixer, ReleasedVoicesFinishAndAreReaped) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = constantVoice(mixer, 4000);
    v->state.store(PlayState::Playing);
    render(mixer, 480);
    mixer.release(*v);
    EXPECT_FALSE(v->finished.load()); // it sounds, so it fades out first
    render(mixer, 480);
    EXPECT_TRUE(v->finished.load());
    mixer.reap();
    EXPECT_EQ(v.use_count(), 1);
}

TEST(Mixer, AVoiceThatNeverSoundedIsDoneAsSoonAsItIsReleased) {
    // No render has to run for it: the output may be at rest.
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = constantVoice(mixer, 4000);
    mixer.release(*v);
    EXPECT_TRUE(v->finished.load());
    mixer.reap();
    EXPECT_EQ(v.use_count(), 1);
}

TEST(Mixer, SaysWhetherAnythingSoundedUntilTheLastFadeHasEnded) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = constantVoice(mixer, 4000);
    render(mixer, 480);
    EXPECT_FALSE(mixer.soundedLastRender());
    v->state.store(PlayState::Playing);
    render(mixer, 480);
    EXPECT_TRUE(mixer.soundedLastRender());
    v->state.store(PlayState::Paused);
    render(mixer, 480); // the fade
    EXPECT_FALSE(mixer.soundedLastRender());
}

TEST(Mixer, ResamplesToTheMixRateAndFillsTheSpectrumHistory) {
    Mixer mixer;
    mixer.setFormat(48000, 2, 480);
    auto v = std::make_shared<Voice>(2, 44100, 44100);
    std::vector<int16_t> tone(44100 * 2);
    for (size_t i = 0; i < 44100; ++i)
        tone[i * 2] = tone[i * 2 + 1] =
            int16_t(16000 * std::sin(2 * 3.14159265358979 * 3000 * double(i) / 44100));
    v->ring.write(tone.data(), tone.size());
    mixer.add(v);
    v->awaitingFirstOutput.store(true);
    v->state.store(PlayState::Playing);
    for (int i = 0; i < 10; ++i)
        render(mixer, 480);
    EXPECT_EQ(v->firstOutputAt.load(), 1);
    EXPECT_NEAR(double(v->position.load()), 4800.0 * 44100 / 48000, 40.0);
    float history[kFftSize], bins[kFftBins];
    ASSERT_TRUE(v->readHistory(history));
    spectrum256(history, bins);
    EXPECT_EQ(std::max_element(bins, bins + kFftBins) - bins, 16); // 3 kHz at 48 kHz / 256
}
