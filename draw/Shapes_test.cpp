#include "draw/Colour.h"
#include "draw/Shapes.h"

#include <gtest/gtest.h>

namespace draw {
namespace {

using Op = ShapeOp;

std::vector<Op> roundedRect(float x, float y, float w, float h, float r) {
    ShapeRecorder rec;
    addRoundedRect(rec, x, y, w, h, r);
    return rec.ops;
}

TEST(Shapes, RoundedRectArcsStandAtTheirBoxes) {
    EXPECT_EQ(roundedRect(0, 0, 472, 658, 4), (std::vector<Op>{{Op::Arc, 468, 0, 4, 4, 270, 90},
                                                                {Op::Arc, 467, 653, 5, 5, 0, 90},
                                                                {Op::Arc, 0, 654, 4, 4, 90, 90},
                                                                {Op::Arc, 0, 0, 4, 4, 180, 90},
                                                                {Op::Close, 0, 0, 0, 0, 0, 0}}));
}

TEST(Shapes, RoundedRectRadiusIsClampedButNeverAdjustedToTheSize) {
    struct Case {
        float r, expected;
    };
    for (Case c : {Case{0, 1}, Case{-5, 1}, Case{1, 1}, Case{100, 100}, Case{150, 100}}) {
        const auto ops = roundedRect(10, 20, 30, 40, c.r);
        ASSERT_EQ(ops.size(), 5u);
        EXPECT_EQ(ops[0], (Op{Op::Arc, 40 - c.expected, 20, c.expected, c.expected, 270, 90})) << c.r;
        EXPECT_EQ(ops[1].c, c.expected + 1) << c.r;
    }
    // A radius beyond half the size: the arcs overlap, nothing is cut.
    const auto ops = roundedRect(0, 0, 10, 10, 30);
    EXPECT_EQ(ops[0], (Op{Op::Arc, -20, 0, 30, 30, 270, 90}));
    EXPECT_EQ(ops[2], (Op{Op::Arc, 0, -20, 30, 30, 90, 90}));
}

TEST(Shapes, TopRoundedShapeIsOpenAtTheBottom) {
    ShapeRecorder rec;
    addTopRoundedShape(rec, 5, 1, 26, 18, 1);
    EXPECT_EQ(rec.ops, (std::vector<Op>{{Op::Line, 5, 19, 5, 2, 0, 0},
                                        {Op::Arc, 5, 1, 1, 1, 180, 90},
                                        {Op::Line, 6, 1, 30, 1, 0, 0},
                                        {Op::Arc, 30, 1, 1, 1, 270, 90},
                                        {Op::Line, 31, 2, 31, 19, 0, 0}}));
}

TEST(Colour, ArgbAndColourRefSwapRedAndBlue) {
    EXPECT_EQ(toArgb(0x0051AE51), 0xFF51AE51u);
    EXPECT_EQ(toArgb(0x00DDCA22, 100), 0x6422CADDu);
    EXPECT_EQ(toArgb(0xFF0000FF, 0), 0x00FF0000u); // a stray top byte never leaks into the alpha
    const auto back = fromArgb(0x6422CADD);
    EXPECT_EQ(back.colour, 0x00DDCA22u);
    EXPECT_EQ(back.alpha, 100);
    EXPECT_EQ(rgb(81, 174, 81), 0x0051AE51u);
}

} // namespace
} // namespace draw
