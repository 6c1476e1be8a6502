#include "draw/Shapes.h"

#include <algorithm>

namespace draw {

void addRoundedRect(ShapeSink& sink, float x, float y, float w, float h, float r) {
    r = std::clamp(r, 1.0f, 100.0f);
    sink.arc(x + w - r, y, r, r, 270, 90);
    // The bottom-right box is one unit larger, so the lower edges meet the pixel grid the same way the upper ones do.
    sink.arc(x + w - r - 1, y + h - r - 1, r + 1, r + 1, 0, 90);
    sink.arc(x, y + h - r, r, r, 90, 90);
    sink.arc(x, y, r, r, 180, 90);
    sink.closeFigure();
}

void addTopRoundedShape(ShapeSink& sink, float x, float y, float w, float h, float r) {
    sink.line(x, y + h, x, y + r);
    sink.arc(x, y, r, r, 180, 90);
    sink.line(x + r, y, x + w - r, y);
    sink.arc(x + w - r, y, r, r, 270, 90);
    sink.line(x + w, y + r, x + w, y + h);
}

void addTopRightRoundedRect(ShapeSink& sink, float x, float y, float w, float h, float r) {
    sink.line(x, y, x + w - r, y);
    sink.arc(x + w - r, y, r, r, 270, 90);
    sink.line(x + w, y + r, x + w, y + h);
    sink.line(x + w, y + h, x, y + h);
    sink.closeFigure();
}

} // namespace draw
