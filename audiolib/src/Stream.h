// One stream: its decoder (control side) and its voice (render side). The
// decode lock guards the decoder and is the only lock held during file I/O;
// render threads never take it.
#pragma once
#include <array>
#include <atomic>
#include <memory>
#include <mutex>

#include "Decoder.h"
#include "audiolib/core/Mixer.h"

namespace audiolib {

class Stream {
  public:
    // Seconds of decoded audio kept ahead of playback, and how much of it
    // stream creation decodes at once so that a play can start right away.
    static constexpr double kRingSeconds = 0.5;
    static constexpr double kPrimeSeconds = 0.15;

    Stream(std::unique_ptr<Decoder> decoder, std::unique_ptr<ByteSource> keepAlive);

    const std::shared_ptr<Voice>& voice() const noexcept { return voice_; }
    int channels() const noexcept { return voice_->channels; }
    uint32_t sampleRate() const noexcept { return voice_->sampleRate; }
    uint64_t lengthFrames();

    // Decodes into the ring until it holds `targetFrames` (or is full).
    // Takes the decode lock; with tryOnly, gives up if it is busy.
    void fill(size_t targetFrames, bool tryOnly = false);
    // Moves the read point to `frame` and refills. The caller holds no lock;
    // the mixer lock is taken only to empty the ring.
    bool seek(Mixer& mixer, uint64_t frame);
    // Copies decoded PCM for a stream that is not playing, advancing it.
    size_t readPcm(Mixer& mixer, int16_t* out, size_t frames);
    // Releases the decoder and the file at once; the voice may still be fading.
    void close();

    const char* id3v1() const noexcept { return hasId3v1_ ? id3v1_.data() : nullptr; }
    void setId3v1(const uint8_t* block);

    size_t ringFrames() const noexcept { return voice_->ring.capacity() / voice_->channels; }

  private:
    void fillLocked(size_t targetFrames);

    std::mutex decodeLock_;
    // Set by close() before it takes the decode lock: a fill on the decoder
    // thread stops at its next chunk instead of making the caller wait.
    std::atomic<bool> closing_{false};
    std::unique_ptr<ByteSource> keepAlive_; // the file under a SubSource
    std::unique_ptr<Decoder> decoder_;
    std::shared_ptr<Voice> voice_;
    std::vector<int16_t> chunk_;
    uint64_t length_ = 0;
    std::array<char, 129> id3v1_{};
    bool hasId3v1_ = false;
};

} // namespace audiolib
