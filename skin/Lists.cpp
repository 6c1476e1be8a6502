// Skinned edits, combo boxes, list boxes, list views, tree views, IP-address
// and date-time pickers: the frame ring and the washed skin background
// behind the control's own text and items.
#include "skin/ControlPaint.h"

#include <commctrl.h>

#include <cmath>
#include <optional>
#include <string>

namespace skin {
namespace {

using draw::toArgb;
using paint::Capture;
using paint::kBlack;
using paint::kKeyColour;
using paint::kWhite;
using paint::Message;

bool hasScrollBar(HWND hwnd) { return (paint::styleOf(hwnd) & (WS_VSCROLL | WS_HSCROLL)) != 0; }

RECT scrollBarRect(HWND hwnd, LONG object) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    return GetScrollBarInfo(hwnd, object, &info) ? info.rcScrollBar : RECT{};
}

// The rectangle inside the border ring: the client area with its scroll bars, centred in the window rectangle.
RECT innerRect(HWND hwnd) {
    const SIZE s = paint::windowSize(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    const auto style = paint::styleOf(hwnd);
    int w = client.right, h = client.bottom;
    if (style & WS_VSCROLL) {
        const RECT v = scrollBarRect(hwnd, OBJID_VSCROLL);
        w += v.right - v.left;
    }
    if (style & WS_HSCROLL) {
        const RECT b = scrollBarRect(hwnd, OBJID_HSCROLL);
        h += b.bottom - b.top;
    }
    const int left = (s.cx - w) / 2, top = (s.cy - h) / 2;
    return {left, top, left + w, top + h};
}

// The region (screen coordinates) of the control's scroll bars, the corner box included; the caller deletes it.
HRGN scrollBarRegion(HWND hwnd) {
    const auto style = paint::styleOf(hwnd);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (style & WS_HSCROLL) {
        const RECT b = scrollBarRect(hwnd, OBJID_HSCROLL);
        rt::UniqueGdiObject part(CreateRectRgnIndirect(&b));
        CombineRgn(region, region, static_cast<HRGN>(part.get()), RGN_OR);
    }
    if (style & WS_VSCROLL) {
        RECT v = scrollBarRect(hwnd, OBJID_VSCROLL);
        if (style & WS_HSCROLL) v.bottom += v.right - v.left;
        rt::UniqueGdiObject part(CreateRectRgnIndirect(&v));
        CombineRgn(region, region, static_cast<HRGN>(part.get()), RGN_OR);
    }
    return region;
}

// The system paints only the scroll bars of the non-client area; the engine has painted the ring.
LRESULT paintScrollBarsOnly(HWND hwnd) {
    if (!hasScrollBar(hwnd)) return 0;
    rt::UniqueGdiObject region(scrollBarRegion(hwnd));
    return DefWindowProcW(hwnd, WM_NCPAINT, reinterpret_cast<WPARAM>(region.get()), 0);
}

bool hasBorder(HWND hwnd) {
    if (paint::styleOf(hwnd) & WS_BORDER) return true;
    const auto ex = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    for (DWORD bits : {0x100u, 0x300u, 0x200u, 0x1u, 0x188u})
        if ((ex & bits) == bits) return true;
    return false;
}

bool isOwnerDrawnList(HWND hwnd) {
    return paint::classOf(hwnd) == L"ListBox" && (paint::styleOf(hwnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE));
}

// Clips a graphics to the ring between the window rectangle and the inner rectangle.
void clipToRing(draw::Graphics& g, SIZE size, const RECT& inner) {
    g.setClip(draw::RectF{0, 0, float(size.cx), float(size.cy)});
    g.setClip(draw::RectF{float(inner.left), float(inner.top), float(inner.right - inner.left),
                          float(inner.bottom - inner.top)},
              draw::kCombineXor);
}

struct FrameLook {
    float width;
    draw::RectF box;
    draw::Argb colour;
};

FrameLook frameLook(SIZE s, bool hot, bool focused, COLORREF accent, int accentAlpha, int plainAlpha) {
    const float W = float(s.cx), H = float(s.cy);
    if (hot) return {2, {1, 1, W - 2, H - 2}, toArgb(accent, accentAlpha)};
    if (focused) return {1, {0, 0, W - 1, H - 1}, toArgb(accent, accentAlpha)};
    return {1, {0, 0, W - 1, H - 1}, toArgb(kBlack, plainAlpha)};
}

void drawFrame(draw::Graphics& g, const FrameLook& look) {
    draw::Pen pen;
    pen.create(look.colour, look.width);
    g.drawRectangle(pen, look.box);
}

// ---- edits ----

struct RingLook {
    bool hot, focused;
    int accentAlpha, plainAlpha;
};

// The border ring between the window rectangle and the inner rectangle, washed and outlined, copied around
// the inner rectangle (which the control paints itself) with the key colour left out.
void paintRing(SkinEngine& engine, HWND hwnd, const RingLook& look) {
    const SIZE size = paint::windowSize(hwnd);
    const RECT inner = innerRect(hwnd);
    Capture capture(engine, hwnd, {0, 0, size.cx, size.cy});
    {
        draw::Graphics g;
        g.create(capture.dc());
        clipToRing(g, size, inner);
        paint::wash(g, capture.bounds(), paint::veilAlpha(engine));
        drawFrame(g, frameLook(size, look.hot, look.focused, engine.accentColour, look.accentAlpha, look.plainAlpha));
    }
    paint::WholeWindowDc dc(hwnd);
    if (!dc.get()) return;
    ExcludeClipRect(dc.get(), inner.left, inner.top, inner.right, inner.bottom);
    TransparentBlt(dc.get(), 0, 0, size.cx, size.cy, capture.dc(), 0, 0, size.cx, size.cy, kKeyColour);
}

void paintEditFrame(SkinEngine& engine, HWND hwnd, std::optional<bool> focused = {}, std::optional<bool> hot = {}) {
    if (const EditRecord* r = engine.controlRecord(hwnd, &WindowRecord::editRecords)) {
        if (!focused) focused = r->focused;
        if (!hot) hot = r->hot;
    }
    paintRing(engine, hwnd, {hot.value_or(false), focused.value_or(false), 180, 80});
}

// The washed background of the client area, into `dc` at (0, 0) or onto the control where its client area lies.
void paintEditBackground(SkinEngine& engine, HWND hwnd, HDC dc, bool toGivenDc) {
    const RECT place = paint::clientPlace(hwnd);
    Capture capture(engine, hwnd, place);
    paint::washCapture(engine, capture);
    if (toGivenDc) {
        BitBlt(dc, 0, 0, capture.width(), capture.height(), capture.dc(), 0, 0, SRCCOPY);
        return;
    }
    paint::WholeWindowDc own(hwnd);
    if (own.get()) BitBlt(own.get(), place.left, place.top, capture.width(), capture.height(), capture.dc(), 0, 0, SRCCOPY);
}

std::optional<LRESULT> onEditMessage(SkinEngine& e, EditRecord& r, int wi, int index, const Message& m) {
    WindowRecord& w = *e.window(wi);
    const bool overlay = e.overlayAlphaGiven;
    switch (m.msg) {
    case WM_DESTROY:
        if (HANDLE brush = RemovePropW(m.hwnd, L"Kj_dxjb")) DeleteObject(brush);
        if (HANDLE bitmap = RemovePropW(m.hwnd, L"Kj_wtjb")) DeleteObject(bitmap);
        break;
    case WM_MOVE:
        if (overlay) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_SETFOCUS: {
        r.focused = true;
        const LRESULT answer = paint::passOn(m);
        paintEditFrame(e, m.hwnd);
        return answer;
    }
    case WM_KILLFOCUS:
        r.focused = false;
        if (paint::classOf(GetParent(m.hwnd)) == L"ComboBox") paintEditFrame(e, m.hwnd, {}, false);
        else InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_PAINT: paintEditFrame(e, m.hwnd); break;
    case WM_ERASEBKGND:
        if (!overlay) break;
        SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
        paintEditBackground(e, m.hwnd, reinterpret_cast<HDC>(m.wParam), true);
        return 1;
    case WM_NCPAINT: {
        // The ring goes on after the system's scroll bars: Wine draws the border through any region.
        const LRESULT answer = paintScrollBarsOnly(m.hwnd);
        paintEditFrame(e, m.hwnd);
        return answer;
    }
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
        if (m.msg == WM_LBUTTONDOWN) r.mouseDown = true;
        if (overlay && !hasScrollBar(m.hwnd)) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_LBUTTONUP: r.mouseDown = false; break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (overlay) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_MOUSEMOVE: {
        const HWND parent = GetParent(m.hwnd);
        // Two edits of one index (in two combo boxes) are told apart by their parents.
        if (paint::becomeHot(w, m.hwnd, index, kHotEdits) || w.hotEditParent != parent) {
            w.hotEditParent = parent;
            // Kept on the record, so that the edit's own repaints (each keystroke) keep the hover look.
            r.hot = true;
            paintEditFrame(e, m.hwnd);
        }
        // A drag selection scrolls pixels that include the background: it is painted again under them.
        if (r.mouseDown && !hasScrollBar(m.hwnd)) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    }
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        r.hot = false;
        paintEditFrame(e, m.hwnd);
        break;
    default: break;
    }
    return std::nullopt;
}

constexpr WNDPROC editWindowProc = paint::kindWindowProc<&WindowRecord::editRecords, onEditMessage>;

void attachEdit(SkinEngine& engine, HWND edit, int windowIndex) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w) return;
    EditRecord r;
    r.hwnd = edit;
    w->editRecords.push_back(r);
    const int index = static_cast<int>(w->editRecords.size());
    // Black text unless the program already chose a colour for it.
    if (!prop(edit, L"Kj_Ztys")) setProp(edit, L"Kj_Ztys", nullptr);
    w->editRecords.back().previousProc = SkinEngine::subclass(edit, windowIndex, index, editWindowProc);
}

// ---- combo boxes ----

void paintCombo(SkinEngine& engine, int windowIndex, int index, bool hot, std::optional<bool> focused = {}) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->comboRecords.size())) return;
    const ComboRecord& r = w->comboRecords[static_cast<size_t>(index - 1)];
    const HWND h = r.hwnd;
    const bool lit = hot || focused.value_or(r.focused);
    const auto style = paint::styleOf(h);
    const SIZE size = paint::windowSize(h);
    const float W = float(size.cx), H = float(size.cy);
    const float bw = (style & 3) == 3 ? 17 : 18, bx = W - bw - 2, bh = H - 4;
    const COLORREF accent = engine.accentColour;
    Capture capture(engine, h, {0, 0, size.cx, size.cy});
    {
        draw::Graphics g;
        g.create(capture.dc());
        paint::wash(g, capture.bounds(), paint::veilAlpha(engine));
        // The children keep their own pixels: their places become the key colour, which the copy leaves out.
        RECT box{};
        GetWindowRect(h, &box);
        draw::Brush key;
        key.createSolid(toArgb(kKeyColour));
        for (HWND child = GetWindow(h, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT c{};
            GetWindowRect(child, &c);
            OffsetRect(&c, -box.left, -box.top);
            if (paint::classOf(child) == L"ComboLBox") InflateRect(&c, -2, -2);
            g.fillRectangle(key, {float(c.left), float(c.top), float(c.right - c.left), float(c.bottom - c.top)});
            if (!(style & 1)) break; // a drop-down combo keeps only its edit
        }
        g.setSmoothing(draw::kSmoothingAntiAlias);
        draw::Pen border;
        border.create(lit ? toArgb(accent, 200) : toArgb(kBlack, 80), 1);
        g.drawRectangle(border, {0, 0, W - 1, H - 1});
        if (style & 2) {
            paint::outline(g, paint::roundedRect(bx, 2, bw - 1, bh - 1, 4), hot ? toArgb(accent, 200) : toArgb(kBlack, 80));
            const draw::RectF face{bx + 1, 3, bw - 2, bh - 2};
            paint::fillAcross(g, paint::roundedRect(face.x, face.y, face.width, face.height, 1), face, false,
                              hot ? toArgb(kWhite, 100) : toArgb(accent, 30), hot ? toArgb(accent, 150) : toArgb(accent, 100));
            paint::drawGlyph(g, engine.controlGlyphs.arrowDown, std::floor(bx + (bw - 7) / 2), std::floor(2 + (bh - 4) / 2));
        }
        if (style & 1) {
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
            if (!text.empty()) {
                g.setTextHint(4);
                draw::Font font;
                font.create(L"宋体", 12, draw::kFontStyleRegular, draw::kUnitPixel);
                draw::StringFormat format;
                format.create();
                draw::Brush ink;
                ink.createSolid(toArgb(static_cast<COLORREF>(intProp(h, L"Kj_Ztys"))));
                g.drawString(text, font, {2, std::floor((H - 12) / 2), W - 17, H - 4}, format, ink);
            }
        }
    }
    paint::WholeWindowDc dc(h);
    if (dc.get())
        TransparentBlt(dc.get(), 0, 0, size.cx, size.cy, capture.dc(), 0, 0, size.cx, size.cy, kKeyColour);
}

bool comboIsHot(const WindowRecord& w, int index) { return w.hotControl == index && w.hotList == kHotCombos; }

std::optional<LRESULT> onComboMessage(SkinEngine& e, ComboRecord& r, int wi, int index, const Message& m) {
    WindowRecord& w = *e.window(wi);
    const bool overlay = e.overlayAlphaGiven;
    auto paint = [&] { paintCombo(e, wi, index, comboIsHot(*e.window(wi), index)); };
    // The box has no frame or scroll bar of the system's left to draw: it is painted whole.
    if (auto answer = paint::answerPainting(m, paint, paint::NonClient::Paint)) return answer;
    switch (m.msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        r.focused = m.msg == WM_SETFOCUS;
        // The system repaints parts of the box on a focus change; the skinned look goes on top.
        const LRESULT answer = paint::passOn(m);
        paint();
        return answer;
    }
    case WM_SETTEXT:
        if (FindWindowExW(m.hwnd, nullptr, L"Edit", nullptr)) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_COMMAND: {
        const auto child = reinterpret_cast<HWND>(m.lParam);
        const WORD code = HIWORD(m.wParam);
        if (child && e.controlsTransparent && overlay && paint::classOf(child) == L"Edit" &&
            (code == EN_VSCROLL || code == EN_HSCROLL || code == EN_CHANGE || code == EN_UPDATE))
            InvalidateRect(child, nullptr, TRUE);
        break;
    }
    case WM_CTLCOLOREDIT:
        if (overlay && m.lParam)
            return e.colourAnswer(reinterpret_cast<HWND>(m.lParam), reinterpret_cast<HDC>(m.wParam), true);
        break;
    case WM_MOUSEMOVE:
        if (paint::becomeHot(w, m.hwnd, index, kHotCombos)) paintCombo(e, wi, index, true);
        break;
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        paintCombo(e, wi, index, false);
        break;
    default: break;
    }
    return std::nullopt;
}

constexpr WNDPROC comboWindowProc = paint::kindWindowProc<&WindowRecord::comboRecords, onComboMessage>;

// ---- list boxes, list views, tree views, IP-address and date-time pickers ----

void paintListFrame(SkinEngine& engine, int windowIndex, int index, std::optional<bool> hot = {},
                    std::optional<bool> focused = {}) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->listRecords.size())) return;
    const ListRecord& r = w->listRecords[static_cast<size_t>(index - 1)];
    const HWND h = r.hwnd;
    // A control without a border (and the list of a simple combo box) shows no frame at all.
    if (paint::classOf(h) == L"ComboLBox" || !hasBorder(h)) return;
    paintRing(engine, h, {hot.value_or(r.hot), focused.value_or(r.focused), 200, 90});
}

// The colour items are painted over before they are lifted onto the washed skin: the average of what lies
// behind them, so that the smoothed edges of their text blend into a colour close to the skin and leave no
// tinted fringe, as a fixed key colour would. It never equals black, the items' usual text colour.
COLORREF itemGround(const Capture& washed) {
    unsigned r = 0, g = 0, b = 0;
    constexpr int kGrid = 5;
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i) {
            const COLORREF p = GetPixel(washed.dc(), (2 * i + 1) * washed.width() / (2 * kGrid),
                                        (2 * j + 1) * washed.height() / (2 * kGrid));
            r += GetRValue(p), g += GetGValue(p), b += GetBValue(p);
        }
    const COLORREF average = RGB(r / (kGrid * kGrid), g / (kGrid * kGrid), b / (kGrid * kGrid));
    return average == RGB(0, 0, 0) ? RGB(0, 0, 1) : average;
}

// Tree views, list views and list boxes paint their items off screen, onto the washed skin, and reach the
// screen in one blit. Tree views and list boxes fill their ground themselves (with their background colour, or
// the DC's for a list box's rows); that ground is left out of the copy.
void paintListItems(SkinEngine& engine, HWND hwnd, bool tree) {
    const RECT place = paint::clientPlace(hwnd);
    Capture washed(engine, hwnd, place);
    paint::washCapture(engine, washed);
    const bool listView = paint::classOf(hwnd) == WC_LISTVIEWW;
    const COLORREF ground = itemGround(washed);
    // Before the paint begins: the change of colour asks for a repaint, which this paint then answers.
    if (tree && static_cast<COLORREF>(SendMessageW(hwnd, TVM_GETBKCOLOR, 0, 0)) != ground)
        SendMessageW(hwnd, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ground));
    {
        rt::PaintDc paintDc(hwnd);
        if (listView) {
            SkinEngine::passOn(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(washed.dc()), 0);
        } else {
            Capture items(engine, hwnd, place);
            paint::washCapture(engine, items);
            SetBkColor(items.dc(), ground);
            SkinEngine::passOn(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(items.dc()), 0);
            TransparentBlt(washed.dc(), 0, 0, washed.width(), washed.height(), items.dc(), 0, 0, items.width(),
                           items.height(), ground);
        }
        BitBlt(paintDc.get(), 0, 0, washed.width(), washed.height(), washed.dc(), 0, 0, SRCCOPY);
    }
    // A list view's header paints again over the result.
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
}

std::optional<LRESULT> onListMessage(SkinEngine& e, ListRecord& r, int wi, int index, const Message& m) {
    WindowRecord& w = *e.window(wi);
    const bool overlay = e.overlayAlphaGiven;
    const std::wstring cls = paint::classOf(m.hwnd);
    const bool tree = cls == WC_TREEVIEWW, listView = cls == WC_LISTVIEWW;
    const bool plainListBox = cls == L"ListBox" && !isOwnerDrawnList(m.hwnd);
    switch (m.msg) {
    case WM_MOVE:
        if (overlay) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        r.focused = m.msg == WM_SETFOCUS;
        paintListFrame(e, wi, index);
        break;
    case WM_PAINT:
        paintListFrame(e, wi, index);
        if (!overlay) break;
        if (tree || listView || plainListBox) {
            paintListItems(e, m.hwnd, tree);
            return 0;
        }
        break;
    case WM_ERASEBKGND: {
        const auto dc = reinterpret_cast<HDC>(m.wParam);
        if (overlay && (tree || listView || plainListBox)) {
            SetBkMode(dc, TRANSPARENT);
            return 1;
        }
        if (isOwnerDrawnList(m.hwnd) || cls == L"ComboLBox") break;
        SetBkMode(dc, TRANSPARENT);
        paintEditBackground(e, m.hwnd, dc, true);
        return static_cast<LRESULT>(SetTextColor(dc, static_cast<COLORREF>(intProp(m.hwnd, L"Kj_Ztys"))));
    }
    case WM_NCPAINT: {
        const LRESULT answer = paintScrollBarsOnly(m.hwnd);
        paintListFrame(e, wi, index);
        return answer;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
        if (overlay) InvalidateRect(m.hwnd, nullptr, TRUE);
        break;
    case WM_MOUSEMOVE:
        if (paint::becomeHot(w, m.hwnd, index, kHotLists)) {
            r.hot = true;
            paintListFrame(e, wi, index, true);
        }
        break;
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        r.hot = false;
        paintListFrame(e, wi, index, false);
        break;
    default: break;
    }
    return std::nullopt;
}

constexpr WNDPROC listWindowProc = paint::kindWindowProc<&WindowRecord::listRecords, onListMessage>;

} // namespace

void SkinEngine::attachEditsAndCombos(HWND parent, int windowIndex) {
    if (!controlsTransparent || !window(windowIndex)) return;
    for (HWND edit = FindWindowExW(parent, nullptr, L"Edit", nullptr); edit;
         edit = FindWindowExW(parent, edit, L"Edit", nullptr))
        if (!controlRecord(edit, &WindowRecord::editRecords)) attachEdit(*this, edit, windowIndex);

    for (HWND combo = FindWindowExW(parent, nullptr, L"ComboBox", nullptr); combo;
         combo = FindWindowExW(parent, combo, L"ComboBox", nullptr)) {
        HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
        // The edit of a combo box shows the chosen item again (a drop-down list shows it without an edit).
        const auto selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (edit && selected >= 0) {
            std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, selected, 0)) + 1, L'\0');
            SendMessageW(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
            SendMessageW(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        WindowRecord& w = *window(windowIndex);
        ComboRecord r;
        r.hwnd = combo;
        w.comboRecords.push_back(r);
        const int index = static_cast<int>(w.comboRecords.size());
        w.comboRecords.back().previousProc = subclass(combo, windowIndex, index, comboWindowProc);
        if (edit && overlayAlphaGiven) attachEdit(*this, edit, windowIndex);
    }
}

void SkinEngine::attachLists(HWND parent, int windowIndex) {
    if (!controlsTransparent) return;
    auto accept = [](ListRecord&) { return true; };
    paint::attachChildren(*this, parent, windowIndex, L"ListBox", &WindowRecord::listRecords, listWindowProc, accept);
    for (HWND combo = FindWindowExW(parent, nullptr, L"ComboBox", nullptr); combo;
         combo = FindWindowExW(parent, combo, L"ComboBox", nullptr))
        paint::attachChildren(*this, combo, windowIndex, L"ComboLBox", &WindowRecord::listRecords, listWindowProc,
                              accept);
    const bool overlay = overlayAlphaGiven;
    paint::attachChildren(*this, parent, windowIndex, WC_LISTVIEWW, &WindowRecord::listRecords, listWindowProc,
                          [overlay](ListRecord& r) {
                              if (paint::styleOf(r.hwnd) & 0x10) return false;
                              // Item text without a background of its own, so it stands on the washed skin.
                              if (overlay) SendMessageW(r.hwnd, LVM_SETTEXTBKCOLOR, 0, CLR_NONE);
                              return true;
                          });
    paint::attachChildren(*this, parent, windowIndex, WC_TREEVIEWW, &WindowRecord::listRecords, listWindowProc,
                          [overlay](ListRecord& r) {
                              if (overlay) SendMessageW(r.hwnd, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(kKeyColour));
                              return true;
                          });
    paint::attachChildren(*this, parent, windowIndex, WC_IPADDRESSW, &WindowRecord::listRecords, listWindowProc, accept);
    paint::attachChildren(*this, parent, windowIndex, DATETIMEPICK_CLASSW, &WindowRecord::listRecords, listWindowProc,
                          accept);
}

} // namespace skin
