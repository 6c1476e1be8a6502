#include "audiolib/core/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace audiolib;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Streams a sine through the resampler in odd-sized chunks and returns the
// output.
std::vector<float> run(uint32_t inRate, uint32_t outRate, double freq, size_t inFrames, int channels) {
    Resampler r;
    r.configure(channels, inRate, outRate, 300);
    std::vector<float> in(inFrames * channels);
    for (size_t i = 0; i < inFrames; ++i)
        for (int c = 0; c < channels; ++c)
            in[i * channels + c] = float(0.5 * std::sin(2 * kPi * freq * i / inRate)) * (c ? -1 : 1);
    std::vector<float> out;
    size_t fed = 0;
    std::vector<float> chunk(113 * channels);
    bool tail = false;
    while (true) {
        size_t want = r.inputWanted(113);
        while (want > 0 && fed < inFrames) {
            size_t n = std::min({want, inFrames - fed, size_t(97)});
            size_t took = r.push(&in[fed * channels], n);
            fed += took;
            want -= took;
            if (took == 0) break;
        }
        if (fed == inFrames && !tail) {
            r.pushTail();
            tail = true;
        }
        size_t got = r.pull(chunk.data(), 113);
        out.insert(out.end(), chunk.begin(), chunk.begin() + got * channels);
        if (got == 0) break;
    }
    return out;
}

} // namespace

TEST(Resampler, SineSurvivesConversionCleanly) {
    struct Case {
        uint32_t in, out;
        double freq;
    };
    for (Case c : {Case{44100, 48000, 440}, Case{44100, 48000, 15000}, Case{48000, 44100, 1000},
                   Case{22050, 48000, 5000}, Case{8000, 48000, 440}, Case{96000, 44100, 10000}}) {
        const size_t inFrames = c.in / 2;
        auto out = run(c.in, c.out, c.freq, inFrames, 2);
        const size_t outFrames = out.size() / 2;
        // Length follows the ratio.
        EXPECT_NEAR(double(outFrames), double(inFrames) * c.out / c.in, 20.0) << c.in << "->" << c.out;
        // Compare with the ideal sine away from the edges; the output is aligned
        // with the input (no delay).
        double err = 0, sig = 0;
        for (size_t i = 200; i + 200 < outFrames; ++i) {
            const double ideal = 0.5 * std::sin(2 * kPi * c.freq * i / c.out);
            err += (out[i * 2] - ideal) * (out[i * 2] - ideal) +
                   (out[i * 2 + 1] + ideal) * (out[i * 2 + 1] + ideal);
            sig += 2 * ideal * ideal;
        }
        const double snr = 10 * std::log10(sig / err);
        EXPECT_GT(snr, 70.0) << c.in << "->" << c.out << " at " << c.freq;
    }
}

TEST(Resampler, RemovesWhatWouldAlias) {
    // 30 kHz cannot exist at 44.1 kHz output: it must vanish, not fold to 14.1 kHz.
    auto out = run(96000, 44100, 30000, 48000, 1);
    double energy = 0;
    for (size_t i = 200; i + 200 < out.size(); ++i)
        energy += out[i] * out[i];
    energy /= double(out.size() - 400);
    EXPECT_LT(10 * std::log10(energy / 0.125), -70.0);
}

TEST(Resampler, ResetForgetsHistory) {
    Resampler r;
    r.configure(1, 44100, 48000, 64);
    std::vector<float> ones(64, 1.0f), out(64);
    r.push(ones.data(), 64);
    r.pull(out.data(), 64);
    r.reset();
    std::vector<float> zeros(64, 0.0f);
    r.push(zeros.data(), 64);
    size_t n = r.pull(out.data(), 32);
    ASSERT_GT(n, 0u);
    for (size_t i = 0; i < n; ++i)
        EXPECT_EQ(out[i], 0.0f);
}
