// Volume changes and stops applied without clicks: the gain moves linearly
// from where it was to where it is asked to be over a block of output.
#pragma once
#include <cstddef>

namespace audiolib {

// Multiplies interleaved frames by a gain moving from `from` to `to` over
// `rampFrames` (0: at once); frames after the ramp get `to`.
void applyGainRamp(float* frames, size_t count, int channels, float from, float to,
                   size_t rampFrames) noexcept;

// Adds `src` (srcChannels interleaved) into `dst` (dstChannels interleaved):
// mono feeds every output channel, otherwise channel c feeds channel c.
void mixInto(float* dst, int dstChannels, const float* src, int srcChannels, size_t frames) noexcept;

} // namespace audiolib
