#include "Stream.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

namespace {
constexpr size_t kDecodeChunkFrames = 4096;
}

Stream::Stream(std::unique_ptr<Decoder> decoder, std::unique_ptr<ByteSource> keepAlive)
    : keepAlive_(std::move(keepAlive)), decoder_(std::move(decoder)) {
    const int ch = decoder_->channels();
    const uint32_t rate = decoder_->sampleRate();
    voice_ = std::make_shared<Voice>(ch, rate, size_t(rate * kRingSeconds));
    chunk_.resize(kDecodeChunkFrames * ch);
    length_ = decoder_->lengthFrames();
}

uint64_t Stream::lengthFrames() {
    std::lock_guard guard(decodeLock_);
    if (decoder_) length_ = decoder_->lengthFrames();
    return length_;
}

void Stream::fill(size_t targetFrames, bool tryOnly) {
    std::unique_lock guard(decodeLock_, std::defer_lock);
    if (tryOnly) {
        if (!guard.try_lock()) return;
    } else {
        guard.lock();
    }
    fillLocked(targetFrames);
}

void Stream::fillLocked(size_t targetFrames) {
    Voice& v = *voice_;
    if (!decoder_ || v.sourceEnded.load()) return;
    const int ch = v.channels;
    while (v.ring.readable() / ch < targetFrames && !closing_.load(std::memory_order_relaxed)) {
        const size_t room = v.ring.writable() / ch;
        if (room == 0) break;
        const size_t want = std::min({room, kDecodeChunkFrames, targetFrames - v.ring.readable() / ch});
        const size_t got = decoder_->decode(chunk_.data(), want);
        if (got == 0) {
            v.sourceEnded.store(true, std::memory_order_release);
            break;
        }
        v.ring.write(chunk_.data(), got * ch);
    }
}

bool Stream::seek(Mixer& mixer, uint64_t frame) {
    std::lock_guard guard(decodeLock_);
    if (!decoder_) return false;
    Voice& v = *voice_;
    // Held still while the ring is refilled, so that a playing stream does
    // not report an underrun; the state comes back afterwards.
    const PlayState before = v.state.load();
    {
        std::lock_guard mix(mixer.lock());
        v.state.store(PlayState::Stopped);
        v.ring.clear();
        v.sourceEnded.store(false);
        v.position.store(frame);
        mixer.resetVoice(v);
    }
    const bool ok = decoder_->seek(frame);
    if (ok) fillLocked(size_t(sampleRate() * kPrimeSeconds));
    if (before != PlayState::Stopped) {
        std::lock_guard mix(mixer.lock());
        v.fadeIn = frame > 0;
        v.state.store(before);
    }
    return ok;
}

size_t Stream::readPcm(Mixer& mixer, int16_t* out, size_t frames) {
    std::lock_guard guard(decodeLock_);
    Voice& v = *voice_;
    const int ch = v.channels;
    size_t done = 0;
    while (done < frames) {
        size_t n;
        {
            std::lock_guard mix(mixer.lock());
            if (v.state.load() == PlayState::Playing || v.audible) break;
            n = v.ring.read(out + done * ch, (frames - done) * ch) / ch;
            v.position.fetch_add(n);
        }
        done += n;
        if (done < frames) {
            if (v.sourceEnded.load() && v.ring.readable() == 0) break;
            fillLocked(ringFrames());
        }
    }
    return done;
}

void Stream::close() {
    closing_.store(true, std::memory_order_relaxed);
    std::lock_guard guard(decodeLock_);
    if (decoder_) length_ = decoder_->lengthFrames();
    decoder_.reset();
    keepAlive_.reset();
}

void Stream::setId3v1(const uint8_t* block) {
    std::memcpy(id3v1_.data(), block, 128);
    id3v1_[128] = '\0';
    hasId3v1_ = true;
}

} // namespace audiolib
