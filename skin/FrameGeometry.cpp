#include "skin/FrameGeometry.h"

namespace skin {

int stripWidthFor(const std::vector<int>& buttonWidths) {
    int sum = 0;
    for (int w : buttonWidths) sum += w;
    const int n = static_cast<int>(buttonWidths.size());
    return sum + (n > 0 ? n - 1 : 0) + 3;
}

FloatRect captionButtonRect(int stripX, int stripY, int index, bool isClose) {
    return {static_cast<float>(stripX + 2 + kCaptionButtonPitch * (index - 1)), static_cast<float>(stripY + 1),
            static_cast<float>(isClose ? 40 : kCaptionButtonWidth), static_cast<float>(kCaptionButtonHeight)};
}

bool pointInCaptionStrip(int stripX, int stripWidth, int x, int y) {
    return x >= stripX && x <= stripX + stripWidth && y >= 0 && y <= kStripHeight;
}

bool insideButton(const FloatRect& r, int x, int y) {
    const auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    return fx > r.x && fx < r.x + r.width && fy > r.y && fy < r.y + r.height;
}

ResizeZone resizeZoneAt(int x, int y, int right, int bottom, int m) {
    if (x <= m && y >= 11 && y < bottom - 10) return ResizeZone::Left;
    if (x >= right - m && y >= 11 && y < bottom - 10) return ResizeZone::Right;
    if (y <= m && x >= 11 && x < right - 10) return ResizeZone::Top;
    if (y >= bottom - m && x >= 11 && x < right - 10) return ResizeZone::Bottom;
    if (x <= 10 && y <= 10) return ResizeZone::TopLeft;
    if (x >= right - 10 && y <= 10) return ResizeZone::TopRight;
    if (x <= 10 && y >= bottom - 10) return ResizeZone::BottomLeft;
    if (x >= right - 10 && y >= bottom - 10) return ResizeZone::BottomRight;
    return ResizeZone::None;
}

unsigned sizeCommandFor(ResizeZone zone) {
    switch (zone) {
    case ResizeZone::Left: return 0xF001;
    case ResizeZone::Right: return 0xF002;
    case ResizeZone::Top: return 0xF003;
    case ResizeZone::Bottom: return 0xF006;
    case ResizeZone::TopLeft: return 0xF004;
    case ResizeZone::TopRight: return 0xF005;
    case ResizeZone::BottomLeft: return 0xF007;
    case ResizeZone::BottomRight: return 0xF008;
    case ResizeZone::None: break;
    }
    return 0;
}

std::vector<Tile> mirroredTiles(int imageWidth, int clientWidth) {
    std::vector<Tile> tiles;
    if (imageWidth <= 0) return tiles;
    bool mirrored = false;
    for (int x = 0; x < clientWidth || tiles.empty(); x += imageWidth) {
        tiles.push_back({x, mirrored});
        mirrored = !mirrored;
    }
    return tiles;
}

} // namespace skin
