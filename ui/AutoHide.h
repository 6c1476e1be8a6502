// Geometry of the main window's edge behaviours: sliding into a screen edge
// while the mouse is elsewhere, and docking. Plain C++, no Windows headers.
#pragma once

#include <optional>

namespace ui {

// Pixels of a hidden window that stay on screen.
inline constexpr int kAutoHideStrip = 6;
// A window this close to the top of the screen counts as docked there.
inline constexpr int kAutoHideTopThreshold = 1;

struct ScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct WindowBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the window goes on this tick of the auto-hide timer, or nothing when it
// stays. Only the primary screen's width takes part; a point on the window's
// edge counts as inside.
[[nodiscard]] std::optional<ScreenPoint> autoHidePosition(ScreenPoint cursor, WindowBox window, int screenWidth);

// Left edge of a window docked right: half of it beyond the screen's right edge,
// an odd width leaving the half pixel out (truncated toward zero).
[[nodiscard]] int dockRightLeft(int screenWidth, int windowWidth);

// Top-left corner of the skin menu for the mouse at cursor.
[[nodiscard]] ScreenPoint skinMenuCorner(ScreenPoint cursor);

} // namespace ui
