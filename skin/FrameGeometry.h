// The geometry of a skinned window's frame: the caption strip, its buttons,
// the resize zones, the fade of a caption button and the layout of the skin
// picture. Plain arithmetic, shared by the window procedure and the tests.
#pragma once

#include <cstdint>
#include <vector>

namespace skin {

inline constexpr int kStripMargin = 3;
inline constexpr int kStripHeight = 22;
inline constexpr int kMinCaptionHeight = 25;
inline constexpr int kCaptionButtonWidth = 26;
inline constexpr int kCloseButtonWidth = 38;
inline constexpr int kCaptionButtonHeight = 18;
inline constexpr int kCaptionButtonPitch = 27;
inline constexpr int kFadeSteps = 8;
inline constexpr int kFadeAlphaStep = 30;
inline constexpr unsigned kFadeIntervalMs = 20;

// Width of a strip holding buttons of these widths: the widths, a pixel between neighbours, 3 to spare.
int stripWidthFor(const std::vector<int>& buttonWidths);

struct FloatRect {
    float x, y, width, height;
};

// The i-th (1-based) caption button's hit rectangle; the close button's is 40 wide.
FloatRect captionButtonRect(int stripX, int stripY, int index, bool isClose);

// x of the strip once laid out in a client area w wide.
inline int stripXFor(int clientWidth, int stripWidth) { return clientWidth - stripWidth + 1; }

bool pointInCaptionStrip(int stripX, int stripWidth, int x, int y);

// A point strictly inside a button's rectangle.
bool insideButton(const FloatRect& r, int x, int y);

// The resize zones of a resizable window, tested in this order.
enum class ResizeZone { None, Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };
ResizeZone resizeZoneAt(int x, int y, int right, int bottom, int margin = kStripMargin);
// SC_SIZE plus the zone's code (0xF001 ...), 0 for none.
unsigned sizeCommandFor(ResizeZone zone);

// Alpha of a caption button after `step` ticks of fading in or out.
inline int fadeInAlpha(int step) { return kFadeAlphaStep * step; }
inline int fadeOutAlpha(int step) { return 240 - kFadeAlphaStep * step; }

// Width of the faded band of a prepared skin picture: 30 % of its width.
inline int fadeBandWidth(int imageWidth) { return imageWidth * 30 / 100; }

// Where the copies of a picture go when tiled across a window, every second one mirrored.
struct Tile {
    int x;
    bool mirrored;
    bool operator==(const Tile&) const = default;
};
std::vector<Tile> mirroredTiles(int imageWidth, int clientWidth);

} // namespace skin
