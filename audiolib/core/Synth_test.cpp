#include "audiolib/core/Synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audiolib/core/MidiPlayer.h"
#include "audiolib/core/MidiTestBytes.h"

using namespace audiolib;
using namespace audiolib::test;

namespace {

constexpr uint32_t kRate = 44100;

std::shared_ptr<const SoundBank> font(FontImage s = sineFont()) {
    const Bytes b = sf2(s);
    MemorySource src(b.data(), b.size());
    auto bank = std::make_shared<SoundBank>();
    EXPECT_EQ(loadSoundFont(src, *bank), SoundFontResult::Ok);
    return bank;
}

std::vector<float> render(Synth& s, size_t frames) {
    std::vector<float> out(frames * 2, 0.0f);
    s.render(out.data(), frames);
    return out;
}

// Frequency from the zero crossings of one channel.
double frequency(const std::vector<float>& stereo, int channel = 0) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < stereo.size() / 2; ++i) {
        const float a = stereo[(i - 1) * 2 + channel], b = stereo[i * 2 + channel];
        if (a < 0 && b >= 0) {
            const double t = double(i - 1) + a / (a - b);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * kRate / (last - first) : 0;
}

double cents(double f, double ref) {
    return 1200 * std::log2(f / ref);
}

float peak(const std::vector<float>& v, size_t from = 0, size_t to = SIZE_MAX, int channel = -1) {
    float p = 0;
    for (size_t i = from * 2; i < std::min(to * 2, v.size()); ++i)
        if (channel < 0 || int(i % 2) == channel) p = std::max(p, std::abs(v[i]));
    return p;
}

} // namespace

TEST(Synth, PitchFollowsKeyBendAndItsRpnRange) {
    struct Case {
        const char* name;
        std::vector<std::array<uint8_t, 3>> events;
        int key;
        double hz;
    };
    const std::vector<Case> cases = {
        {"root key", {}, 69, 440.0},
        {"octave up", {}, 81, 880.0},
        {"fifth down", {}, 62, 440.0 * std::pow(2.0, -7 / 12.0)},
        {"full bend, default two semitones", {{0xE0, 0x7F, 0x7F}}, 69, 440.0 * std::pow(2.0, 2 / 12.0 * 8191 / 8192)},
        {"bend down, range set to 12 by RPN 0",
         {{0xB0, 101, 0}, {0xB0, 100, 0}, {0xB0, 6, 12}, {0xB0, 38, 0}, {0xE0, 0, 0}}, 69, 220.0},
        {"NRPN data entry leaves the range alone",
         {{0xB0, 99, 0}, {0xB0, 98, 0}, {0xB0, 6, 12}, {0xE0, 0, 0}}, 69, 440.0 * std::pow(2.0, -2 / 12.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Synth s(font(), kRate);
        for (const auto& e : c.events)
            s.event(e[0], e[1], e[2]);
        s.event(0x90, uint8_t(c.key), 127);
        render(s, 2000); // past the attack
        EXPECT_NEAR(cents(frequency(render(s, kRate / 2)), c.hz), 0.0, 0.5);
    }
}

TEST(Synth, LevelsFollowVelocityVolumeExpressionAndPan) {
    auto level = [](std::vector<std::array<uint8_t, 3>> events, int velocity, int channel) {
        Synth s(font(), kRate);
        for (const auto& e : events)
            s.event(e[0], e[1], e[2]);
        s.event(0x90, 69, uint8_t(velocity));
        render(s, 2000);
        return peak(render(s, 4410), 0, SIZE_MAX, channel);
    };
    const float full = level({}, 127, 0);
    EXPECT_NEAR(full, 16000.0f / 32768 * Synth::kMasterGain * std::sqrt(0.5f) * (100.0f / 127) * (100.0f / 127),
                0.002f);
    EXPECT_NEAR(level({}, 64, 0) / full, std::pow(64 / 127.0f, 2), 0.01f);
    EXPECT_NEAR(level({{0xB0, 7, 50}}, 127, 0) / full, std::pow(50 / 100.0f, 2), 0.01f);
    EXPECT_NEAR(level({{0xB0, 11, 64}}, 127, 0) / full, std::pow(64 / 127.0f, 2), 0.01f);
    EXPECT_LT(level({{0xB0, 10, 0}}, 127, 1), full * 0.01f);
    EXPECT_NEAR(level({{0xB0, 10, 0}}, 127, 0) / full, std::sqrt(2.0f), 0.01f);
}

TEST(Synth, ReleaseSustainPedalAndTheSilencingControllers) {
    FontImage spec = sineFont();
    spec.instrumentZones = {{{54, 1}, {38, int16_t(-3986) & 0xFFFF}, {53, 0}}}; // release 0.1 s
    auto bank = font(spec);
    auto afterOff = [&](std::vector<std::array<uint8_t, 3>> between, size_t frames) {
        Synth s(bank, kRate);
        s.event(0x90, 69, 127);
        render(s, 2000);
        for (const auto& e : between)
            s.event(e[0], e[1], e[2]);
        return render(s, frames);
    };
    // Note-off: 96 dB over the release time, then the voice is free.
    auto off = afterOff({{0x80, 69, 0}}, kRate / 5);
    EXPECT_GT(peak(off, 0, 441), 0.01f);
    EXPECT_LT(peak(off, 4410 - 200, 4410), peak(off, 0, 441) * 0.001f);
    // Held by the pedal until it is lifted.
    Synth s(bank, kRate);
    s.event(0xB0, 64, 127);
    s.event(0x90, 69, 127);
    s.event(0x80, 69, 0);
    EXPECT_GT(peak(render(s, kRate / 2), kRate / 2 - 100), 0.01f);
    s.event(0xB0, 64, 0);
    render(s, kRate / 5);
    EXPECT_EQ(s.activeVoices(), 0);
    // All sound off cuts within a few milliseconds; all notes off releases.
    auto cut = afterOff({{0xB0, 120, 0}}, 441);
    EXPECT_LT(peak(cut, 400, 441), 1e-5f);
    auto notesOff = afterOff({{0xB0, 123, 0}}, kRate / 5);
    EXPECT_LT(peak(notesOff, 4410 - 200, 4410), 1e-5f);
    // Reset controllers lifts the pedal too.
    Synth r(bank, kRate);
    r.event(0xB0, 64, 127);
    r.event(0x90, 69, 127);
    r.event(0x80, 69, 0);
    r.event(0xB0, 121, 0);
    render(r, kRate / 5);
    EXPECT_EQ(r.activeVoices(), 0);
}

TEST(Synth, VoiceLimitStealsTheQuietestVoice) {
    Synth s(font(), kRate);
    s.event(0x90, 69, 127); // loud
    for (int i = 0; i < 100000; ++i)
        s.event(0x91, uint8_t(i % 128), 5);
    EXPECT_EQ(s.activeVoices(), Synth::kMaxVoices);
    render(s, 2000);
    // The loud note survived 100 000 quiet ones.
    s.event(0xB0 | 1, 120, 0);
    render(s, 1000);
    EXPECT_EQ(s.activeVoices(), 1);
    EXPECT_NEAR(cents(frequency(render(s, 4410)), 440.0), 0.0, 1.0);
}

TEST(Synth, ExclusiveClassCutsTheEarlierNote) {
    FontImage spec = sineFont();
    spec.instrumentZones = {{{54, 1}, {57, 1}, {53, 0}}};
    Synth s(font(spec), kRate);
    s.event(0x90, 60, 127);
    render(s, 100);
    s.event(0x90, 64, 127);
    render(s, 1000);
    EXPECT_EQ(s.activeVoices(), 1);
}

TEST(Synth, FallbackBankIsNeverSilent) {
    Synth s(makeFallbackBank(), kRate);
    for (int program : {0, 19, 40, 56, 73, 80, 88, 118}) {
        s.reset();
        s.event(0xC0, uint8_t(program), 0);
        s.event(0x90, 60, 100);
        auto out = render(s, kRate / 2);
        EXPECT_GT(peak(out), 0.02f) << program;
        EXPECT_NEAR(cents(frequency(render(s, kRate / 10)), 261.626), 0.0, 25.0) << program;
    }
    for (int key : {36, 38, 42}) {
        s.reset();
        s.event(0x99, uint8_t(key), 100);
        EXPECT_GT(peak(render(s, kRate / 10)), 0.02f) << key;
    }
}

TEST(MidiPlayer, RendersTheSongThenItsTailAndKnowsItsLength) {
    MidiSong song;
    song.events = {{0, 0x90, 69, 127}, {kRate / 10, 0x90, 72, 127}};
    song.endFrame = kRate / 2; // neither note is ever released
    MidiPlayer p(song, font(), kRate);
    EXPECT_EQ(p.lengthFrames(), kRate / 2 + uint64_t(MidiPlayer::kTailEstimateSeconds * kRate));
    std::vector<int16_t> out(kRate * 2 * 2);
    size_t total = 0;
    for (size_t n; (n = p.render(out.data() + total * 2, 777)) > 0;)
        total += n;
    // Released at the song's end; the default release (about a millisecond,
    // at least 10 ms) ends it shortly after.
    EXPECT_GT(total, kRate / 2);
    EXPECT_LT(total, kRate / 2 + kRate / 20);
    EXPECT_EQ(p.lengthFrames(), total);
    EXPECT_GT(std::abs(out[(kRate / 2 - 10) * 2]) + std::abs(out[(kRate / 2 - 11) * 2]), 100);
    // Seeking to the start replays the same audio, however the requests are cut.
    p.seek(0);
    std::vector<int16_t> again(out.size());
    size_t n = 0;
    while (size_t got = p.render(again.data() + n * 2, 1000))
        n += got;
    EXPECT_EQ(n, total);
    EXPECT_EQ(out, again);
}
