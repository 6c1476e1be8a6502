// Conversions between the sample formats we read or write and the two the
// library works in: 16-bit integers (the stream's decoded form, which byte
// positions count) and float (the mix).
#pragma once
#include <cstddef>
#include <cstdint>

#include "audiolib/core/WavFormat.h"

namespace audiolib {

// Converts `samples` interleaved samples of a WAV's integer or float format
// to 16-bit, rounding and clipping.
void toInt16(const uint8_t* in, SampleKind kind, int bits, size_t samples, int16_t* out) noexcept;

enum class DeviceSampleFormat { Float32, Int16, Int24, Int32 };

// Converts mixed float samples to a device format, clipping to full scale.
void fromFloat(const float* in, size_t samples, DeviceSampleFormat format, uint8_t* out) noexcept;

} // namespace audiolib
