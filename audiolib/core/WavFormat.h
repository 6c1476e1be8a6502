// RIFF/WAVE container parsing. Sizes written by other programs are not
// trusted: chunks that claim more bytes than the file holds are clamped, a
// zero or "unknown" data size means "to the end of the file", and writers that
// forget the pad byte after an odd-sized chunk are tolerated.
#pragma once
#include <cstdint>
#include <vector>

#include "audiolib/core/ByteSource.h"

namespace audiolib {

enum class SampleKind { Int, Float, Encoded };

struct WavInfo {
    uint16_t formatTag = 0; // the codec, with WAVE_FORMAT_EXTENSIBLE resolved to its sub-format
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;
    uint16_t blockAlign = 0;
    SampleKind kind = SampleKind::Int;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;   // whole blocks only
    uint32_t factFrames = 0;  // from a "fact" chunk, 0 when absent
    std::vector<uint8_t> fmt; // the fmt chunk as written, for a system codec
};

enum class WavResult { Ok, NotWav, Corrupt, Unsupported };

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatFloat = 3;
constexpr uint16_t kWaveFormatMpegLayer3 = 0x55;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// True when the first bytes are a RIFF/WAVE header.
bool looksLikeWav(const uint8_t* head, size_t n) noexcept;

WavResult parseWav(ByteSource& src, WavInfo& out);

} // namespace audiolib
