// Colour conversions between the two forms the program uses: COLORREF
// (0x00BBGGRR) in the engine's settings and records, ARGB (0xAARRGGBB) in the
// drawing layer.
#pragma once

#include <cstdint>

namespace draw {

using ColourRef = uint32_t;

constexpr uint32_t toArgb(ColourRef colour, int alpha = 255) {
    return (static_cast<uint32_t>(alpha & 0xFF) << 24) | ((colour & 0xFF) << 16) | (colour & 0xFF00) |
           ((colour >> 16) & 0xFF);
}

struct ColourAndAlpha {
    ColourRef colour;
    int alpha;
};

constexpr ColourAndAlpha fromArgb(uint32_t argb) {
    return {((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF), static_cast<int>(argb >> 24)};
}

constexpr ColourRef rgb(int r, int g, int b) {
    return static_cast<ColourRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

} // namespace draw
