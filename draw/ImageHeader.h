// Reads the pixel size a PNG, JPEG, GIF or BMP file declares, without decoding
// it, so that a picture too large to hold can be refused before a decoder
// allocates memory for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace draw {

struct ImageSize {
    uint32_t width;
    uint32_t height;
};

// Pictures above this many pixels are not decoded (a 10 000 x 10 000 image
// would need 400 MB as a bitmap). 40 megapixels holds any camera photo a host
// is likely to pick.
inline constexpr uint64_t kMaxImagePixels = 40'000'000;

// The declared size; nothing for other formats or unreadable headers.
std::optional<ImageSize> declaredImageSize(std::span<const std::byte> bytes);

// False only when the header declares a size above kMaxImagePixels (or a zero side).
bool imageSizeAcceptable(std::span<const std::byte> bytes);

} // namespace draw
