// Everything the system's audio codecs decode for us through ACM: MP3 (the
// MPEG Layer-3 codec) and WAV files in other codecs (ADPCM, A-law, ...).
// Seeking restarts the codec and decodes up to the target, which is exact
// and, for clip-sized files, quick.
#pragma once
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <vector>

#include "Decoder.h"

namespace audiolib {

struct AcmInput {
    std::vector<uint8_t> format; // the source WAVEFORMATEX and its extra bytes
    uint64_t begin = 0;          // encoded data in the source
    uint64_t end = 0;
    uint64_t skipFrames = 0;      // decoded frames dropped at the start (codec delay)
    uint64_t totalFrames = 0;     // frames kept after the skip; 0: all
    uint64_t estimatedFrames = 0; // the length to report while totalFrames is 0
};

class AcmDecoder final : public Decoder {
  public:
    // nullptr with *error set when no installed codec takes the format.
    static std::unique_ptr<AcmDecoder> open(std::unique_ptr<ByteSource> source, AcmInput input, int* error);
    ~AcmDecoder() override;
    // Opens, off the caller's path, the codec stream the next open will want.
    // Called by the decoder thread.
    static void warmSpare() noexcept;
    size_t decode(int16_t* out, size_t maxFrames) noexcept override;
    bool seek(uint64_t frame) noexcept override;

  private:
    AcmDecoder(std::unique_ptr<ByteSource> source, AcmInput input);
    bool start() noexcept;
    void stop() noexcept;
    bool refill() noexcept;

    std::unique_ptr<ByteSource> source_;
    AcmInput in_;
    WAVEFORMATEX pcm_{};
    HACMSTREAM stream_ = nullptr;
    ACMSTREAMHEADER header_{};
    bool prepared_ = false;
    std::vector<uint8_t> src_;
    std::vector<uint8_t> dst_;
    size_t srcFill_ = 0;   // bytes waiting in src_
    uint64_t readPos_ = 0; // next source byte to read
    bool inputDone_ = false;
    bool flushed_ = false;
    size_t dstPos_ = 0; // decoded bytes of dst_ not yet handed out
    size_t dstEnd_ = 0;
    uint64_t toSkip_ = 0;
    uint64_t emitted_ = 0; // frames handed out since the trimmed start
};

} // namespace audiolib
