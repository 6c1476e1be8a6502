#include "audiolib/core/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace audiolib {

size_t MemorySource::readAt(uint64_t offset, void* dst, size_t n) noexcept {
    if (offset >= size_) return 0;
    size_t count = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
    std::memcpy(dst, data_ + offset, count);
    return count;
}

SubSource::SubSource(ByteSource& inner, uint64_t offset, uint64_t length) noexcept
    : inner_(inner), offset_(std::min(offset, inner.size())) {
    length_ = std::min(length, inner.size() - offset_);
}

size_t SubSource::readAt(uint64_t offset, void* dst, size_t n) noexcept {
    if (offset >= length_) return 0;
    size_t count = static_cast<size_t>(std::min<uint64_t>(n, length_ - offset));
    return inner_.readAt(offset_ + offset, dst, count);
}

} // namespace audiolib
