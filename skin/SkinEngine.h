// The skin engine: one per process. It owns the engine-wide look settings and,
// as its painting lands, the records of the windows and controls it skins.
#pragma once

#include "runtime/Handles.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace skin {

class SkinEngine {
  public:
    SkinEngine();
    SkinEngine(const SkinEngine&) = delete;
    SkinEngine& operator=(const SkinEngine&) = delete;
    // Destroys the caption icon and shuts GDI+ down.
    virtual ~SkinEngine();

    // Engine-wide settings, given their start values by the program's start-up.
    uintptr_t gdiplusToken = 0;
    HICON captionIcon = nullptr;
    bool firstSizePending = true;
    bool controlsTransparent = true;
    int overlayAlpha = 160;
    bool overlayAlphaGiven = false;
    bool drawSliderFrame = true;
    COLORREF accentColour = 0x00DDCA22;
    COLORREF backgroundColour;
    int imageMode = 0;
    std::vector<std::byte> skinImage;

    virtual void setSkin(std::wstring_view fileName, std::span<const std::byte> image, COLORREF background,
                         COLORREF accent, int mode);
    virtual void setControlTransparency(bool enabled, int alpha);
    virtual bool attachWindow(HWND window, bool resizable);
    virtual void addCaptionButton(HWND window, std::span<const std::byte> image, std::wstring_view tipText,
                                  std::function<void()> handler);
    virtual void attachContainer(HWND container, COLORREF fillColour, int fillAlpha);
    virtual void attachTransparentControl(HWND control);

  private:
    struct CaptionButton {
        HWND window;
        std::wstring tipText;
        std::function<void()> handler;
    };
    std::vector<HWND> windows_;
    std::vector<CaptionButton> captionButtons_;
    std::vector<std::pair<HWND, std::pair<COLORREF, int>>> containers_;
    std::vector<HWND> transparentControls_;
};

} // namespace skin
