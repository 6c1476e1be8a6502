// Band-limited sample-rate conversion: a Kaiser-windowed sinc of 32 taps,
// tabulated at 256 phases with linear interpolation between phases. Stop band
// below -80 dB; between 44.1 and 48 kHz the pass band is flat to about 16 kHz
// and rolls off to the Nyquist frequency, a fair trade for a cost small
// enough to mix many streams. Equal rates pass straight through.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace audiolib {

struct ResampleKernel {
    static constexpr int kHalfTaps = 16;
    static constexpr int kTaps = 2 * kHalfTaps;
    static constexpr int kPhases = 256;
    // (kPhases + 1) rows of kTaps coefficients.
    std::vector<float> table;

    // Kernels are shared between streams of the same rate pair; building one
    // is the only costly step and happens on a control thread, never while
    // mixing.
    static std::shared_ptr<const ResampleKernel> get(uint32_t inRate, uint32_t outRate);
};

class Resampler {
  public:
    // maxInputChunk: the most frames push() receives at once.
    void configure(int channels, uint32_t inRate, uint32_t outRate, size_t maxInputChunk);
    bool passthrough() const noexcept { return inRate_ == outRate_; }

    // Input frames push() should supply so that pull() can produce outFrames.
    size_t inputWanted(size_t outFrames) const noexcept;
    // Appends up to the free space; returns frames taken.
    size_t push(const float* in, size_t frames) noexcept;
    // Appends silence so that the last real frames come out (end of stream).
    void pushTail() noexcept;
    // Produces up to outFrames; returns how many.
    size_t pull(float* out, size_t outFrames) noexcept;
    // Forgets all input and history.
    void reset() noexcept;

  private:
    int channels_ = 1;
    uint32_t inRate_ = 1;
    uint32_t outRate_ = 1;
    double step_ = 1.0;
    std::shared_ptr<const ResampleKernel> kernel_;
    std::vector<float> buf_; // interleaved input frames, history first
    size_t capacityFrames_ = 0;
    size_t frames_ = 0; // frames held in buf_
    double pos_ = 0;    // position of the next output in buf_ frames
};

} // namespace audiolib
