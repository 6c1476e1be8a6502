// A file on disk as a ByteSource. Opened for shared reading and deleting, so
// the user can move or delete a clip while it plays; reads after a failure
// (a lock taken by another program, a vanished network share) return short
// and the stream simply ends.
#pragma once
#include <memory>
#include <string_view>

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
    FileSource(win::UniqueFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
    win::UniqueFile file_;
    uint64_t size_;
};

} // namespace audiolib
