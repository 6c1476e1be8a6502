// Turns an encoded source into 16-bit interleaved PCM. Decoders run on the
// decoder thread or on the caller's thread while it holds the stream's
// decode lock, never on a render thread.
#pragma once
#include <cstdint>
#include <memory>

#include "audiolib/core/ByteSource.h"

namespace audiolib {

class Decoder {
  public:
    virtual ~Decoder() = default;
    int channels() const noexcept { return channels_; }
    uint32_t sampleRate() const noexcept { return rate_; }
    // Frames the stream holds; an estimate when the container does not say
    // (an MP3 without a Xing header), corrected once decoding reaches the end.
    uint64_t lengthFrames() const noexcept { return length_; }

    // Decodes up to maxFrames; 0 means the end (or an unreadable rest).
    virtual size_t decode(int16_t* out, size_t maxFrames) noexcept = 0;
    // The next decode() starts at this frame.
    virtual bool seek(uint64_t frame) noexcept = 0;

  protected:
    int channels_ = 0;
    uint32_t rate_ = 0;
    uint64_t length_ = 0;
};

// Finds the format from the content. On failure returns nullptr and sets
// *error to a BASS_ERROR_* code. The decoder owns the source.
std::unique_ptr<Decoder> openDecoder(std::unique_ptr<ByteSource> source, int* error);

} // namespace audiolib
