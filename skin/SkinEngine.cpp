#include "skin/SkinEngine.h"

#include "draw/GdiplusRuntime.h"

#include <algorithm>

namespace skin {
namespace {

SkinEngine* theEngine = nullptr;

constexpr wchar_t kWindowIndexProp[] = L"Hw_lbID";
constexpr wchar_t kOwnerIndexProp[] = L"Hw_FuID";
constexpr wchar_t kProcProp[] = L"Hw_hProc";
constexpr wchar_t kTransparentOwnerProp[] = L"Kj_FuID";
constexpr wchar_t kTextColourProp[] = L"Kj_Ztys";
constexpr wchar_t kMarkerProp[] = L"Wxk_Zpf";
constexpr wchar_t kContainerProviderProp[] = L"Mb_zpf";

std::wstring className(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 255);
    return name;
}

} // namespace

// ---- BufferDc ----

void BufferDc::select(HBITMAP bitmap) {
    if (!dc_) {
        dc_ = CreateCompatibleDC(nullptr);
        if (!dc_) {
            if (bitmap) DeleteObject(bitmap);
            return;
        }
    }
    HGDIOBJ out = SelectObject(dc_, bitmap);
    if (!original_) original_ = out;
    else if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = bitmap;
}

void BufferDc::reset() {
    if (dc_) {
        if (original_) SelectObject(dc_, original_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    original_ = nullptr;
    bitmap_ = nullptr;
}

FontInfo captureFont(HWND control) {
    FontInfo info;
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    rt::WindowDc dc(control);
    draw::Font f;
    if (dc.get() && f.create(dc.get(), font)) {
        info.size = static_cast<int>(f.size());
        info.style = f.style();
        info.face = f.familyName();
    }
    if (info.face.empty()) info.face = L"宋体";
    if (info.size == 0) info.size = 12;
    return info;
}

// ---- the engine ----

SkinEngine::SkinEngine() : backgroundColour(GetSysColor(COLOR_BTNFACE)) { theEngine = this; }

SkinEngine::~SkinEngine() {
    fonts_.clear(); // drawing objects go before GDI+ does
    if (captionIcon) DestroyIcon(captionIcon);
    draw::shutdownGdiplus(gdiplusToken);
    if (theEngine == this) theEngine = nullptr;
}

WindowRecord* SkinEngine::window(int index) const {
    if (index < 1 || index > windowCount()) return nullptr;
    return windows_[static_cast<size_t>(index - 1)].get();
}

int SkinEngine::indexOf(HWND hwnd) const {
    for (size_t i = 0; i < windows_.size(); ++i)
        if (windows_[i]->hwnd == hwnd) return static_cast<int>(i) + 1;
    return 0;
}

WindowRecord* SkinEngine::recordOf(HWND hwnd, int* index) const {
    const int i = hwnd ? intProp(hwnd, kWindowIndexProp) : 0;
    WindowRecord* w = window(i);
    if (!w || w->hwnd != hwnd) return nullptr;
    if (index) *index = i;
    return w;
}

void SkinEngine::attachWindow(HWND hwnd, const AttachOptions& o) {
    if (!hwnd || indexOf(hwnd)) return;
    auto record = std::make_unique<WindowRecord>();
    WindowRecord& w = *record;
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
    RECT client{};
    GetClientRect(hwnd, &client);
    stripMargin = kStripMargin;
    w.hwnd = hwnd;
    w.captionHeight = std::max(o.captionHeight, kMinCaptionHeight);
    w.showHelpButton = o.showHelpButton;
    w.showMenuButton = o.showMenuButton;
    w.hasMinimizeBox = (style & WS_MINIMIZEBOX) != 0;
    w.hasMaximizeBox = (style & WS_MAXIMIZEBOX) != 0;
    w.showCloseButton = true;
    w.showTitle = o.showTitle;
    w.captionGloss = o.captionGloss;
    w.resizable = o.resizable;
    w.showCaptionButtons = o.showCaptionButtons;
    w.maxTrackWidth = GetSystemMetrics(SM_CXSCREEN);
    w.maxTrackHeight = GetSystemMetrics(SM_CYSCREEN);
    w.bottomBarHeight = o.bottomBarHeight;
    w.windowImageMode = o.mode.value_or(imageMode);
    if (!o.image.empty()) {
        const Picture source = decodePicture(o.image);
        w.windowImageColour = averageColour(source.get());
        w.windowImage = pictureForMode(source, w.windowImageMode, w.windowImageColour);
    }

    auto add = [&w](CaptionKind kind, std::span<const std::byte> image, const wchar_t* tip) {
        CaptionButton b;
        b.kind = kind;
        b.width = kind == CaptionKind::Close ? kCloseButtonWidth : kCaptionButtonWidth;
        b.image.assign(image.begin(), image.end());
        b.tipText = tip;
        w.captionButtons.push_back(std::move(b));
    };
    if (w.showHelpButton) add(CaptionKind::Help, glyphs.help, L"帮助");
    if (w.showMenuButton) add(CaptionKind::Menu, glyphs.menu, L"主菜单");
    if (w.hasMinimizeBox) add(CaptionKind::Minimize, glyphs.minimize, L"最小化");
    if (w.hasMaximizeBox) {
        add(CaptionKind::Maximize, glyphs.maximize, L"最大化");
        w.captionButtons.back().altImage.assign(glyphs.restore.begin(), glyphs.restore.end());
    }
    add(CaptionKind::Close, glyphs.close, L"关闭");
    std::vector<int> widths;
    for (const CaptionButton& b : w.captionButtons) widths.push_back(b.width);
    w.stripWidth = stripWidthFor(widths);
    w.stripHeight = kStripHeight;
    w.stripY = 0;
    w.stripX = client.right - stripMargin - w.stripWidth - 2;

    // The system menu stays reachable (Alt+Space, the taskbar) without a system caption.
    SetWindowLongPtrW(hwnd, GWL_STYLE, static_cast<LONG_PTR>(style | WS_SYSMENU));

    windows_.push_back(std::move(record));
    const int index = windowCount();

    w.tooltip.create(hwnd);
    for (size_t i = 0; i < w.captionButtons.size(); ++i)
        w.tooltip.addTool(RECT{}, w.captionButtons[i].tipText, i + 1);
    layoutCaptionButtons(index);
    if (w.bottomBarHeight > 0) {
        setBottomBar(index, w.bottomBarHeight, o.bottomBarItems);
        w.bottomBarOption2 = 0;
        w.bottomBarTextColour = 0xFFFFFF;
        w.bottomBarFontFace = L"宋体";
        w.bottomBarFontSize = 12;
    }
    layoutBottomBar(index);
    attachControls(hwnd, index);
    w.attached = true;
    w.needsFullRender = true;

    w.previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinEngine::windowProcEntry)));
    setProp(hwnd, kProcProp, reinterpret_cast<HANDLE>(w.previousProc));
    setIntProp(hwnd, kWindowIndexProp, index);
}

void SkinEngine::addCaptionButton(HWND hwnd, std::span<const std::byte> image, std::wstring_view tipText,
                                  Handler handler) {
    int index = 0;
    WindowRecord* w = recordOf(hwnd, &index);
    if (!w) return;
    w->stripWidth += kCaptionButtonPitch;
    CaptionButton b;
    b.kind = CaptionKind::Custom;
    b.image.assign(image.begin(), image.end());
    b.tipText = tipText;
    b.handler = std::move(handler);
    w->captionButtons.insert(w->captionButtons.begin(), std::move(b));
    w->tooltip.addTool(RECT{}, tipText, w->captionButtons.size());
    layoutCaptionButtons(index);
}

bool SkinEngine::setWindowImage(HWND hwnd, std::span<const std::byte> image, std::optional<int> mode) {
    WindowRecord* w = recordOf(hwnd);
    if (!w || image.empty()) return false;
    if (mode) w->windowImageMode = *mode;
    const Picture source = decodePicture(image);
    w->windowImageColour = averageColour(source.get());
    w->windowImage = pictureForMode(source, w->windowImageMode, w->windowImageColour);
    w->needsFullRender = true;
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

const Picture& SkinEngine::skinPicture() {
    if (pendingSkin_.source) {
        skinImage_ = pictureForMode(pendingSkin_.source, pendingSkin_.mode, pendingSkin_.colour);
        pendingSkin_ = {};
    }
    return skinImage_;
}

void SkinEngine::setSkin(const SkinSource& source) {
    if (!source.accentColour || *source.accentColour != -1)
        accentColour = source.accentColour ? static_cast<COLORREF>(*source.accentColour) : 0xDDCA22;
    if (source.fileName.empty() && source.image.empty() && !source.backgroundColour) {
        skinImage_.reset();
        pendingSkin_ = {};
        backgroundColour = GetSysColor(COLOR_BTNFACE);
    } else {
        // Decoded once: the average colour, the preparation and every later render use the same picture.
        const Bytes fromFile = source.fileName.empty() ? Bytes() : readImageFile(source.fileName);
        Picture picture;
        if (!source.fileName.empty()) {
            picture = decodePicture(fromFile);
        } else if (lastDecoded.picture && std::ranges::equal(source.image, lastDecoded.bytes)) {
            picture = lastDecoded.picture;
        } else {
            picture = decodePicture(source.image);
            lastDecoded = {{source.image.begin(), source.image.end()}, picture};
        }
        // A picture that does not decode (missing, broken, too large, no picture at all) leaves the plain
        // button face rather than black, so the board stays readable.
        backgroundColour = source.backgroundColour ? *source.backgroundColour
                           : picture                ? averageColour(picture.get())
                                                    : GetSysColor(COLOR_BTNFACE);
        if (source.accentColour && *source.accentColour == -1) accentColour = backgroundColour;
        imageMode = source.mode.value_or(4);
        skinImage_.reset();
        pendingSkin_ = {picture, imageMode, backgroundColour};
    }
    for (int i = 1; i <= windowCount(); ++i) {
        WindowRecord& w = *window(i);
        if (!IsWindowVisible(w.hwnd)) continue;
        renderWindow(i, false);
        InvalidateRect(w.hwnd, nullptr, FALSE);
        for (HWND child = GetWindow(w.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
        for (const HeaderRecord& header : w.headerRecords) InvalidateRect(header.hwnd, nullptr, FALSE);
    }
}

void SkinEngine::setControlTransparency(bool enabled, std::optional<int> alpha, bool sliderFrame) {
    controlsTransparent = enabled;
    overlayAlpha = alpha.value_or(160);
    overlayAlphaGiven = alpha.has_value();
    drawSliderFrame = sliderFrame;
}

void SkinEngine::setHelpHandler(HWND hwnd, Handler handler) {
    if (WindowRecord* w = recordOf(hwnd)) w->helpHandler = std::move(handler);
}

void SkinEngine::setMenuHandler(HWND hwnd, Handler handler) {
    if (WindowRecord* w = recordOf(hwnd)) w->menuHandler = std::move(handler);
}

void SkinEngine::onCaptionButton(int windowIndex, int buttonIndex) {
    WindowRecord* w = window(windowIndex);
    if (!w || buttonIndex < 1 || buttonIndex > static_cast<int>(w->captionButtons.size())) return;
    const HWND hwnd = w->hwnd;
    switch (w->captionButtons[static_cast<size_t>(buttonIndex - 1)].kind) {
    case CaptionKind::Close: SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case CaptionKind::Maximize:
        w->needsFullRender = true;
        if (w->maximized) {
            w->minimized = false;
            w->maximized = false;
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        } else {
            w->maximized = true;
            w->minimized = false;
            SendMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        }
        break;
    case CaptionKind::Minimize:
        w->minimized = true;
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        break;
    case CaptionKind::Menu:
        if (w->menuHandler) w->menuHandler();
        break;
    case CaptionKind::Help:
        if (w->helpHandler) w->helpHandler();
        break;
    case CaptionKind::Custom: {
        // A copy: the handler may change the strip.
        Handler h = w->captionButtons[static_cast<size_t>(buttonIndex - 1)].handler;
        if (h) h();
        break;
    }
    }
}

RECT SkinEngine::getCaptionStripRect(HWND hwnd) const {
    const WindowRecord* w = recordOf(hwnd);
    if (!w) return RECT{};
    return RECT{w->stripX, w->stripY, w->stripX + w->stripWidth, w->stripY + w->stripHeight};
}

void SkinEngine::setTextColour(HWND control, COLORREF colour) {
    if (!control) return;
    if (className(control) == L"ComboBox") {
        control = FindWindowExW(control, nullptr, L"Edit", nullptr);
        if (!control) return;
    }
    setIntProp(control, kTextColourProp, static_cast<INT_PTR>(colour));
}

void SkinEngine::setCaptionButtonImages(HWND hwnd, const CaptionImages& images) {
    int index = 0;
    WindowRecord* w = recordOf(hwnd, &index);
    if (!w || w->captionButtons.empty()) return;
    auto& buttons = w->captionButtons;
    auto put = [](Bytes& into, const std::optional<std::span<const std::byte>>& image) {
        if (image) into.assign(image->begin(), image->end());
    };
    const size_t n = buttons.size();
    put(buttons[n - 1].image, images.close);
    if (w->hasMinimizeBox && w->hasMaximizeBox) {
        if (n >= 2) {
            put(buttons[n - 2].image, images.maximize);
            put(buttons[n - 2].altImage, images.restore);
        }
        if (n >= 3) put(buttons[n - 3].image, images.minimize);
    } else if (w->hasMinimizeBox && n >= 2) {
        put(buttons[n - 2].image, images.minimize);
    } else if (w->hasMaximizeBox && n >= 2) {
        put(buttons[n - 2].image, images.maximize);
        put(buttons[n - 2].altImage, images.restore);
    }
    for (size_t i = 1; i <= n; ++i) drawCaptionButton(index, static_cast<int>(i), false, false, 0);
}

int SkinEngine::attachContainer(HWND container, const ContainerOptions& o) {
    if (!container) return 0;
    int windowIndex = 0;
    for (HWND a = GetParent(container); a && !windowIndex; a = GetParent(a)) windowIndex = indexOf(a);
    // A panel outside every skinned window has nothing to be drawn against.
    WindowRecord* w = window(windowIndex);
    if (!w) return 0;
    for (size_t i = 0; i < w->containers.size(); ++i)
        if (w->containers[i].hwnd == container) return static_cast<int>(i) + 1;

    ContainerRecord c;
    c.hwnd = container;
    c.fillColour = o.fillColour;
    c.fillAlpha = o.fillAlpha ? (*o.fillAlpha & 0xFF) : 255;
    c.option = o.option;
    c.fillEnabled = o.fillEnabled;
    const auto style = GetWindowLongPtrW(container, GWL_STYLE);
    c.isGroupBox = className(container) == L"Button" && (style & 0x4);
    if (c.isGroupBox) c.font = captureFont(container);
    w->containers.push_back(std::move(c));
    const int index = static_cast<int>(w->containers.size());
    attachControls(container, windowIndex);

    HWND marked = nullptr;
    for (HWND a = GetParent(container); a; a = GetParent(a))
        if (intProp(a, kMarkerProp) == 1) {
            marked = a;
            break;
        }
    ContainerRecord& rec = w->containers.back();
    rec.needsRender = true;
    rec.previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(container, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinEngine::containerProcEntry)));
    setProp(container, kProcProp, reinterpret_cast<HANDLE>(rec.previousProc));
    setIntProp(container, kWindowIndexProp, index);
    setIntProp(container, kOwnerIndexProp, windowIndex);
    setIntProp(container, kContainerProviderProp, reinterpret_cast<INT_PTR>(marked));
    return index;
}

void SkinEngine::setContainerAlpha(HWND container, int alpha) {
    if (!container) return;
    WindowRecord* w = window(intProp(container, kOwnerIndexProp));
    const int index = intProp(container, kWindowIndexProp);
    if (!w || index < 1 || index > static_cast<int>(w->containers.size())) return;
    ContainerRecord& c = w->containers[static_cast<size_t>(index - 1)];
    if (c.hwnd != container || c.fillColour == 0) return;
    c.fillAlpha = alpha & 0xFF;
    InvalidateRect(container, nullptr, FALSE);
}

const ContainerRecord* SkinEngine::containerOf(HWND hwnd) const {
    const WindowRecord* w = window(intProp(hwnd, kOwnerIndexProp));
    const int index = intProp(hwnd, kWindowIndexProp);
    if (!w || index < 1 || index > static_cast<int>(w->containers.size())) return nullptr;
    const ContainerRecord& c = w->containers[static_cast<size_t>(index - 1)];
    return c.hwnd == hwnd ? &c : nullptr;
}

void SkinEngine::attachControls(HWND parent, int windowIndex) {
    if (!controlsTransparent) return;
    // Both kinds are "BUTTON" children: one walk over the children serves them
    // (each step of it is a request to the window server).
    const std::vector<HWND> buttons = directChildren(parent, L"BUTTON");
    attachPushButtons(buttons, windowIndex);
    attachCheckAndRadio(buttons, windowIndex);
    attachEditsAndCombos(parent, windowIndex);
    attachTrackbars(parent, windowIndex);
    attachProgressBars(parent, windowIndex);
    attachLists(parent, windowIndex);
    attachUpDowns(parent, windowIndex);
    attachHeaders(parent, windowIndex);
}

SkinEngine* SkinEngine::instance() { return theEngine; }

const draw::Font& SkinEngine::font(std::wstring_view face, int size, int style) {
    auto& slot = fonts_[{std::wstring(face), size, style}];
    if (!slot) {
        slot = std::make_unique<draw::Font>();
        slot->create(face, float(size), style, draw::kUnitPixel);
    }
    return *slot;
}

std::vector<HWND> directChildren(HWND parent, std::wstring_view className) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[256] = {};
        GetClassNameW(child, name, 255);
        if (CompareStringOrdinal(name, -1, std::wstring(className).c_str(), -1, TRUE) == CSTR_EQUAL)
            found.push_back(child);
    }
    return found;
}

WNDPROC SkinEngine::subclass(HWND control, int windowIndex, int index, WNDPROC proc) {
    setIntProp(control, kWindowIndexProp, index);
    setIntProp(control, kOwnerIndexProp, windowIndex);
    auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
    setProp(control, kProcProp, reinterpret_cast<HANDLE>(previous));
    return previous;
}

void SkinEngine::destroyWindowRecord(HWND hwnd) {
    const int index = indexOf(hwnd);
    if (index) {
        WindowRecord& w = *window(index);
        for (const EditRecord& edit : w.editRecords) {
            if (HANDLE brush = GetPropW(edit.hwnd, L"Kj_wtjb")) DeleteObject(brush);
            if (HANDLE bitmap = GetPropW(edit.hwnd, L"Kj_dxjb")) DeleteObject(bitmap);
        }
        windows_.erase(windows_.begin() + (index - 1));
    }
    for (int k = 1; k <= windowCount(); ++k) {
        WindowRecord& w = *window(k);
        setIntProp(w.hwnd, kWindowIndexProp, k);
        w.forEachControlList([k](const auto& list) {
            for (const auto& r : list) setIntProp(r.hwnd, kOwnerIndexProp, k);
        });
        for (const ContainerRecord& c : w.containers) setIntProp(c.hwnd, kOwnerIndexProp, k);
        for (const auto& r : w.transparentControls) setIntProp(r.hwnd, kTransparentOwnerProp, k);
    }
}

LRESULT SkinEngine::passOn(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return callPreviousProc(hwnd, kProcProp, msg, wParam, lParam);
}

LRESULT CALLBACK SkinEngine::windowProcEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // No exception may cross into the system's dispatch.
    try {
        if (theEngine) return theEngine->windowProc(hwnd, msg, wParam, lParam);
    } catch (...) {
    }
    return passOn(hwnd, msg, wParam, lParam);
}

} // namespace skin
