// A file on disk as a ByteSource. Opened for shared reading and deleting, so
// the user can move or delete a clip while it plays; reads after a failure
// (a lock taken by another program, a vanished network share) return short
// and the stream simply ends.
#pragma once
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "WinUtil.h"
#include "audiolib/core/ByteSource.h"

namespace audiolib {

class FileSource final : public ByteSource {
  public:
    // nullptr with *error set (a BASS_ERROR_* code) when it cannot be opened.
    static std::unique_ptr<FileSource> open(std::string_view utf8Path, int* error);
    size_t readAt(uint64_t offset, void* dst, size_t n) noexcept override;
    uint64_t size() const noexcept override { return size_; }

  private:
    // Small reads are served from one block of the file kept in memory: a
    // clip's header is parsed in a handful of small reads, and every read of
    // the file is a request to the system (under Wine, to its server) that a
    // click waits for.
    static constexpr size_t kBlock = 64 * 1024;

    FileSource(win::UniqueFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
    size_t readFile(uint64_t offset, void* dst, size_t n) noexcept;

    win::UniqueFile file_;
    uint64_t size_;
    std::mutex lock_; // guards the block: the decoder thread reads beside the caller
    std::vector<uint8_t> block_;
    uint64_t blockStart_ = 0;
};

} // namespace audiolib
