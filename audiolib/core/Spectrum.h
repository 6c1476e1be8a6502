// Magnitude spectrum for level displays: 256 samples, Hann window, 128
// magnitudes (bins 0..127). Scaled so that a full-scale sine that falls on a
// bin reads 1.0 there.
#pragma once
#include <cstddef>

namespace audiolib {

constexpr size_t kFftSize = 256;
constexpr size_t kFftBins = kFftSize / 2;

// samples: kFftSize values, oldest first. out: kFftBins magnitudes.
void spectrum256(const float* samples, float* out) noexcept;

} // namespace audiolib
