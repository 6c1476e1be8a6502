#include "skin/FrameGeometry.h"

#include <gtest/gtest.h>

namespace skin {
namespace {

TEST(FrameGeometry, StripWidthForOneTwoAndThreeButtons) {
    EXPECT_EQ(stripWidthFor({38}), 41);             // close only
    EXPECT_EQ(stripWidthFor({26, 38}), 68);         // minimise, close
    EXPECT_EQ(stripWidthFor({26, 26, 38}), 95);     // the same with the custom button added (68 + 27)
    EXPECT_EQ(stripWidthFor({26, 26, 26, 38}), 122);
}

TEST(FrameGeometry, CaptionButtonsOfTheMainWindowEndAtTheRightEdge) {
    // 472 wide: custom, minimise, close.
    const int stripX = stripXFor(472, 95);
    EXPECT_EQ(stripX, 378);
    const FloatRect custom = captionButtonRect(stripX, 0, 1, false);
    const FloatRect close = captionButtonRect(stripX, 0, 3, true);
    EXPECT_EQ(custom.x, 380);
    EXPECT_EQ(captionButtonRect(stripX, 0, 2, false).x, 407);
    EXPECT_EQ(close.x, 434);
    EXPECT_EQ(close.width, 40);
    // The close glyph (38 wide, drawn from x - 1) ends at the client's right edge.
    EXPECT_EQ(close.x - 1 + 38, 471);
    EXPECT_TRUE(insideButton(custom, 381, 2));
    EXPECT_FALSE(insideButton(custom, 380, 2)); // edges are outside
    EXPECT_FALSE(insideButton(custom, 390, 19));
}

TEST(FrameGeometry, StripContainsItsEdges) {
    EXPECT_TRUE(pointInCaptionStrip(378, 95, 378, 0));
    EXPECT_TRUE(pointInCaptionStrip(378, 95, 473, 22));
    EXPECT_FALSE(pointInCaptionStrip(378, 95, 377, 5));
    EXPECT_FALSE(pointInCaptionStrip(378, 95, 400, 23));
}

TEST(FrameGeometry, ResizeZonesInTheirOrder) {
    struct Case {
        int x, y;
        ResizeZone zone;
        unsigned command;
    };
    const int r = 300, b = 200;
    for (Case c : {Case{2, 50, ResizeZone::Left, 0xF001}, Case{297, 50, ResizeZone::Right, 0xF002},
                   Case{50, 3, ResizeZone::Top, 0xF003}, Case{50, 197, ResizeZone::Bottom, 0xF006},
                   Case{5, 5, ResizeZone::TopLeft, 0xF004}, Case{295, 5, ResizeZone::TopRight, 0xF005},
                   Case{5, 195, ResizeZone::BottomLeft, 0xF007}, Case{295, 195, ResizeZone::BottomRight, 0xF008},
                   Case{2, 11, ResizeZone::Left, 0xF001}, Case{2, 10, ResizeZone::TopLeft, 0xF004},
                   Case{50, 50, ResizeZone::None, 0}, Case{4, 50, ResizeZone::None, 0}}) {
        EXPECT_EQ(resizeZoneAt(c.x, c.y, r, b), c.zone) << c.x << "," << c.y;
        EXPECT_EQ(sizeCommandFor(c.zone), c.command);
    }
}

TEST(FrameGeometry, FadeReachesTwoFortyInEightSteps) {
    EXPECT_EQ(fadeInAlpha(1), 30);
    EXPECT_EQ(fadeInAlpha(kFadeSteps), 240);
    EXPECT_EQ(fadeOutAlpha(1), 210);
    EXPECT_EQ(fadeOutAlpha(kFadeSteps), 0);
}

TEST(FrameGeometry, FadeBandAndMirroredTiling) {
    EXPECT_EQ(fadeBandWidth(472), 141);
    EXPECT_EQ(mirroredTiles(300, 700), (std::vector<Tile>{{0, false}, {300, true}, {600, false}}));
    EXPECT_EQ(mirroredTiles(300, 600), (std::vector<Tile>{{0, false}, {300, true}}));
    EXPECT_EQ(mirroredTiles(800, 472), (std::vector<Tile>{{0, false}}));
    EXPECT_TRUE(mirroredTiles(0, 472).empty());
}

} // namespace
} // namespace skin
