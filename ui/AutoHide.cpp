#include "ui/AutoHide.h"

namespace ui {

std::optional<ScreenPoint> autoHidePosition(ScreenPoint cursor, WindowBox window, int screenWidth) {
    const int left = window.left, top = window.top, width = window.width, height = window.height;
    const bool outside =
        cursor.x < left || cursor.x > left + width || cursor.y < top || cursor.y > top + height;
    // Left and right take precedence over the top: a window in the top-left
    // corner hides to the left.
    if (outside) {
        if (left <= 0) return ScreenPoint{kAutoHideStrip - width, top};
        if (left + width >= screenWidth) return ScreenPoint{screenWidth - kAutoHideStrip, top};
        if (top <= kAutoHideTopThreshold) return ScreenPoint{left, kAutoHideStrip - height};
        return std::nullopt;
    }
    if (left <= 0) return ScreenPoint{0, top};
    // Only a window hidden by the rule above comes back from the right edge;
    // one merely touching it stays where the user put it while the mouse is on it.
    if (left == screenWidth - kAutoHideStrip) return ScreenPoint{screenWidth - width, top};
    if (top <= kAutoHideTopThreshold) return ScreenPoint{left, 0};
    return std::nullopt;
}

int dockRightLeft(int screenWidth, int windowWidth) {
    return static_cast<int>(static_cast<double>(screenWidth) - static_cast<double>(windowWidth) / 2.0);
}

ScreenPoint skinMenuCorner(ScreenPoint cursor) {
    constexpr int kOffset = 3;
    return {cursor.x + kOffset, cursor.y + kOffset};
}

} // namespace ui
