// What the render thread sees of a stream: decoded samples in a lock-free
// ring, and the requests of the control side as atomics. Fields under
// "render thread only" are touched by the mixer alone, or by a control thread
// while it holds the mixer's lock.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "audiolib/core/Resampler.h"
#include "audiolib/core/SampleRing.h"
#include "audiolib/core/Spectrum.h"

namespace audiolib {

enum class PlayState : int { Stopped = 0, Playing = 1, Paused = 2 };

struct Voice {
    Voice(int channelCount, uint32_t rate, size_t ringFrames)
        : channels(channelCount), sampleRate(rate), ring(ringFrames * channelCount) {}

    const int channels;
    const uint32_t sampleRate;
    SampleRing ring;

    std::atomic<PlayState> state{PlayState::Stopped};
    std::atomic<bool> sourceEnded{false}; // the decoder wrote its last frame
    std::atomic<bool> released{false};    // freed: fade out, then finished
    std::atomic<bool> finished{false};    // the mixer is done with a released voice
    std::atomic<float> volume{1.0f};
    std::atomic<uint64_t> position{0}; // frames taken from the ring, in stream frames
    std::atomic<uint32_t> underruns{0};

    // Start-delay measurement: ticks of the caller's clock.
    std::atomic<int64_t> playRequestedAt{0};
    std::atomic<int64_t> firstOutputAt{0};
    std::atomic<bool> awaitingFirstOutput{false};

    // The last kFftSize mono samples this voice sent to the mix, behind a
    // sequence lock (odd while the mixer writes).
    std::atomic<uint32_t> historySeq{0};
    std::atomic<float> history[kFftSize] = {};
    std::atomic<size_t> historyStart{0}; // index of the oldest sample

    // Copies the history oldest first; false if the mixer kept rewriting it.
    bool readHistory(float* out) const noexcept {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const uint32_t before = historySeq.load(std::memory_order_acquire);
            if (before & 1) continue;
            const size_t start = historyStart.load(std::memory_order_relaxed);
            for (size_t i = 0; i < kFftSize; ++i)
                out[i] = history[(start + i) % kFftSize].load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (historySeq.load(std::memory_order_relaxed) == before) return true;
        }
        return false;
    }

    // Render thread only.
    Resampler resampler;
    float gain = 0.0f;
    bool audible = false; // produced sound in the last block
    bool fadeIn = false;  // resuming mid-stream: ramp up instead of jumping
    bool tailPushed = false;
    size_t historyPos = 0;
    std::vector<int16_t> scratch16;
    std::vector<float> scratchIn;
    std::vector<float> scratchOut;
};

} // namespace audiolib
