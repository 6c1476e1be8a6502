// WAV files whose samples we read ourselves: integer PCM of 8 to 32 bits and
// 32/64-bit float, plain or WAVE_FORMAT_EXTENSIBLE.
#pragma once
#include <vector>

#include "Decoder.h"
#include "audiolib/core/WavFormat.h"

namespace audiolib {

class PcmDecoder final : public Decoder {
  public:
    PcmDecoder(std::unique_ptr<ByteSource> source, const WavInfo& info);
    size_t decode(int16_t* out, size_t maxFrames) noexcept override;
    bool seek(uint64_t frame) noexcept override;

  private:
    std::unique_ptr<ByteSource> source_;
    WavInfo info_;
    uint64_t next_ = 0;
    std::vector<uint8_t> raw_;
};

} // namespace audiolib
