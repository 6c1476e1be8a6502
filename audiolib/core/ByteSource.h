// Random-access reading of an encoded file, whether it lives on disk or in a
// caller's memory block. Parsers and decoders see only this interface.
#pragma once
#include <cstddef>
#include <cstdint>

namespace audiolib {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Copies up to n bytes starting at offset; returns how many were copied
    // (fewer at the end of the source or when the medium fails).
    virtual size_t readAt(uint64_t offset, void* dst, size_t n) noexcept = 0;
    virtual uint64_t size() const noexcept = 0;
};

// A view of a block the caller keeps alive.
class MemorySource final : public ByteSource {
  public:
    MemorySource(const void* data, uint64_t size) noexcept
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    size_t readAt(uint64_t offset, void* dst, size_t n) noexcept override;
    uint64_t size() const noexcept override { return size_; }

  private:
    const uint8_t* data_;
    uint64_t size_;
};

// A window [offset, offset + length) of another source, so that an embedded
// file (offset/length given by the caller) looks like a whole file.
class SubSource final : public ByteSource {
  public:
    SubSource(ByteSource& inner, uint64_t offset, uint64_t length) noexcept;
    size_t readAt(uint64_t offset, void* dst, size_t n) noexcept override;
    uint64_t size() const noexcept override { return length_; }

  private:
    ByteSource& inner_;
    uint64_t offset_;
    uint64_t length_;
};

} // namespace audiolib
