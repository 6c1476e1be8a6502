#include "ui/AutoHide.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace ui {
namespace {

constexpr int kScreen = 1280;
constexpr int kW = 472, kH = 658;

struct Case {
    std::string name;
    ScreenPoint cursor;
    WindowBox window;
    std::optional<ScreenPoint> expected;
    int screenWidth = kScreen;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class AutoHideTable : public testing::TestWithParam<Case> {};

TEST_P(AutoHideTable, PlacesTheWindow) {
    const Case& c = GetParam();
    const std::optional<ScreenPoint> got = autoHidePosition(c.cursor, c.window, c.screenWidth);
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
        EXPECT_EQ(got->x, c.expected->x);
        EXPECT_EQ(got->y, c.expected->y);
    }
}

std::string caseName(const testing::TestParamInfo<Case>& param) { return param.param.name; }

const ScreenPoint kFarAway{900, 700};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rules, AutoHideTable, testing::Values(
    // Docked left: hides leaving 6 pixels, comes back when the mouse is on the strip.
    Case{"left_docked_mouse_away_hides", kFarAway, {0, 50, kW, kH}, ScreenPoint{6 - kW, 50}},
    Case{"left_hidden_mouse_on_strip_shows", {3, 300}, {6 - kW, 50, kW, kH}, ScreenPoint{0, 50}},
    Case{"left_hidden_mouse_away_stays_hidden_at_same_place", kFarAway, {6 - kW, 50, kW, kH}, ScreenPoint{6 - kW, 50}},
    Case{"left_partly_off_screen_mouse_inside_snaps_to_zero", {100, 300}, {-100, 50, kW, kH}, ScreenPoint{0, 50}},
    Case{"left_at_one_is_not_docked", kFarAway, {1, 50, kW, kH}, std::nullopt},
    // Docked right: any window reaching the right edge hides; only left = SW - 6 comes back.
    Case{"right_edge_exactly_at_screen_edge_hides", {100, 100}, {kScreen - kW, 50, kW, kH}, ScreenPoint{kScreen - 6, 50}},
    Case{"right_past_screen_edge_hides", {100, 100}, {1044, 50, kW, kH}, ScreenPoint{kScreen - 6, 50}},
    Case{"right_one_short_of_edge_stays", {100, 100}, {kScreen - kW - 1, 50, kW, kH}, std::nullopt},
    Case{"right_hidden_mouse_on_strip_shows", {kScreen - 2, 300}, {kScreen - 6, 50, kW, kH}, ScreenPoint{kScreen - kW, 50}},
    Case{"right_past_edge_mouse_inside_stays", {1100, 300}, {1044, 50, kW, kH}, std::nullopt},
    Case{"right_hidden_one_pixel_off_mouse_inside_stays", {kScreen - 3, 300}, {kScreen - 7, 50, kW, kH}, std::nullopt},
    // Docked top (threshold 1 pixel): hides leaving 6 pixels, comes back to 0.
    Case{"top_zero_mouse_away_hides", kFarAway, {100, 0, kW, kH}, ScreenPoint{100, 6 - kH}},
    Case{"top_one_mouse_away_hides", kFarAway, {100, 1, kW, kH}, ScreenPoint{100, 6 - kH}},
    Case{"top_two_is_not_docked", {1200, 790}, {100, 2, kW, kH}, std::nullopt},
    Case{"top_hidden_mouse_on_strip_shows", {300, 2}, {100, 6 - kH, kW, kH}, ScreenPoint{100, 0}},
    Case{"top_one_mouse_inside_snaps_to_zero", {300, 300}, {100, 1, kW, kH}, ScreenPoint{100, 0}},
    // Precedence: left before right before top.
    Case{"top_left_corner_hides_to_the_left", kFarAway, {0, 0, kW, kH}, ScreenPoint{6 - kW, 0}},
    Case{"top_right_corner_hides_to_the_right", {100, 700}, {kScreen - kW, 0, kW, kH}, ScreenPoint{kScreen - 6, 0}},
    Case{"top_left_corner_mouse_inside_keeps_left_rule", {10, 10}, {0, 0, kW, kH}, ScreenPoint{0, 0}},
    // The middle of the screen never moves.
    Case{"middle_mouse_away_stays", {5, 5}, {400, 70, kW, kH}, std::nullopt},
    Case{"middle_mouse_inside_stays", {500, 300}, {400, 70, kW, kH}, std::nullopt},
    // The window's edges count as inside.
    Case{"edge_left_column_is_inside", {0, 300}, {0, 50, kW, kH}, ScreenPoint{0, 50}},
    Case{"edge_right_column_is_inside", {kW, 300}, {0, 50, kW, kH}, ScreenPoint{0, 50}},
    Case{"edge_bottom_row_is_inside", {200, 50 + kH}, {0, 50, kW, kH}, ScreenPoint{0, 50}},
    Case{"edge_top_row_is_inside", {200, 50}, {0, 50, kW, kH}, ScreenPoint{0, 50}},
    Case{"one_past_right_edge_is_outside", {kW + 1, 300}, {0, 50, kW, kH}, ScreenPoint{6 - kW, 50}},
    Case{"one_below_bottom_is_outside", {200, 51 + kH}, {0, 50, kW, kH}, ScreenPoint{6 - kW, 50}},
    Case{"one_above_top_is_outside", {200, 49}, {0, 50, kW, kH}, ScreenPoint{6 - kW, 50}},
    Case{"one_left_of_left_is_outside", {99, 300}, {100, 0, kW, kH}, ScreenPoint{100, 6 - kH}},
    // Only the screen's width matters: a window far below the screen still docks by its sides.
    Case{"below_the_screen_docked_left_hides", kFarAway, {0, 5000, kW, kH}, ScreenPoint{6 - kW, 5000}},
    // A screen narrower than the window: it reaches both edges, and the left rule wins.
    Case{"narrow_screen_left_wins", {700, 700}, {0, 50, kW, kH}, ScreenPoint{6 - kW, 50}, 400},
    Case{"narrow_screen_middle_counts_as_right", {5, 790}, {10, 50, kW, kH}, ScreenPoint{394, 50}, 400},
    Case{"narrow_screen_hidden_right_comes_back_off_the_left", {396, 300}, {394, 50, kW, kH}, ScreenPoint{400 - kW, 50}, 400}
), caseName);
// clang-format on

TEST(DockRight, LeavesHalfTheWindowBeyondTheEdge) {
    struct DockCase {
        int screen, width, left;
    };
    for (const DockCase c : {DockCase{1280, 472, 1044}, DockCase{1920, 472, 1684}, DockCase{1920, 471, 1684},
                             DockCase{1280, 1, 1279}, DockCase{1280, 0, 1280},
                             // Narrower than half the window: truncated toward zero, not down.
                             DockCase{100, 471, -135}, DockCase{100, 472, -136}}) {
        EXPECT_EQ(dockRightLeft(c.screen, c.width), c.left) << c.screen << " " << c.width;
    }
}

TEST(SkinMenu, OpensThreePixelsRightOfAndBelowTheMouse) {
    EXPECT_EQ(skinMenuCorner({100, 200}), (ScreenPoint{103, 203}));
    EXPECT_EQ(skinMenuCorner({-5, 0}), (ScreenPoint{-2, 3}));
}

} // namespace
} // namespace ui
