#include "audiolib/core/Spectrum.h"

#include <cmath>
#include <complex>

namespace audiolib {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Tables {
    float window[kFftSize];
    std::complex<float> twiddle[kFftSize / 2];
    unsigned reversed[kFftSize];
    Tables() {
        for (size_t i = 0; i < kFftSize; ++i)
            window[i] = float(0.5 - 0.5 * std::cos(2 * kPi * i / kFftSize));
        for (size_t i = 0; i < kFftSize / 2; ++i)
            twiddle[i] = std::polar(1.0f, float(-2 * kPi * i / kFftSize));
        for (unsigned i = 0; i < kFftSize; ++i) {
            unsigned r = 0;
            for (unsigned b = 1, v = i; b < kFftSize; b <<= 1, v >>= 1)
                r = (r << 1) | (v & 1);
            reversed[i] = r;
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

void spectrum256(const float* samples, float* out) noexcept {
    const Tables& t = tables();
    std::complex<float> a[kFftSize];
    for (size_t i = 0; i < kFftSize; ++i)
        a[t.reversed[i]] = samples[i] * t.window[i];
    for (size_t len = 2; len <= kFftSize; len <<= 1) {
        const size_t stride = kFftSize / len;
        for (size_t i = 0; i < kFftSize; i += len) {
            for (size_t j = 0; j < len / 2; ++j) {
                const auto w = t.twiddle[j * stride] * a[i + j + len / 2];
                a[i + j + len / 2] = a[i + j] - w;
                a[i + j] += w;
            }
        }
    }
    // The Hann window halves a sine's peak; a real sine splits between the
    // positive and negative bin: 4 / N brings the peak back to its amplitude.
    const float scale = 4.0f / kFftSize;
    for (size_t i = 0; i < kFftBins; ++i)
        out[i] = std::abs(a[i]) * scale;
}

} // namespace audiolib
