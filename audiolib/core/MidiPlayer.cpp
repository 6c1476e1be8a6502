#include "audiolib/core/MidiPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audiolib {

MidiPlayer::MidiPlayer(MidiSong song, std::shared_ptr<const SoundBank> bank, uint32_t rate)
    : song_(std::move(song)), synth_(std::move(bank), rate) {
    length_ = song_.endFrame + uint64_t(kTailEstimateSeconds * rate);
    scratch_.resize(kScratchFrames * 2);
    block_.resize(Synth::kBlockFrames * 2);
}

void MidiPlayer::applyUntil(uint64_t frame, bool notes) {
    while (next_ < song_.events.size() && song_.events[next_].frame <= frame) {
        const MidiEvent& e = song_.events[next_++];
        const uint8_t kind = e.status & 0xF0;
        if (!notes && (kind == 0x80 || kind == 0x90)) continue;
        synth_.event(e.status, e.data1, e.data2);
    }
}

size_t MidiPlayer::render(float* out, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        if (blockPos_ < blockLen_) {
            const size_t n = std::min(frames - done, blockLen_ - blockPos_);
            std::copy_n(block_.data() + blockPos_ * 2, n * 2, out + done * 2);
            blockPos_ += n;
            done += n;
            continue;
        }
        if (ended_ || !renderSegment()) break;
    }
    std::fill(out + done * 2, out + frames * 2, 0.0f);
    if (!ended_) length_ = std::max(length_, frame_ + 1);
    return done;
}

bool MidiPlayer::renderSegment() {
    // Segments end at the synthesiser's block ends and at events, never where
    // a caller's request ends: the audio is the same however it is asked for.
    const uint64_t tailEnd = song_.endFrame + uint64_t(kMaxTailSeconds * rate());
    applyUntil(frame_, true);
    if (!released_ && frame_ >= song_.endFrame) {
        synth_.releaseAll();
        released_ = true;
    }
    if (released_ && (synth_.activeVoices() == 0 || frame_ >= tailEnd)) {
        ended_ = true;
        length_ = frame_;
        return false;
    }
    uint64_t stop = std::min(frame_ + synth_.framesToBlockEnd(), released_ ? tailEnd : uint64_t(song_.endFrame));
    if (next_ < song_.events.size()) stop = std::min<uint64_t>(stop, song_.events[next_].frame);
    const size_t n = size_t(stop - frame_);
    std::fill(block_.begin(), block_.begin() + long(n * 2), 0.0f);
    synth_.render(block_.data(), n);
    frame_ += n;
    blockPos_ = 0;
    blockLen_ = n;
    return true;
}

namespace {

// Passes everything below the knee unchanged and bends louder peaks smoothly
// towards full scale, so that a dense passage never clips harshly.
int16_t limit(float x) {
    constexpr float kKnee = 0.9f;
    const float a = std::abs(x);
    if (a > kKnee) x = std::copysign(kKnee + (1 - kKnee) * std::tanh((a - kKnee) / (1 - kKnee)), x);
    return int16_t(std::lrint(x * 32767.0f));
}

} // namespace

size_t MidiPlayer::render(int16_t* out, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        const size_t n = render(scratch_.data(), std::min(frames - done, scratch_.size() / 2));
        if (n == 0) break;
        for (size_t i = 0; i < n * 2; ++i)
            out[done * 2 + i] = limit(scratch_[i]);
        done += n;
    }
    return done;
}

void MidiPlayer::seek(uint64_t frame) {
    synth_.reset();
    next_ = 0;
    released_ = false;
    ended_ = false;
    frame_ = frame;
    blockPos_ = blockLen_ = 0;
    // Everything before the target, except the notes themselves.
    if (frame > 0) applyUntil(frame - 1, false);
}

} // namespace audiolib
