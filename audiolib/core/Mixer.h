// Mixes every playing voice into one float block at the device's rate and
// channel count. render() runs on the device's render thread; it takes the
// mixer lock, which control threads hold only for memory operations and
// never while reading files.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audiolib/core/Voice.h"

namespace audiolib {

class Mixer {
  public:
    // Frames of the fade applied at stop, pause and free, and when resuming
    // mid-stream: long enough to avoid a click, short enough to feel instant.
    static constexpr double kFadeSeconds = 0.004;

    void setFormat(uint32_t rate, int channels, size_t maxBlockFrames);
    uint32_t rate() const noexcept { return rate_; }
    int channels() const noexcept { return channels_; }
    size_t maxBlockFrames() const noexcept { return maxBlock_; }

    // Prepares a voice's render-side state for this format and adds it.
    void add(const std::shared_ptr<Voice>& voice);
    // Marks a voice freed: one that sounds fades out on the render thread,
    // one that does not is done at once (no render has to happen for it to go).
    void release(Voice& v);
    // Drops voices whose release has finished fading.
    void reap();
    void clear();
    bool anyAudible();

    std::mutex& lock() noexcept { return lock_; }

    uint32_t underruns() const noexcept { return underruns_.load(); }
    void setMasterVolume(float v) noexcept { master_.store(v); }
    float masterVolume() const noexcept { return master_.load(); }

    // Fills out (frames x channels) with the mix; `now` stamps first output.
    void render(float* out, size_t frames, int64_t now) noexcept;
    // Whether a voice still sounded at the end of the last render: while none
    // does the mix is silence and stays so until a play request.
    bool soundedLastRender() const noexcept { return sounded_.load(std::memory_order_relaxed); }

    // Prepares render-side voice state; call with the lock held or before add.
    void resetVoice(Voice& v) const;

  private:
    void renderVoice(Voice& v, float* out, size_t frames, int64_t now) noexcept;
    size_t produce(Voice& v, float* dst, size_t frames) noexcept;

    std::mutex lock_;
    std::vector<std::shared_ptr<Voice>> voices_;
    uint32_t rate_ = 48000;
    int channels_ = 2;
    size_t maxBlock_ = 4800;
    size_t fadeFrames_ = 192;
    std::atomic<float> master_{1.0f};
    std::atomic<uint32_t> underruns_{0};
    std::atomic<bool> sounded_{false};
};

} // namespace audiolib
