// Where the board's buttons stand: the 206 clip buttons on pages 1-5 and the
// 30 custom buttons on page 6, and the order the layout lists them in.
#pragma once

#include <span>

namespace ui {

struct BoardButton {
    int number; // N of 按钮_音效N, or k of 按钮_自定义音效_k on page 6
    int page;   // 1-based
    int x, y, width, height;
};

// Clip buttons in page order, row by row.
std::span<const BoardButton> clipButtons();
// Custom buttons in page order, row by row.
std::span<const BoardButton> customButtons();
// The numbers of the clip buttons and of the custom buttons in layout order.
std::span<const int> clipLayoutOrder();
std::span<const int> customLayoutOrder();

} // namespace ui
