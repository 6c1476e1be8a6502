// The window procedure of skinned windows and the painting of their frame:
// background, border, title, the caption strip with its fading buttons, the
// bottom bar, moving and sizing, and the colour answers given to children.
#include "skin/SkinEngine.h"

#include "draw/Colour.h"
#include "draw/PathShapes.h"
#include "skin/Paint.h"

#include <windowsx.h>

#include <algorithm>

namespace skin {
namespace {

using namespace paint;

RECT clientRect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}



void blitToWindow(HWND hwnd, HDC source, int x, int y, int w, int h) {
    rt::WindowDc dc(hwnd);
    if (!dc.get()) return;
    excludeChildren(hwnd, dc.get());
    BitBlt(dc.get(), x, y, w, h, source, x, y, SRCCOPY);
}

bool isCloseButton(const CaptionButton& b) { return b.kind == CaptionKind::Close; }

// A drawing-layer surface on the window's back buffer; whatever GDI drew there before is flushed first.
bool backGraphics(WindowRecord& w, draw::Graphics& g) {
    GdiFlush();
    return g.create(w.backPixels);
}

} // namespace

HDC excludeChildren(HWND hwnd, HDC dc) {
    // Each step of FindWindowEx lists all the children again: quadratic over a page of buttons.
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child) || (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT)) continue;
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
    return dc;
}

// ---- rendering ----

void SkinEngine::renderWindow(int windowIndex, bool present) {
    WindowRecord* wp = window(windowIndex);
    if (!wp) return;
    WindowRecord& w = *wp;
    const HWND hwnd = w.hwnd;
    RECT client = clientRect(hwnd);

    SetWindowRgn(hwnd, nullptr, TRUE);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    client = clientRect(hwnd);
    const int cw = client.right - client.left, ch = client.bottom - client.top;
    // The system owns the region from here on.
    SetWindowRgn(hwnd, CreateRoundRectRgn(0, 0, cw + 1, ch + 1, 5, 5), TRUE);

    // The buffer is a DIB section that the drawing layer paints into directly, through a bitmap over
    // the same pixels (premultiplied, which is what a blit shows), with no copy between the two.
    w.backPixels = draw::Image();
    void* bits = nullptr;
    w.backBuffer.select(draw::createDib(cw, ch, &bits));
    if (!w.backBuffer.dc() || !bits) return;
    w.backPixels.createBitmap(std::max(cw, 1), std::max(ch, 1), draw::kPixelFormat32bppPargb, bits, std::max(cw, 1) * 4);
    if (!GetPropW(hwnd, L"Ck_Ycjdx")) SetPropW(hwnd, L"Ck_Ycjdx", w.backBuffer.original());
    SetPropW(hwnd, L"Ck_wtjbdx", w.backBuffer.bitmap());

    {
        draw::Graphics g;
        backGraphics(w, g);
        drawWindowBackground(g, windowIndex);
        if (w.showCaptionButtons) {
            drawWindowBorder(windowIndex, g);
            w.captionSnapshot.reset();
            w.captionSnapshot.select(draw::createDib(cw, w.captionHeight, nullptr));
            BitBlt(w.captionSnapshot.dc(), 0, 0, cw, w.captionHeight, w.backBuffer.dc(), 0, 0, SRCCOPY);
        }
        const RECT& bar = w.bottomBarRect;
        w.bottomSnapshot.reset();
        w.bottomSnapshot.select(draw::createDib(bar.right - bar.left, bar.bottom - bar.top, nullptr));
        BitBlt(w.bottomSnapshot.dc(), 0, 0, bar.right - bar.left, bar.bottom - bar.top, w.backBuffer.dc(), bar.left,
               bar.top, SRCCOPY);
        if (w.showCaptionButtons) {
            if (w.showTitle) drawTitle(windowIndex, &g, true);
            for (int i = 1; i <= static_cast<int>(w.captionButtons.size()); ++i)
                drawCaptionButton(windowIndex, i, true, false, 0, &g);
        }
        if (w.bottomBarHeight > 0)
            for (int i = 1; i <= static_cast<int>(w.bottomBarItems.size()); ++i) drawBottomBarItem(windowIndex, g, i);
    }

    if (present) {
        blitToWindow(hwnd, w.backBuffer.dc(), 0, 0, cw, ch);
        w.needsFullRender = false;
        if (!firstSizePending) invalidateControls(w);
    } else {
        w.needsFullRender = false;
    }
}

void SkinEngine::invalidateControls(WindowRecord& w) {
    auto ownChildren = [&w](const auto& list, bool withChildren) {
        for (const auto& r : list) {
            if (GetParent(r.hwnd) != w.hwnd) continue;
            InvalidateRect(r.hwnd, nullptr, TRUE);
            if (!withChildren) continue;
            for (HWND c = GetWindow(r.hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (IsWindowVisible(c)) InvalidateRect(c, nullptr, TRUE);
        }
    };
    ownChildren(w.listRecords, true);
    ownChildren(w.comboRecords, false);
    ownChildren(w.editRecords, false);
    ownChildren(w.buttonRecords, false);
    ownChildren(w.trackbarRecords, false);
    ownChildren(w.progressRecords, false);
    ownChildren(w.updownRecords, false);
}

void SkinEngine::paintFromBuffer(int windowIndex, HDC dc) {
    WindowRecord* w = window(windowIndex);
    if (!w || !w->backBuffer.dc()) return;
    excludeChildren(w->hwnd, dc);
    RECT r{};
    GetWindowRect(w->hwnd, &r);
    BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, w->backBuffer.dc(), 0, 0, SRCCOPY);
}

void SkinEngine::drawWindowBackground(draw::Graphics& g, int windowIndex) {
    WindowRecord& w = *window(windowIndex);
    const RECT client = clientRect(w.hwnd);
    const int cw = client.right, ch = client.bottom;
    g.clear(toArgb(0xFF00FF, 0));
    draw::GraphicsPath clip = draw::makePath(draw::addRoundedRect, 0, 0, cw, ch, 4);
    g.setClip(clip);
    {
        draw::Brush fill;
        fill.createSolid(toArgb(w.windowImage ? w.windowImageColour : backgroundColour));
        g.fillPath(fill, clip);
    }
    const int mode = w.windowImage ? w.windowImageMode : imageMode;
    if (const draw::Image* image = layoutImage(windowIndex)) {
        const int iw = image->width(), ih = image->height();
        switch (mode) {
        case 1: g.drawImage(*image, draw::RectF{float(cw - iw), 0, float(iw), float(ih)}); break;
        case 2:
            g.drawImage(*image, draw::RectF{float((cw - iw) / 2), float((ch - ih) / 2), float(iw), float(ih)});
            break;
        case 3: g.drawImage(*image, draw::RectF{0, 0, float(cw), float(ch)}); break;
        default: g.drawImage(*image, draw::RectF{0, 0, float(iw), float(ih)}); break;
        }
    }
    if (w.captionGloss) {
        draw::Brush gloss = gradient(0, 0, 0, float(w.captionHeight), toArgb(kWhite, 150), toArgb(kWhite, 0));
        g.fillRectangle(gloss, {0, 0, float(cw), float(w.captionHeight)});
    }
}

void SkinEngine::drawWindowBorder(int windowIndex, draw::Graphics& g) {
    WindowRecord& w = *window(windowIndex);
    const RECT client = clientRect(w.hwnd);
    g.resetClip();
    {
        draw::GraphicsPath outer = draw::makePath(draw::addRoundedRect, 0, 0, client.right - 1, client.bottom - 1, 7);
        draw::Pen pen;
        pen.create(toArgb(kBlack, 180), 1);
        g.drawPath(pen, outer);
    }
    draw::GraphicsPath inner = draw::makePath(draw::addRoundedRect, 1, 1, client.right - 3, client.bottom - 3, 6);
    draw::Pen pen;
    pen.create(toArgb(kWhite, 180), 1);
    g.drawPath(pen, inner);
}

void SkinEngine::drawTitle(int windowIndex, draw::Graphics* graphics, bool inRender, const std::wstring* text) {
    WindowRecord* wp = window(windowIndex);
    if (!wp || !wp->backBuffer.dc()) return;
    WindowRecord& w = *wp;
    const RECT client = clientRect(w.hwnd);
    const int x0 = stripMargin + 6, y0 = stripMargin + 5;
    const int width = client.right - w.stripWidth - 10 - 2 * stripMargin;
    draw::Graphics own;
    if (!inRender || !graphics) {
        restoreCaptionArea(windowIndex, RECT{x0, y0, x0 + width, y0 + 32});
        backGraphics(w, own);
        graphics = &own;
    }
    draw::Graphics& g = *graphics;
    if (captionIcon) DrawIconEx(w.backBuffer.dc(), x0, y0 - 3, captionIcon, 17, 17, 0, nullptr, DI_NORMAL);
    GdiFlush(); // the icon is in the pixels before the text is drawn over them

    std::wstring title;
    if (text) {
        title = *text;
    } else {
        title.resize(static_cast<size_t>(GetWindowTextLengthW(w.hwnd)) + 1);
        title.resize(static_cast<size_t>(GetWindowTextW(w.hwnd, title.data(), static_cast<int>(title.size()))));
    }
    const draw::Font& titleFont =
        font(w.titleFontFace.empty() ? L"宋体" : w.titleFontFace, w.titleFontSize > 0 ? w.titleFontSize : 13,
             w.titleFontStyle ? draw::kFontStyleBold : draw::kFontStyleRegular);
    // One line, cut at the box: a title never runs under the caption strip or into a second line.
    draw::StringFormat format;
    format.create(draw::kStringNoWrap);
    format.setAlignment(draw::kAlignNear);
    format.setLineAlignment(draw::kAlignNear);
    g.setClip(draw::RectF{float(x0 + 20), float(y0), float(width - 20), 32});
    g.setTextHint(4); // anti-aliased, so the halo blends on any picture
    const draw::RectF box{float(x0 + 20), float(y0), float(width), 32};
    {
        draw::Brush shadow;
        shadow.createSolid(toArgb(w.titleShadowColour, 150));
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
            g.drawString(title, titleFont, {box.x + float(dx), box.y + float(dy), box.width, box.height}, format, shadow);
    }
    draw::Brush ink;
    ink.createSolid(toArgb(w.titleColour));
    g.drawString(title, titleFont, box, format, ink);
    g.resetClip();
    if (!inRender || graphics == &own) blitToWindow(w.hwnd, w.backBuffer.dc(), x0, y0 - 3, width, 35);
}

// ---- the caption strip ----

void SkinEngine::layoutCaptionButtons(int windowIndex) {
    WindowRecord* w = window(windowIndex);
    if (!w) return;
    const RECT client = clientRect(w->hwnd);
    w->stripX = stripXFor(client.right, w->stripWidth);
    w->stripHeight = kStripHeight;
    for (size_t i = 0; i < w->captionButtons.size(); ++i) {
        CaptionButton& b = w->captionButtons[i];
        b.rect = captionButtonRect(w->stripX, w->stripY, static_cast<int>(i) + 1, isCloseButton(b));
        const RECT tool{LONG(b.rect.x), LONG(b.rect.y), LONG(b.rect.x + b.rect.width), LONG(b.rect.y + b.rect.height)};
        w->tooltip.setToolRect(i + 1, tool);
        w->tooltip.setText(i + 1, b.tipText);
    }
}

int SkinEngine::hitTestCaptionButtons(int windowIndex, int x, int y) const {
    const WindowRecord* w = window(windowIndex);
    if (!w || x < w->stripX || y < w->stripY || y > w->stripY + w->stripHeight) return 0;
    for (size_t i = 0; i < w->captionButtons.size(); ++i)
        if (insideButton(w->captionButtons[i].rect, x, y)) return static_cast<int>(i) + 1;
    return 0;
}

int SkinEngine::maximizeButtonIndex(int windowIndex) const {
    const WindowRecord* w = window(windowIndex);
    if (!w) return 0;
    for (size_t i = 0; i < w->captionButtons.size(); ++i)
        if (w->captionButtons[i].kind == CaptionKind::Maximize) return static_cast<int>(i) + 1;
    return 0;
}

void SkinEngine::restoreCaptionArea(int windowIndex, const RECT& r) {
    WindowRecord* w = window(windowIndex);
    if (!w || !w->backBuffer.dc() || !w->captionSnapshot.dc()) return;
    BitBlt(w->backBuffer.dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, w->captionSnapshot.dc(), r.left,
           r.top, SRCCOPY);
}

void SkinEngine::restoreBottomBarArea(int windowIndex, const RECT& r) {
    WindowRecord* w = window(windowIndex);
    if (!w || !w->backBuffer.dc() || !w->bottomSnapshot.dc()) return;
    BitBlt(w->backBuffer.dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, w->bottomSnapshot.dc(),
           r.left - w->bottomBarRect.left, r.top - w->bottomBarRect.top, SRCCOPY);
}

void SkinEngine::drawCaptionButton(int windowIndex, int i, bool inRender, bool pressed, int alpha,
                                   draw::Graphics* graphics) {
    WindowRecord* wp = window(windowIndex);
    if (!wp || i < 1 || i > static_cast<int>(wp->captionButtons.size()) || !wp->backBuffer.dc()) return;
    WindowRecord& w = *wp;
    const CaptionButton& b = w.captionButtons[static_cast<size_t>(i - 1)];
    const float x = b.rect.x - 1, y = float(w.stripY + 1);
    const float bw = float(b.width), bh = float(b.height);
    const int ix = int(x), iy = int(y);
    const Bytes& glyph = b.kind == CaptionKind::Maximize && w.maximized && !b.altImage.empty() ? b.altImage : b.image;

    draw::Graphics own;
    if (pressed || !inRender || !graphics) {
        restoreCaptionArea(windowIndex, RECT{ix, iy, ix + int(bw), iy + int(bh)});
        backGraphics(w, own);
        graphics = &own;
        if (!pressed) graphics->setSmoothing(draw::kSmoothingAntiAlias);
    }
    draw::Graphics& g = *graphics;
    const Picture image = glyphPicture(glyph);
    if (pressed) {
        draw::GraphicsPath shape;
        shape.create();
        if (isCloseButton(b)) {
            draw::PathSink sink(shape);
            draw::addTopRightRoundedRect(sink, x, y, bw, bh, 5);
        } else {
            shape.addRectangle(x, y, bw, bh);
        }
        const draw::Brush fill =
            isCloseButton(b) ? gradient(x, y, x, y + bh, toArgb(kRed, 255), toArgb(kWhite, 30))
                             : gradient(x, y, x, y + bh, toArgb(kBlack, 80), toArgb(kWhite, 5));
        g.fillPath(fill, shape);
        if (image) g.drawImage(*image, draw::RectF{x, y, bw - 1, bh});
    } else {
        drawCaptionButtonHover(g, windowIndex, i, alpha);
        const draw::Brush glass = gradient(x, y, x, y + bh, toArgb(kWhite, 50), toArgb(kBlack, 0));
        g.fillRectangle(glass, {x - 1, y, bw + 1, bh - 1});
        if (image) g.drawImage(*image, draw::RectF{x, y, bw, bh});
        drawButtonSeparators(windowIndex, i, g);
    }
    if (pressed || !inRender || graphics == &own) blitToWindow(w.hwnd, w.backBuffer.dc(), ix, iy, int(bw), int(bh));
}

void SkinEngine::drawCaptionButtonHover(draw::Graphics& g, int windowIndex, int i, int alpha) {
    WindowRecord& w = *window(windowIndex);
    const CaptionButton& b = w.captionButtons[static_cast<size_t>(i - 1)];
    const float x = b.rect.x - 1, y = float(w.stripY + 1);
    const float bw = float(b.width), bh = float(b.height);
    restoreCaptionArea(windowIndex, RECT{int(x) - 1, int(y), int(x + bw) + 1, int(y + bh) + 1});
    GdiFlush(); // the restored cell is in the pixels before the layers are drawn over it
    if (alpha <= 0) return; // a plain button: every hover layer would be invisible
    {
        draw::GraphicsPath shape = draw::makePath(draw::addTopRoundedShape, x, y, bw, bh, 1);
        draw::Brush shade = gradient(x, y, x, y + bh, toArgb(kBlack, alpha / 5), toArgb(kWhite, 0));
        g.fillPath(shade, shape);
        if (isCloseButton(b)) {
            draw::GraphicsPath closeShape = draw::makePath(draw::addTopRightRoundedRect, x, y, bw, bh, 5);
            draw::Brush red = gradient(x, y, x, y + bh, toArgb(kRed, alpha), toArgb(kWhite, 0));
            g.fillPath(red, closeShape);
        } else {
            draw::Brush accent = gradient(x, y, x, y + bh, toArgb(accentColour, alpha), toArgb(kWhite, 0));
            g.fillPath(accent, shape);
        }
    }
    const float gh = 0.8f * bh;
    draw::GraphicsPath glow = isCloseButton(b) ? draw::makePath(draw::addTopRightRoundedRect, x, y, bw - 1, gh, 5)
                                               : draw::makePath(draw::addTopRoundedShape, x, y, bw - 1, gh, 1);
    draw::Brush glowBrush =
        gradient(x, y, x, y + bh, toArgb(kWhite, static_cast<int>(0.8 * alpha)), toArgb(kWhite, 0));
    draw::Pen pen;
    pen.create(glowBrush, 1);
    g.drawPath(pen, glow);
}

void SkinEngine::drawButtonSeparators(int windowIndex, int i, draw::Graphics& g) {
    WindowRecord& w = *window(windowIndex);
    auto line = [&](float x, int alpha) {
        draw::Brush brush = gradient(x, float(w.stripY), x, float(w.stripY + w.stripHeight - 3),
                                             toArgb(kBlack, alpha), toArgb(kBlack, 0));
        draw::Pen pen;
        pen.create(brush, 1);
        g.drawLine(pen, x, float(w.stripY + 1), x, float(w.stripY + w.stripHeight - 4));
    };
    const CaptionButton& b = w.captionButtons[static_cast<size_t>(i - 1)];
    line(b.rect.x - 2, i == 1 ? 100 : 60);
    if (i < static_cast<int>(w.captionButtons.size()))
        line(w.captionButtons[static_cast<size_t>(i)].rect.x - 2, 60);
}

// ---- the bottom bar (never shown by the program; laid out for completeness) ----

void SkinEngine::setBottomBar(int windowIndex, int height, std::vector<BottomBarItem> items) {
    WindowRecord* w = window(windowIndex);
    if (!w) return;
    const RECT client = clientRect(w->hwnd);
    w->bottomBarHeight = height;
    w->bottomBarItems = std::move(items);
    w->bottomBarRect = RECT{stripMargin, client.bottom - stripMargin - height - 1,
                            stripMargin + client.right - 2 * stripMargin, client.bottom - stripMargin - 1};
}

void SkinEngine::layoutBottomBar(int windowIndex) {
    WindowRecord* w = window(windowIndex);
    if (!w) return;
    w->bottomBarItemRects.clear();
    const RECT& bar = w->bottomBarRect;
    int fixed = 0;
    for (const BottomBarItem& item : w->bottomBarItems)
        if (item.width >= 0) fixed += item.width;
    const int rest = std::max(0, int(bar.right - bar.left) - fixed);
    int x = bar.left;
    for (const BottomBarItem& item : w->bottomBarItems) {
        const int width = item.width >= 0 ? item.width : rest;
        w->bottomBarItemRects.push_back(RECT{x, bar.top, x + width, bar.bottom});
        x += width;
    }
}

void SkinEngine::drawBottomBarItem(int windowIndex, draw::Graphics& g, int item) {
    WindowRecord& w = *window(windowIndex);
    if (item < 1 || item > static_cast<int>(w.bottomBarItemRects.size())) return;
    const RECT r = w.bottomBarItemRects[static_cast<size_t>(item - 1)];
    const BottomBarItem& it = w.bottomBarItems[static_cast<size_t>(item - 1)];
    const draw::Font& barFont = font(w.bottomBarFontFace, w.bottomBarFontSize, draw::kFontStyleRegular);
    draw::StringFormat format;
    format.create(draw::kStringNoWrap);
    format.setLineAlignment(draw::kAlignCenter);
    draw::Brush ink;
    ink.createSolid(toArgb(w.bottomBarTextColour));
    g.drawString(it.text, barFont, {float(r.left + 2), float(r.top), float(r.right - r.left - 4), float(r.bottom - r.top)},
                 format, ink);
}

// ---- moving and sizing ----

void SkinEngine::beginFrameDrag(int windowIndex, POINT p, const RECT& client) {
    WindowRecord& w = *window(windowIndex);
    if (p.x >= w.stripX && p.x <= w.stripX + w.stripWidth && p.y <= w.stripHeight && p.y >= 3) return;
    if (w.resizable) {
        const ResizeZone zone = resizeZoneAt(p.x, p.y, client.right, client.bottom, stripMargin);
        if (zone != ResizeZone::None) {
            w.needsFullRender = true;
            updateFrameCursor(windowIndex, p, client);
            SendMessageW(w.hwnd, WM_SYSCOMMAND, sizeCommandFor(zone), 0);
            return;
        }
    }
    if (p.y <= w.captionHeight) SendMessageW(w.hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void SkinEngine::updateFrameCursor(int windowIndex, POINT p, const RECT& client) {
    WindowRecord& w = *window(windowIndex);
    if (!w.resizable) return;
    const wchar_t* cursor = nullptr;
    switch (resizeZoneAt(p.x, p.y, client.right, client.bottom, stripMargin)) {
    case ResizeZone::Left:
    case ResizeZone::Right: cursor = IDC_SIZEWE; break;
    case ResizeZone::Top:
    case ResizeZone::Bottom: cursor = IDC_SIZENS; break;
    case ResizeZone::TopLeft:
    case ResizeZone::BottomRight: cursor = IDC_SIZENWSE; break;
    case ResizeZone::TopRight:
    case ResizeZone::BottomLeft: cursor = IDC_SIZENESW; break;
    case ResizeZone::None: return;
    }
    SetCursor(LoadCursorW(nullptr, cursor));
}

// ---- the fade ----

void SkinEngine::fadeTick(int windowIndex) {
    WindowRecord& w = *window(windowIndex);
    if (w.fadeInButton >= 1 && w.fadeInStep <= kFadeSteps - 1) {
        ++w.fadeInStep;
        drawCaptionButton(windowIndex, w.fadeInButton, false, false, fadeInAlpha(w.fadeInStep));
    }
    if (w.fadeOutButton >= 1 && w.fadeOutStep <= kFadeSteps - 1) {
        ++w.fadeOutStep;
        drawCaptionButton(windowIndex, w.fadeOutButton, false, false, fadeOutAlpha(w.fadeOutStep));
    }
    const bool fadeOutDone = w.fadeOutStep > kFadeSteps - 1 || w.fadeOutButton == 0;
    if ((!w.mouseTracking || !w.fadeTimerRunning) && fadeOutDone) {
        w.fadeTimerRunning = false;
        KillTimer(w.hwnd, reinterpret_cast<UINT_PTR>(w.hwnd));
        w.hotCaptionButtonShown = 0;
        w.fadeInButton = w.fadeInStep = 0;
        w.fadeOutButton = w.fadeOutStep = 0;
    }
}

// ---- colour answers to the children ----

LRESULT SkinEngine::colourAnswer(HWND control, HDC dc, bool pattern) {
    SetTextColor(dc, static_cast<COLORREF>(reinterpret_cast<INT_PTR>(prop(control, L"Kj_Ztys"))));
    SetBkMode(dc, TRANSPARENT);
    if (HANDLE old = RemovePropW(control, L"Kj_dxjb")) DeleteObject(old);
    if (!pattern) {
        HGDIOBJ hollow = GetStockObject(NULL_BRUSH);
        SetPropW(control, L"Kj_dxjb", hollow);
        return reinterpret_cast<LRESULT>(hollow);
    }
    if (HANDLE old = RemovePropW(control, L"Kj_wtjb")) DeleteObject(old);
    HBITMAP bitmap = controlBackgroundBitmap(control);
    HBRUSH brush = bitmap ? CreatePatternBrush(bitmap) : nullptr;
    if (bitmap) SetPropW(control, L"Kj_wtjb", bitmap);
    if (brush) SetPropW(control, L"Kj_dxjb", brush);
    return reinterpret_cast<LRESULT>(brush ? brush : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
}

void SkinEngine::invalidateOnNotification(HWND control, WORD code) {
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 31);
    const std::wstring_view name(cls);
    if ((name == L"Edit" && (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_CHANGE || code == EN_UPDATE)) ||
        (name == L"ListBox" && (code == LBN_SELCHANGE || code == LBN_SELCANCEL)) ||
        (name == L"ComboBox" && (code == CBN_KILLFOCUS || code == CBN_SELCHANGE)))
        InvalidateRect(control, nullptr, TRUE);
}

LRESULT SkinEngine::answerControlColour(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!controlsTransparent || !overlayAlphaGiven || !lParam) return 0;
    const auto control = reinterpret_cast<HWND>(lParam);
    const auto dc = reinterpret_cast<HDC>(wParam);
    wchar_t cls[32] = {};
    switch (msg) {
    case WM_CTLCOLOREDIT:
        // The edit of a combo box is answered by the combo box itself.
        GetClassNameW(GetParent(control), cls, 31);
        return std::wstring_view(cls) == L"ComboBox" ? 0 : colourAnswer(control, dc, true);
    case WM_CTLCOLORLISTBOX: {
        GetClassNameW(control, cls, 31);
        const auto style = GetWindowLongPtrW(control, GWL_STYLE);
        if (std::wstring_view(cls) != L"ListBox" || (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) return 0;
        return colourAnswer(control, dc, false);
    }
    case WM_CTLCOLORBTN: return colourAnswer(control, dc, false);
    case WM_CTLCOLORSTATIC: return colourAnswer(control, dc, true);
    default: return 0;
    }
}

// ---- the window procedure ----

LRESULT SkinEngine::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    int index = 0;
    WindowRecord* wp = recordOf(hwnd, &index);
    if (!wp) {
        if (msg == WM_NCDESTROY) destroyWindowRecord(hwnd);
        return passOn(hwnd, msg, wParam, lParam);
    }
    WindowRecord& w = *wp;
    switch (msg) {
    case WM_SIZE:
        w.hotCaptionButtonShown = 0;
        if (firstSizePending) {
            firstSizePending = false;
            w.needsFullRender = false;
        } else {
            w.needsFullRender = true;
        }
        break;
    case WM_SETTEXT:
        if (w.showTitle && w.showCaptionButtons && lParam) {
            const std::wstring text(reinterpret_cast<const wchar_t*>(lParam));
            drawTitle(index, nullptr, false, &text);
        }
        break;
    case WM_PAINT: {
        {
            rt::PaintDc paint(hwnd);
            if (!w.minimized) {
                if (w.needsFullRender || !w.backBuffer.dc()) {
                    renderWindow(index, true);
                    w.needsFullRender = false;
                } else {
                    paintFromBuffer(index, paint.get());
                }
            }
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    case WM_QUERYOPEN: w.minimized = false; break;
    case WM_ERASEBKGND: SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT); return 1;
    case WM_SHOWWINDOW:
        if (wParam) {
            if (w.minimized) {
                w.minimized = false;
            } else {
                rt::PaintDc paint(hwnd);
                renderWindow(index, true);
            }
        }
        break;
    case WM_ACTIVATEAPP:
        if (!wParam && onDeactivated) onDeactivated();
        break;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = POINT{w.minTrackWidth, w.minTrackHeight};
        if (w.maximized) {
            RECT tray{};
            if (HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowRect(taskbar, &tray);
            info->ptMaxTrackSize =
                POINT{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - (tray.bottom - tray.top)};
        } else {
            info->ptMaxTrackSize = POINT{w.maxTrackWidth, w.maxTrackHeight};
        }
        break;
    }
    case WM_WINDOWPOSCHANGED:
        if (w.hasMaximizeBox) {
            const RECT client = clientRect(hwnd);
            const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
            if (client.right == sw && client.bottom == sh) {
                // Fill the work area, not the whole screen: the taskbar stays visible.
                RECT tray{};
                if (HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr)) GetWindowRect(taskbar, &tray);
                w.maximized = true;
                SetWindowPos(hwnd, nullptr, 0, 0, sw, sh - (tray.bottom - tray.top),
                             SWP_NOZORDER | SWP_NOOWNERZORDER);
            }
        }
        layoutCaptionButtons(index);
        if (w.bottomBarHeight > 0) layoutBottomBar(index);
        break;
    case WM_NCDESTROY: {
        destroyWindowRecord(hwnd);
        KillTimer(hwnd, reinterpret_cast<UINT_PTR>(hwnd));
        const LRESULT result = passOn(hwnd, msg, wParam, lParam);
        // The window is gone: its properties go with it, so a new window never finds stale ones.
        for (const wchar_t* name : {L"Hw_lbID", L"Hw_hProc", L"Ck_Ycjdx", L"Ck_wtjbdx"}) removeProp(hwnd, name);
        forgetProps(hwnd);
        return result;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MAXIMIZE:
            w.maximized = true;
            w.needsFullRender = true;
            break;
        case SC_RESTORE:
            w.needsFullRender = true;
            w.minimized = false;
            break;
        case SC_MINIMIZE:
            w.needsFullRender = true;
            w.minimized = true;
            break;
        default: break;
        }
        break;
    case WM_TIMER:
        if (wParam == reinterpret_cast<WPARAM>(hwnd)) fadeTick(index);
        break;
    case WM_DRAWITEM:
        if (lParam) onDrawItem(index, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        break;
    case WM_MOUSEMOVE: {
        const RECT client = clientRect(hwnd);
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const bool inStrip = w.showCaptionButtons && pointInCaptionStrip(w.stripX, w.stripWidth, p.x, p.y);
        // Hover matters only to the caption buttons' fade. Tracking it polls
        // the pointer at the hover time (1 ms here) for as long as the pointer
        // stays in the window, which would keep a board at rest busy while the
        // host's pointer lies on it; below the caption strip the window tracks
        // only leaving, at the system's hover time. Asking at all still matters
        // there: it tells the control the pointer came from that it was left.
        if (inStrip && !w.mouseTracking) {
            TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, hwnd, 1};
            TrackMouseEvent(&track);
            w.leaveTracking = false;
        } else if (!inStrip && (w.mouseTracking || !w.leaveTracking)) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, HOVER_DEFAULT};
            TrackMouseEvent(&track);
            w.mouseTracking = false;
            w.leaveTracking = true;
        }
        if (w.showCaptionButtons) {
            if (inStrip) {
                if (!w.fadeTimerRunning) {
                    SetTimer(hwnd, reinterpret_cast<UINT_PTR>(hwnd), kFadeIntervalMs, nullptr);
                    w.fadeTimerRunning = true;
                }
            } else {
                w.fadeTimerRunning = false; // the timer stops itself once the fade-out is done
            }
            hotCaptionButton = hitTestCaptionButtons(index, p.x, p.y);
            if (w.hotCaptionButtonShown >= 1 && w.hotCaptionButtonShown != hotCaptionButton) {
                if (w.fadeOutStep < kFadeSteps) drawCaptionButton(index, w.fadeOutButton, false, false, 0);
                w.fadeOutButton = w.hotCaptionButtonShown;
                w.fadeOutStep = 0;
            }
            if (hotCaptionButton >= 1 && hotCaptionButton != w.hotCaptionButtonShown) {
                w.fadeInButton = hotCaptionButton;
                w.fadeInStep = 0;
            }
            w.hotCaptionButtonShown = hotCaptionButton;
            if (!w.maximized) updateFrameCursor(index, p, client);
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        const RECT client = clientRect(hwnd);
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        w.fadeInButton = 0;
        if (w.showCaptionButtons) {
            if (!w.maximized && !w.minimized) beginFrameDrag(index, p, client);
            // The move loop may have run and ended; the record is looked up again.
            WindowRecord* again = recordOf(hwnd, &index);
            if (!again) return 0;
            hotCaptionButton = hitTestCaptionButtons(index, p.x, p.y);
            if (hotCaptionButton >= 1) drawCaptionButton(index, hotCaptionButton, false, true, 0);
        }
        break;
    }
    case WM_LBUTTONUP:
        if (hotCaptionButton >= 1 && hotCaptionButton <= static_cast<int>(w.captionButtons.size()) &&
            w.showCaptionButtons) {
            const int button = hotCaptionButton;
            // The action may close the window; nothing of it is touched afterwards.
            const LRESULT result = passOn(hwnd, msg, wParam, lParam);
            onCaptionButton(index, button);
            return result;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (GET_Y_LPARAM(lParam) <= w.captionHeight && w.resizable) {
            if (const int max = maximizeButtonIndex(index); max > 0) onCaptionButton(index, max);
        }
        break;
    case WM_MOUSEHOVER: w.mouseTracking = true; break;
    case WM_MOUSELEAVE:
        w.mouseTracking = false;
        w.leaveTracking = false;
        if (w.hotCaptionButtonShown >= 1 && w.showCaptionButtons) {
            if (w.fadeInStep <= kFadeSteps - 1 && w.fadeOutStep <= kFadeSteps - 1) {
                drawCaptionButton(index, w.fadeOutButton, false, false, 0);
                w.fadeInButton = w.fadeInStep = 0;
            }
            w.fadeOutButton = w.hotCaptionButtonShown;
            w.fadeOutStep = 0;
            w.hotCaptionButtonShown = 0;
        }
        break;
    default:
        if (const std::optional<LRESULT> answer = childMessage(msg, wParam, lParam)) return *answer;
        break;
    }
    return passOn(hwnd, msg, wParam, lParam);
}

std::optional<LRESULT> SkinEngine::childMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY: {
        // A tree view that expands or collapses repaints its washed background.
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && (static_cast<int>(header->code) == -405 || static_cast<int>(header->code) == -406))
            InvalidateRect(header->hwndFrom, nullptr, TRUE);
        break;
    }
    case WM_COMMAND:
        if (controlsTransparent && overlayAlphaGiven && lParam)
            invalidateOnNotification(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        if (const LRESULT answer = answerControlColour(msg, wParam, lParam)) return answer;
        break;
    default: break;
    }
    return std::nullopt;
}

} // namespace skin
