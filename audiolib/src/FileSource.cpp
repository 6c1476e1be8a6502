#include "FileSource.h"

#include <algorithm>
#include <cstring>

#include "bass.h"

namespace audiolib {

std::unique_ptr<FileSource> FileSource::open(std::string_view utf8Path, int* error) {
    const std::wstring path = win::widen(utf8Path);
    if (path.empty()) {
        *error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    win::UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        *error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    // Size and kind in one query. The fuller file information also asks the
    // volume for its serial number, which under Wine is a request to another
    // process (its mount manager): on a busy machine, the slowest part of a click.
    FILE_STANDARD_INFO info{};
    if (!GetFileInformationByHandleEx(file.get(), FileStandardInfo, &info, sizeof info) || info.Directory ||
        info.EndOfFile.QuadPart < 0) {
        *error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(std::move(file), uint64_t(info.EndOfFile.QuadPart)));
}

size_t FileSource::readAt(uint64_t offset, void* dst, size_t n) noexcept {
    if (n >= kBlock / 2) return readFile(offset, dst, n);
    std::lock_guard guard(lock_);
    const auto inBlock = [&] {
        return offset >= blockStart_ && offset - blockStart_ < block_.size();
    };
    if (!inBlock() || offset - blockStart_ + n > block_.size()) {
        try {
            block_.resize(kBlock);
        } catch (...) {
            block_.clear();
            return readFile(offset, dst, n);
        }
        blockStart_ = offset;
        block_.resize(readFile(offset, block_.data(), block_.size()));
        if (!inBlock()) return 0;
    }
    const size_t take = std::min<size_t>(n, block_.size() - size_t(offset - blockStart_));
    std::memcpy(dst, block_.data() + (offset - blockStart_), take);
    return take;
}

size_t FileSource::readFile(uint64_t offset, void* dst, size_t n) noexcept {
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(dst);
    while (done < n) {
        OVERLAPPED at{};
        const uint64_t pos = offset + done;
        at.Offset = DWORD(pos);
        at.OffsetHigh = DWORD(pos >> 32);
        DWORD got = 0;
        const DWORD want = DWORD(std::min<size_t>(n - done, 1u << 30));
        if (!ReadFile(file_.get(), out + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}

} // namespace audiolib
