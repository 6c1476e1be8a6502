#include "draw/PathShapes.h"

namespace draw {

void drawGlow(Graphics& graphics, const GraphicsPath& path, int passes, ColourRef colour, int alpha) {
    Pen pen;
    pen.create(toArgb(colour, alpha), 1);
    for (int i = 1; i <= passes; ++i) {
        pen.setWidth(static_cast<float>(i));
        graphics.drawPath(pen, path);
    }
}

} // namespace draw
