#include "audiolib/core/PcmConvert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audiolib {
namespace {

int16_t clip16(double v) {
    v = std::nearbyint(v);
    return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
}

int32_t rd24(const uint8_t* p) {
    int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v << 8) >> 8;
}

} // namespace

void toInt16(const uint8_t* in, SampleKind kind, int bits, size_t samples, int16_t* out) noexcept {
    if (kind == SampleKind::Float) {
        for (size_t i = 0; i < samples; ++i) {
            double v;
            if (bits == 64) {
                std::memcpy(&v, in + i * 8, 8);
            } else {
                float f;
                std::memcpy(&f, in + i * 4, 4);
                v = f;
            }
            if (!std::isfinite(v)) v = 0;
            out[i] = clip16(v * 32768.0);
        }
        return;
    }
    switch (bits) {
    case 8:
        for (size_t i = 0; i < samples; ++i)
            out[i] = static_cast<int16_t>((in[i] - 128) << 8);
        break;
    case 16:
        std::memcpy(out, in, samples * 2);
        break;
    case 24:
        for (size_t i = 0; i < samples; ++i)
            out[i] = clip16(rd24(in + i * 3) / 256.0);
        break;
    case 32:
        for (size_t i = 0; i < samples; ++i) {
            int32_t v;
            std::memcpy(&v, in + i * 4, 4);
            out[i] = clip16(v / 65536.0);
        }
        break;
    default:
        std::fill(out, out + samples, int16_t{0});
    }
}

void fromFloat(const float* in, size_t samples, DeviceSampleFormat format, uint8_t* out) noexcept {
    switch (format) {
    case DeviceSampleFormat::Float32:
        for (size_t i = 0; i < samples; ++i) {
            float v = std::clamp(in[i], -1.0f, 1.0f);
            std::memcpy(out + i * 4, &v, 4);
        }
        break;
    case DeviceSampleFormat::Int16:
        for (size_t i = 0; i < samples; ++i) {
            int16_t v = static_cast<int16_t>(std::lrint(std::clamp(in[i], -1.0f, 1.0f) * 32767.0f));
            std::memcpy(out + i * 2, &v, 2);
        }
        break;
    case DeviceSampleFormat::Int24:
        for (size_t i = 0; i < samples; ++i) {
            int32_t v = static_cast<int32_t>(std::lrint(std::clamp(in[i], -1.0f, 1.0f) * 8388607.0f));
            out[i * 3] = static_cast<uint8_t>(v);
            out[i * 3 + 1] = static_cast<uint8_t>(v >> 8);
            out[i * 3 + 2] = static_cast<uint8_t>(v >> 16);
        }
        break;
    case DeviceSampleFormat::Int32:
        for (size_t i = 0; i < samples; ++i) {
            int32_t v = static_cast<int32_t>(
                std::llrint(std::clamp(static_cast<double>(in[i]), -1.0, 1.0) * 2147483647.0));
            std::memcpy(out + i * 4, &v, 4);
        }
        break;
    }
}

} // namespace audiolib
