// Container panels: child windows (the tab control, a group box) drawn as a
// translucent tint over the skin, with the controls on them skinned against
// that tinted background.
#include "skin/SkinEngine.h"

#include "draw/Colour.h"
#include "draw/PathShapes.h"
#include "skin/Paint.h"

namespace skin {
namespace {

using namespace paint;

} // namespace

void SkinEngine::drawGroupBoxDecoration(const ContainerRecord& c, HDC capture, int w, int h) {
    {
        draw::Graphics g;
        g.create(capture);
        outline(g, draw::makePath(draw::addRoundedRect, 0, 5, w - 1, h - 6, 5), toArgb(kBlack, 40));
        outline(g, draw::makePath(draw::addRoundedRect, 1, 6, w - 3, h - 8, 3), toArgb(kWhite, 90));
    }
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(c.hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(c.hwnd, text.data(), static_cast<int>(text.size()))));
    if (text.empty()) return;
    // The caption's width, measured with the same font in GDI units.
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(c.hwnd, WM_GETFONT, 0, 0));
    SIZE extent{};
    {
        rt::SelectGuard select(capture, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32W(capture, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    const int tw = extent.cx + 2;
    const auto align = GetWindowLongPtrW(c.hwnd, GWL_STYLE) & 0x300;
    const int x = align == 0x300 ? (w - tw) / 2 : align == 0x100 ? 10 : w - tw - 10;
    const RECT box{x, 1, x + tw, 1 + c.font.size + 3};
    // The background behind the caption goes back in, which breaks the outline where the text stands.
    RECT inWindow = box;
    HDC behind = captureBackground(c.hwnd, inWindow);
    BitBlt(capture, box.left, box.top, box.right - box.left, box.bottom - box.top, behind, 0, 0, SRCCOPY);
    releaseCaptureDC(behind);
    draw::Graphics g;
    g.create(capture);
    g.setTextHint(4);
    const draw::Font& f = SkinEngine::font(c.font.face, c.font.size, c.font.style);
    draw::StringFormat format;
    format.create(draw::kStringNoWrap);
    draw::Brush ink;
    ink.createSolid(toArgb(static_cast<COLORREF>(intProp(c.hwnd, L"Kj_Ztys"))));
    g.drawString(text, f, {float(box.left), float(box.top), float(tw + 4), float(box.bottom - box.top)}, format, ink);
}

void SkinEngine::renderContainer(int windowIndex, int containerIndex, HDC dc, bool recompose) {
    WindowRecord* w = window(windowIndex);
    if (!w || containerIndex < 1 || containerIndex > static_cast<int>(w->containers.size())) return;
    ContainerRecord& c = w->containers[static_cast<size_t>(containerIndex - 1)];
    RECT client{};
    GetClientRect(c.hwnd, &client);
    const int cw = client.right, ch = client.bottom;
    HDC capture = captureBackground(c.hwnd, client);
    if (!capture) return;
    if (c.isGroupBox) {
        drawGroupBoxDecoration(c, capture, cw, ch);
    } else if (c.option != 0) {
        draw::Graphics g;
        g.create(capture);
        outline(g, draw::makePath(draw::addRoundedRect, 0, 0, cw - 1, ch - 1, 5), toArgb(kBlack, 40));
        outline(g, draw::makePath(draw::addRoundedRect, 1, 1, cw - 3, ch - 3, 3), toArgb(kWhite, 100));
    }
    // The panel does not clip its children itself: they are cut out of the copy so it never paints over them.
    if (dc) {
        excludeChildren(c.hwnd, dc);
        BitBlt(dc, 0, 0, cw, ch, capture, 0, 0, SRCCOPY);
    } else {
        rt::WindowDc own(c.hwnd);
        if (own.get()) BitBlt(excludeChildren(c.hwnd, own.get()), 0, 0, cw, ch, capture, 0, 0, SRCCOPY);
    }
    if (recompose) {
        c.needsRender = false;
    } else {
        // Children that let the panel show through were not cut out of the copy: they paint again on top.
        for (HWND child = GetWindow(c.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_TRANSPARENT) InvalidateRect(child, nullptr, FALSE);
    }
    releaseCaptureDC(capture);
}

LRESULT CALLBACK SkinEngine::containerProcEntry(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // No exception may cross into the system's dispatch.
    try {
        if (SkinEngine* engine = instance()) return engine->containerProc(hwnd, msg, wParam, lParam);
    } catch (...) {
    }
    return passOn(hwnd, msg, wParam, lParam);
}

LRESULT SkinEngine::containerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int windowIndex = intProp(hwnd, L"Hw_FuID");
    const int index = intProp(hwnd, L"Hw_lbID");
    WindowRecord* w = window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->containers.size()) ||
        w->containers[static_cast<size_t>(index - 1)].hwnd != hwnd)
        return passOn(hwnd, msg, wParam, lParam);
    ContainerRecord& c = w->containers[static_cast<size_t>(index - 1)];
    switch (msg) {
    case WM_MOVE:
        // A see-through panel shows another part of the skin once it moved.
        if (c.fillEnabled && c.fillAlpha != 255) InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_SIZE: c.needsRender = true; break;
    case WM_PAINT:
        if (!c.fillEnabled) break;
        {
            rt::PaintDc paint(hwnd);
            renderContainer(windowIndex, index, c.needsRender ? paint.get() : nullptr, c.needsRender);
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND:
        if (!c.fillEnabled) break;
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return 1;
    case WM_SHOWWINDOW:
        if (wParam) {
            passOn(hwnd, msg, wParam, lParam);
            if (c.fillEnabled) renderContainer(windowIndex, index, nullptr, true);
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
        break;
    case WM_DRAWITEM:
        if (lParam) onDrawItem(windowIndex, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        break;
    default:
        if (const std::optional<LRESULT> answer = childMessage(msg, wParam, lParam)) return *answer;
        break;
    }
    return passOn(hwnd, msg, wParam, lParam);
}

} // namespace skin
