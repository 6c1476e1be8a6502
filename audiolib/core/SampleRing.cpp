#include "audiolib/core/SampleRing.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

SampleRing::SampleRing(size_t minCapacity) {
    size_t cap = 16;
    while (cap < minCapacity)
        cap <<= 1;
    data_ = std::make_unique<int16_t[]>(cap);
    mask_ = cap - 1;
}

size_t SampleRing::readable() const noexcept {
    return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_acquire);
}

size_t SampleRing::write(const int16_t* src, size_t n) noexcept {
    const size_t head = head_.load(std::memory_order_relaxed);
    const size_t tail = tail_.load(std::memory_order_acquire);
    n = std::min(n, capacity() - (head - tail));
    const size_t at = head & mask_;
    const size_t first = std::min(n, capacity() - at);
    std::memcpy(&data_[at], src, first * sizeof(int16_t));
    std::memcpy(&data_[0], src + first, (n - first) * sizeof(int16_t));
    head_.store(head + n, std::memory_order_release);
    return n;
}

size_t SampleRing::read(int16_t* dst, size_t n) noexcept {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    const size_t head = head_.load(std::memory_order_acquire);
    n = std::min(n, head - tail);
    const size_t at = tail & mask_;
    const size_t first = std::min(n, capacity() - at);
    std::memcpy(dst, &data_[at], first * sizeof(int16_t));
    std::memcpy(dst + first, &data_[0], (n - first) * sizeof(int16_t));
    tail_.store(tail + n, std::memory_order_release);
    return n;
}

void SampleRing::clear() noexcept {
    tail_.store(head_.load(std::memory_order_acquire), std::memory_order_release);
}

} // namespace audiolib
