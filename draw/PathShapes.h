// The shape routines on drawing-layer paths, and the glow outline.
#pragma once

#include "draw/Colour.h"
#include "draw/Drawing.h"
#include "draw/Shapes.h"

namespace draw {

// Feeds a shape routine's arcs and lines into a path.
class PathSink : public ShapeSink {
  public:
    explicit PathSink(GraphicsPath& path) : path_(path) {}
    void arc(float x, float y, float w, float h, float start, float sweep) override {
        path_.addArc(x, y, w, h, start, sweep);
    }
    void line(float x1, float y1, float x2, float y2) override { path_.addLine(x1, y1, x2, y2); }
    void closeFigure() override { path_.closeFigure(); }

  private:
    GraphicsPath& path_;
};

// A new path holding one shape made by `routine` (addRoundedRect and its kin).
template <typename Routine, typename... Args>
GraphicsPath makePath(Routine routine, Args... args) {
    GraphicsPath path;
    if (path.create()) {
        PathSink sink(path);
        routine(sink, static_cast<float>(args)...);
    }
    return path;
}

// Outlines the path `passes` times with widths 1, 2, ... in one pen of the colour.
// With no passes nothing is drawn, though the pen is still made and freed.
void drawGlow(Graphics& graphics, const GraphicsPath& path, int passes, ColourRef colour, int alpha);

} // namespace draw
