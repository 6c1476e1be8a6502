// MPEG audio Layer III framing: the ID3v2 prefix, frame headers, the
// Xing/Info header with LAME's gapless fields, and the ID3v1 trailer.
// The decoding itself is the system codec's job; this finds where the audio
// is and how much of the decoded output is real.
#pragma once
#include <cstdint>
#include <optional>

#include "audiolib/core/ByteSource.h"

namespace audiolib {

struct Mp3FrameHeader {
    int version = 0;      // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    uint32_t bitrate = 0; // bits per second
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint32_t frameBytes = 0;
    uint32_t samplesPerFrame = 0;
    uint32_t sideInfoBytes = 0;
};

// Decodes a 4-byte Layer III frame header; nullopt for anything else
// (other layers, free format, reserved values).
std::optional<Mp3FrameHeader> parseMp3Header(const uint8_t* h) noexcept;

// Total size of an ID3v2 tag (header, body and footer) starting at `head`,
// or 0 when there is none. `head` needs 10 bytes.
uint64_t id3v2TagSize(const uint8_t* head, size_t n) noexcept;

struct Mp3Layout {
    Mp3FrameHeader first;      // the first audio frame's header
    uint64_t audioOffset = 0;  // first byte fed to the decoder
    uint64_t audioEnd = 0;     // one past the last audio byte (ID3v1 excluded)
    uint64_t totalFrames = 0;  // PCM frames after trimming; 0 when unknown
    uint32_t encoderDelay = 0; // from the LAME header
    uint32_t encoderPadding = 0;
    bool hasGaplessInfo = false;
    bool hasId3v1 = false;
};

// Finds the first run of consecutive valid frames after any ID3v2 tags.
// Returns false when the content is not MPEG Layer III audio.
bool parseMp3Layout(ByteSource& src, Mp3Layout& out);

// Samples the decoder adds before the first real sample; LAME's delay field
// counts only the encoder's share.
constexpr uint32_t kMp3DecoderDelay = 529;

} // namespace audiolib
