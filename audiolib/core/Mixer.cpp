#include "audiolib/core/Mixer.h"

#include <algorithm>
#include <cstring>

#include "audiolib/core/GainRamp.h"

namespace audiolib {

void Mixer::setFormat(uint32_t rate, int channels, size_t maxBlockFrames) {
    std::lock_guard guard(lock_);
    rate_ = rate;
    channels_ = channels;
    maxBlock_ = maxBlockFrames;
    fadeFrames_ = std::max<size_t>(1, size_t(rate * kFadeSeconds));
}

void Mixer::resetVoice(Voice& v) const {
    v.resampler.reset();
    v.gain = 0.0f;
    v.audible = false;
    v.fadeIn = false;
    v.tailPushed = false;
}

void Mixer::add(const std::shared_ptr<Voice>& voice) {
    Voice& v = *voice;
    // Input per block: the resampler's need for maxBlock_ outputs, with room
    // for its kernel.
    const size_t inChunk = size_t(double(maxBlock_) * v.sampleRate / rate_) + 2 * ResampleKernel::kTaps + 8;
    v.resampler.configure(v.channels, v.sampleRate, rate_, inChunk);
    v.scratch16.resize(inChunk * v.channels);
    v.scratchIn.resize(inChunk * v.channels);
    v.scratchOut.resize(maxBlock_ * v.channels);
    resetVoice(v);
    std::lock_guard guard(lock_);
    voices_.push_back(voice);
}

void Mixer::release(Voice& v) {
    std::lock_guard guard(lock_);
    v.released.store(true);
    if (!v.audible) v.finished.store(true);
}

void Mixer::reap() {
    std::lock_guard guard(lock_);
    std::erase_if(voices_, [](const auto& v) { return v->finished.load(); });
}

void Mixer::clear() {
    std::lock_guard guard(lock_);
    voices_.clear();
}

bool Mixer::anyAudible() {
    std::lock_guard guard(lock_);
    return std::any_of(voices_.begin(), voices_.end(), [](const auto& v) { return v->audible; });
}

size_t Mixer::produce(Voice& v, float* dst, size_t frames) noexcept {
    const int ch = v.channels;
    if (v.resampler.passthrough()) {
        const size_t n = v.ring.read(v.scratch16.data(), std::min(frames, v.scratch16.size() / ch) * ch) / ch;
        for (size_t i = 0; i < n * ch; ++i)
            dst[i] = v.scratch16[i] * (1.0f / 32768.0f);
        v.position.fetch_add(n, std::memory_order_relaxed);
        return n;
    }
    size_t done = 0;
    while (done < frames) {
        size_t want = std::min(v.resampler.inputWanted(frames - done), v.scratch16.size() / ch);
        if (want > 0) {
            const size_t n = v.ring.read(v.scratch16.data(), want * ch) / ch;
            for (size_t i = 0; i < n * ch; ++i)
                v.scratchIn[i] = v.scratch16[i] * (1.0f / 32768.0f);
            v.resampler.push(v.scratchIn.data(), n);
            v.position.fetch_add(n, std::memory_order_relaxed);
            if (n < want && v.sourceEnded.load(std::memory_order_acquire) && v.ring.readable() == 0 &&
                !v.tailPushed) {
                v.resampler.pushTail();
                v.tailPushed = true;
            }
        }
        const size_t got = v.resampler.pull(dst + done * ch, frames - done);
        done += got;
        if (got == 0) break;
    }
    return done;
}

void Mixer::renderVoice(Voice& v, float* out, size_t frames, int64_t now) noexcept {
    const PlayState state = v.state.load(std::memory_order_acquire);
    const bool wanted = state == PlayState::Playing && !v.released.load(std::memory_order_acquire);
    if (!wanted && !v.audible) {
        if (v.released.load()) v.finished.store(true);
        return;
    }
    const int ch = v.channels;
    float* buf = v.scratchOut.data();
    // A stop takes only the frames its fade needs, so that a later resume
    // continues right where the sound ended.
    const size_t take = wanted ? frames : std::min(frames, fadeFrames_);
    const size_t got = produce(v, buf, take);
    std::fill(buf + got * ch, buf + frames * ch, 0.0f);

    const bool ended = v.sourceEnded.load(std::memory_order_acquire) && v.ring.readable() == 0 &&
                       (v.resampler.passthrough() || v.tailPushed);
    if (wanted && got < take) {
        if (ended) {
            PlayState expected = PlayState::Playing;
            v.state.compare_exchange_strong(expected, PlayState::Stopped);
        } else {
            v.underruns.fetch_add(1, std::memory_order_relaxed);
            underruns_.fetch_add(1, std::memory_order_relaxed);
        }
    }

    const float target = wanted ? v.volume.load(std::memory_order_relaxed) : 0.0f;
    if (!v.audible) {
        // Starting: from the top of a clip the first sample must be exact;
        // anywhere else a short ramp hides the cut.
        v.gain = v.fadeIn ? 0.0f : target;
        v.fadeIn = false;
    }
    // Volume changes and stops both glide over a few ms at the start of the
    // block: quick enough to be heard at once, slow enough not to click.
    applyGainRamp(buf, frames, ch, v.gain, target, fadeFrames_);
    v.gain = target;
    v.audible = wanted;

    if (got > 0 && v.awaitingFirstOutput.exchange(false)) v.firstOutputAt.store(now);

    mixInto(out, channels_, buf, ch, frames);

    // Keep the newest kFftSize mono samples for the spectrum.
    const size_t keep = std::min(frames, kFftSize);
    v.historySeq.fetch_add(1, std::memory_order_acq_rel);
    for (size_t i = frames - keep; i < frames; ++i) {
        float m = 0;
        for (int c = 0; c < ch; ++c)
            m += buf[i * ch + c];
        v.history[v.historyPos].store(m / float(ch), std::memory_order_relaxed);
        v.historyPos = (v.historyPos + 1) % kFftSize;
    }
    v.historyStart.store(v.historyPos, std::memory_order_relaxed);
    v.historySeq.fetch_add(1, std::memory_order_acq_rel);

    if (!wanted && v.released.load()) v.finished.store(true);
}

void Mixer::render(float* out, size_t frames, int64_t now) noexcept {
    std::fill(out, out + frames * channels_, 0.0f);
    std::lock_guard guard(lock_);
    while (frames > 0) {
        const size_t n = std::min(frames, maxBlock_);
        for (auto& v : voices_)
            renderVoice(*v, out, n, now);
        const float m = master_.load(std::memory_order_relaxed);
        if (m != 1.0f)
            for (size_t i = 0; i < n * channels_; ++i)
                out[i] *= m;
        out += n * channels_;
        frames -= n;
    }
    // A voice that wants to play is audible after its block, so this covers playing voices and fading ones.
    sounded_.store(std::any_of(voices_.begin(), voices_.end(), [](const auto& v) { return v->audible; }),
                   std::memory_order_relaxed);
}

} // namespace audiolib
