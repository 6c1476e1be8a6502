#include "MidiDecoder.h"

#include "SoundFonts.h"
#include "bass.h"

namespace audiolib {

std::unique_ptr<Decoder> MidiDecoder::open(ByteSource& source, int* error) {
    MidiSong song;
    if (parseMidi(source, kRate, song) != MidiResult::Ok) {
        *error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
    auto player = std::make_unique<MidiPlayer>(std::move(song), soundBank(), kRate);
    return std::unique_ptr<Decoder>(new MidiDecoder(std::move(player)));
}

MidiDecoder::MidiDecoder(std::unique_ptr<MidiPlayer> player) : player_(std::move(player)) {
    channels_ = 2;
    rate_ = kRate;
    updateLength();
}

size_t MidiDecoder::decode(int16_t* out, size_t maxFrames) noexcept {
    const size_t n = player_->render(out, maxFrames);
    updateLength();
    return n;
}

bool MidiDecoder::seek(uint64_t frame) noexcept {
    player_->seek(frame);
    updateLength();
    return true;
}

} // namespace audiolib
