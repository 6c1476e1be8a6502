#include "audiolib/core/GainRamp.h"

#include <algorithm>

namespace audiolib {

void applyGainRamp(float* frames, size_t count, int channels, float from, float to,
                   size_t rampFrames) noexcept {
    const size_t ramp = std::min(rampFrames, count);
    for (size_t i = 0; i < ramp; ++i) {
        const float g = from + (to - from) * float(i + 1) / float(rampFrames);
        for (int c = 0; c < channels; ++c)
            frames[i * channels + c] *= g;
    }
    if (to == 1.0f) return;
    for (size_t i = ramp * channels; i < count * channels; ++i)
        frames[i] *= to;
}

void mixInto(float* dst, int dstChannels, const float* src, int srcChannels, size_t frames) noexcept {
    if (srcChannels == 1) {
        for (size_t i = 0; i < frames; ++i)
            for (int c = 0; c < dstChannels; ++c)
                dst[i * dstChannels + c] += src[i];
        return;
    }
    const int n = std::min(dstChannels, srcChannels);
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < n; ++c)
            dst[i * dstChannels + c] += src[i * srcChannels + c];
}

} // namespace audiolib
