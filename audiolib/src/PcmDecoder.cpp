#include "PcmDecoder.h"

#include <algorithm>

#include "audiolib/core/PcmConvert.h"

namespace audiolib {

PcmDecoder::PcmDecoder(std::unique_ptr<ByteSource> source, const WavInfo& info)
    : source_(std::move(source)), info_(info) {
    channels_ = info.channels;
    rate_ = info.sampleRate;
    length_ = info.dataBytes / info.blockAlign;
}

size_t PcmDecoder::decode(int16_t* out, size_t maxFrames) noexcept {
    const size_t frames = size_t(std::min<uint64_t>(maxFrames, length_ - std::min(next_, length_)));
    if (frames == 0) return 0;
    raw_.resize(frames * info_.blockAlign);
    const size_t got = source_->readAt(info_.dataOffset + next_ * info_.blockAlign, raw_.data(), raw_.size());
    const size_t whole = got / info_.blockAlign;
    toInt16(raw_.data(), info_.kind, info_.bitsPerSample, whole * channels_, out);
    next_ += whole;
    return whole;
}

bool PcmDecoder::seek(uint64_t frame) noexcept {
    next_ = std::min(frame, length_);
    return true;
}

} // namespace audiolib
