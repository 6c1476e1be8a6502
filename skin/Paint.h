// Small helpers every painter of the skin engine draws with.
#pragma once

#include "draw/Colour.h"
#include "draw/Drawing.h"

#include <windows.h>

namespace skin::paint {

using draw::Argb;
using draw::toArgb;

inline constexpr COLORREF kWhite = 0xFFFFFF;
inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kGrey = 0x808080;
inline constexpr COLORREF kRed = 0x0000FF;

// A two-colour linear gradient from (x0, y0) to (x1, y1).
inline draw::Brush gradient(float x0, float y0, float x1, float y1, Argb c0, Argb c1) {
    draw::Brush b;
    b.createLinear({x0, y0}, {x1, y1}, c0, c1);
    return b;
}

inline draw::Brush solid(Argb colour) {
    draw::Brush b;
    b.createSolid(colour);
    return b;
}

inline void outline(draw::Graphics& g, const draw::GraphicsPath& path, Argb colour, float width = 1) {
    draw::Pen pen;
    pen.create(colour, width);
    g.drawPath(pen, path);
}

} // namespace skin::paint
