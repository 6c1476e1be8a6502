#include "draw/ImageHeader.h"

namespace draw {
namespace {

uint32_t be16(std::span<const std::byte> b, size_t at) {
    return (static_cast<uint32_t>(b[at]) << 8) | static_cast<uint32_t>(b[at + 1]);
}
uint32_t be32(std::span<const std::byte> b, size_t at) { return (be16(b, at) << 16) | be16(b, at + 2); }
uint32_t le16(std::span<const std::byte> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8);
}
uint32_t le32(std::span<const std::byte> b, size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

bool starts(std::span<const std::byte> b, std::initializer_list<int> magic) {
    if (b.size() < magic.size()) return false;
    size_t i = 0;
    for (int m : magic)
        if (static_cast<int>(b[i++]) != m) return false;
    return true;
}

std::optional<ImageSize> jpegSize(std::span<const std::byte> b) {
    size_t at = 2;
    while (at + 4 <= b.size()) {
        if (static_cast<int>(b[at]) != 0xFF) return std::nullopt;
        const int marker = static_cast<int>(b[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const uint32_t length = be16(b, at + 2);
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > b.size()) return std::nullopt;
            return ImageSize{be16(b, at + 7), be16(b, at + 5)};
        }
        if (marker == 0xDA || marker == 0xD9) return std::nullopt; // scan data before any frame header
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<ImageSize> declaredImageSize(std::span<const std::byte> b) {
    if (starts(b, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}) && b.size() >= 24) return ImageSize{be32(b, 16), be32(b, 20)};
    if (starts(b, {0xFF, 0xD8})) return jpegSize(b);
    if ((starts(b, {'G', 'I', 'F', '8', '7', 'a'}) || starts(b, {'G', 'I', 'F', '8', '9', 'a'})) && b.size() >= 10)
        return ImageSize{le16(b, 6), le16(b, 8)};
    if (starts(b, {'B', 'M'}) && b.size() >= 26) {
        if (le32(b, 14) < 40) return ImageSize{le16(b, 18), le16(b, 20)}; // OS/2 core header
        const auto height = static_cast<int32_t>(le32(b, 22));
        const int64_t h = height < 0 ? -static_cast<int64_t>(height) : height;
        return ImageSize{le32(b, 18), static_cast<uint32_t>(h > 0xFFFFFFFFLL ? 0xFFFFFFFFLL : h)};
    }
    return std::nullopt;
}

bool imageSizeAcceptable(std::span<const std::byte> bytes) {
    const auto size = declaredImageSize(bytes);
    if (!size) return true; // other formats are left to the decoder
    const uint64_t pixels = static_cast<uint64_t>(size->width) * size->height;
    return pixels > 0 && pixels <= kMaxImagePixels;
}

} // namespace draw
