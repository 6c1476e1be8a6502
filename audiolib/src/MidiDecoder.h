// MIDI files rendered by our synthesiser: 16-bit stereo at 44.1 kHz, made
// on demand like any other decoded stream. The file is read whole at open,
// so the decoder keeps no file open.
#pragma once
#include "Decoder.h"
#include "audiolib/core/MidiPlayer.h"

namespace audiolib {

class MidiDecoder final : public Decoder {
  public:
    static constexpr uint32_t kRate = 44100;

    // nullptr with *error set (a BASS_ERROR_* code) when the file is unusable.
    static std::unique_ptr<Decoder> open(ByteSource& source, int* error);
    size_t decode(int16_t* out, size_t maxFrames) noexcept override;
    bool seek(uint64_t frame) noexcept override;

  private:
    explicit MidiDecoder(std::unique_ptr<MidiPlayer> player);
    void updateLength() noexcept { length_ = player_->lengthFrames(); }

    std::unique_ptr<MidiPlayer> player_;
};

} // namespace audiolib
