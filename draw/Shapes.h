// The rounded shapes every skinned surface is drawn from. The geometry is kept
// apart from GDI+: a shape is a list of arcs and lines given to a sink, which
// is a drawing-layer path in the program and a recorder in the tests.
#pragma once

#include <vector>

namespace draw {

struct ShapeSink {
    virtual ~ShapeSink() = default;
    virtual void arc(float x, float y, float w, float h, float start, float sweep) = 0;
    virtual void line(float x1, float y1, float x2, float y2) = 0;
    virtual void closeFigure() = 0;
};

// A closed rounded rectangle; r is clamped to 1..100. The arcs stand at their
// boxes even when r exceeds half the width or height (they overlap then).
void addRoundedRect(ShapeSink& sink, float x, float y, float w, float h, float r);
// An open shape h deep with rounded top corners: outlining it leaves the bottom
// open, filling closes it along the bottom.
void addTopRoundedShape(ShapeSink& sink, float x, float y, float w, float h, float r);
// The close button's shape: a rectangle with only its top-right corner rounded.
void addTopRightRoundedRect(ShapeSink& sink, float x, float y, float w, float h, float r);

// What a shape routine gave its sink, for tests.
struct ShapeOp {
    enum Kind { Arc, Line, Close } kind;
    float a, b, c, d, e, f;
    bool operator==(const ShapeOp&) const = default;
};

class ShapeRecorder : public ShapeSink {
  public:
    void arc(float x, float y, float w, float h, float start, float sweep) override {
        ops.push_back({ShapeOp::Arc, x, y, w, h, start, sweep});
    }
    void line(float x1, float y1, float x2, float y2) override { ops.push_back({ShapeOp::Line, x1, y1, x2, y2, 0, 0}); }
    void closeFigure() override { ops.push_back({ShapeOp::Close, 0, 0, 0, 0, 0, 0}); }
    std::vector<ShapeOp> ops;
};

} // namespace draw
