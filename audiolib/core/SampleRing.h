// Single-producer single-consumer ring of 16-bit samples: the decoder side
// writes, the render thread reads, neither ever waits for the other.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace audiolib {

class SampleRing {
  public:
    // Capacity is rounded up to a power of two samples.
    explicit SampleRing(size_t minCapacity);
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    size_t capacity() const noexcept { return mask_ + 1; }
    size_t readable() const noexcept;
    size_t writable() const noexcept { return capacity() - readable(); }

    // Producer side.
    size_t write(const int16_t* src, size_t n) noexcept;
    // Consumer side.
    size_t read(int16_t* dst, size_t n) noexcept;

    // Empties the ring. Only while neither side is running.
    void clear() noexcept;

  private:
    std::unique_ptr<int16_t[]> data_;
    size_t mask_;
    std::atomic<size_t> head_{0}; // total written
    std::atomic<size_t> tail_{0}; // total read
};

} // namespace audiolib
