#include "audiolib/core/Resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace audiolib {
namespace {

double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
        if (term < 1e-12 * sum) break;
    }
    return sum;
}

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeta = 8.6;

} // namespace

std::shared_ptr<const ResampleKernel> ResampleKernel::get(uint32_t inRate, uint32_t outRate) {
    static std::mutex lock;
    static std::map<std::pair<uint32_t, uint32_t>, std::shared_ptr<const ResampleKernel>> cache;
    std::lock_guard guard(lock);
    auto& slot = cache[{inRate, outRate}];
    if (slot) return slot;

    auto k = std::make_shared<ResampleKernel>();
    // Cut-off relative to the input rate; downsampling must also keep out
    // what would fold back around the output's Nyquist frequency.
    const double cutoff = 0.5 * std::min(1.0, double(outRate) / inRate) * 0.91;
    const double norm = besselI0(kBeta);
    k->table.resize(size_t(kPhases + 1) * kTaps);
    for (int p = 0; p <= kPhases; ++p) {
        const double frac = double(p) / kPhases;
        double sum = 0;
        float* row = &k->table[size_t(p) * kTaps];
        for (int j = 0; j < kTaps; ++j) {
            const double d = frac + kHalfTaps - 1 - j; // distance from output point to tap
            const double x = 2 * cutoff * d;
            const double sinc = std::fabs(x) < 1e-12 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            const double r = d / kHalfTaps;
            const double w = std::fabs(r) >= 1 ? 0 : besselI0(kBeta * std::sqrt(1 - r * r)) / norm;
            row[j] = float(2 * cutoff * sinc * w);
            sum += row[j];
        }
        // Unity gain at DC for every phase keeps low frequencies ripple-free.
        for (int j = 0; j < kTaps; ++j)
            row[j] = float(row[j] / sum);
    }
    slot = k;
    return slot;
}

void Resampler::configure(int channels, uint32_t inRate, uint32_t outRate, size_t maxInputChunk) {
    channels_ = channels;
    inRate_ = inRate;
    outRate_ = outRate;
    step_ = double(inRate) / outRate;
    if (!passthrough()) kernel_ = ResampleKernel::get(inRate, outRate);
    capacityFrames_ = maxInputChunk + 2 * ResampleKernel::kTaps + 4;
    buf_.assign(capacityFrames_ * channels_, 0.0f);
    reset();
}

void Resampler::reset() noexcept {
    // Start with a history of silence so the first output sits on the first
    // input frame.
    frames_ = ResampleKernel::kHalfTaps - 1;
    std::fill(buf_.begin(), buf_.end(), 0.0f);
    pos_ = double(frames_);
}

size_t Resampler::inputWanted(size_t outFrames) const noexcept {
    const double lastPos = pos_ + step_ * double(outFrames);
    const double needEnd = std::floor(lastPos) + ResampleKernel::kHalfTaps + 1;
    return needEnd > double(frames_) ? size_t(needEnd - double(frames_)) : 0;
}

size_t Resampler::push(const float* in, size_t frames) noexcept {
    // Drop history no longer reachable by the kernel.
    const size_t keepFrom = size_t(std::max(0.0, std::floor(pos_) - ResampleKernel::kHalfTaps + 1));
    if (keepFrom > 0 && frames_ + frames > capacityFrames_) {
        std::memmove(buf_.data(), buf_.data() + keepFrom * channels_,
                     (frames_ - keepFrom) * channels_ * sizeof(float));
        frames_ -= keepFrom;
        pos_ -= double(keepFrom);
    }
    frames = std::min(frames, capacityFrames_ - frames_);
    std::memcpy(buf_.data() + frames_ * channels_, in, frames * channels_ * sizeof(float));
    frames_ += frames;
    return frames;
}

void Resampler::pushTail() noexcept {
    static const float zeros[ResampleKernel::kTaps * 8] = {};
    size_t left = ResampleKernel::kHalfTaps + 1;
    while (left > 0) {
        const size_t n = std::min<size_t>(left, sizeof(zeros) / sizeof(float) / channels_);
        if (push(zeros, n) == 0) break;
        left -= n;
    }
}

size_t Resampler::pull(float* out, size_t outFrames) noexcept {
    constexpr int kTaps = ResampleKernel::kTaps;
    constexpr int kHalf = ResampleKernel::kHalfTaps;
    const float* table = kernel_->table.data();
    float coef[kTaps];
    size_t produced = 0;
    while (produced < outFrames) {
        const double fl = std::floor(pos_);
        const size_t i0 = size_t(fl);
        if (i0 + kHalf >= frames_) break;
        const double phase = (pos_ - fl) * ResampleKernel::kPhases;
        const int p = std::min(int(phase), ResampleKernel::kPhases - 1);
        const float t = float(phase - p);
        const float* r0 = table + size_t(p) * kTaps;
        const float* r1 = r0 + kTaps;
        for (int j = 0; j < kTaps; ++j)
            coef[j] = r0[j] + t * (r1[j] - r0[j]);
        const float* x = buf_.data() + (i0 + 1 - kHalf) * channels_;
        for (int c = 0; c < channels_; ++c) {
            float acc = 0;
            for (int j = 0; j < kTaps; ++j)
                acc += coef[j] * x[j * channels_ + c];
            out[produced * channels_ + c] = acc;
        }
        ++produced;
        pos_ += step_;
    }
    return produced;
}

} // namespace audiolib
