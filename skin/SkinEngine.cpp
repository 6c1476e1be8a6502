#include "skin/SkinEngine.h"

#include "draw/GdiplusRuntime.h"

namespace skin {

SkinEngine::SkinEngine() : backgroundColour(GetSysColor(COLOR_BTNFACE)) {}

SkinEngine::~SkinEngine() {
    if (captionIcon) DestroyIcon(captionIcon);
    draw::shutdownGdiplus(gdiplusToken);
}

// The operations below record what the program asks for; the painters that
// act on it are added module by module.
void SkinEngine::setSkin(std::wstring_view, std::span<const std::byte> image, COLORREF background, COLORREF accent,
                         int mode) {
    skinImage.assign(image.begin(), image.end());
    backgroundColour = background;
    accentColour = accent;
    imageMode = mode;
}

void SkinEngine::setControlTransparency(bool enabled, int alpha) {
    controlsTransparent = enabled;
    overlayAlpha = alpha;
    overlayAlphaGiven = true;
}

bool SkinEngine::attachWindow(HWND window, bool) {
    if (!window) return false;
    windows_.push_back(window);
    return true;
}

void SkinEngine::addCaptionButton(HWND window, std::span<const std::byte>, std::wstring_view tipText,
                                  std::function<void()> handler) {
    captionButtons_.push_back({window, std::wstring(tipText), std::move(handler)});
}

void SkinEngine::attachContainer(HWND container, COLORREF fillColour, int fillAlpha) {
    containers_.push_back({container, {fillColour, fillAlpha}});
}

void SkinEngine::attachTransparentControl(HWND control) { transparentControls_.push_back(control); }

} // namespace skin
