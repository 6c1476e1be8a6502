#include "FileSource.h"

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
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER size;
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !GetFileSizeEx(file.get(), &size)) {
        *error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(std::move(file), uint64_t(size.QuadPart)));
}

size_t FileSource::readAt(uint64_t offset, void* dst, size_t n) noexcept {
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
