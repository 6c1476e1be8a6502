// Skinned track bars, progress bars, up-down controls and headers, and the
// keyed painting of controls drawn straight on the skin (labels).
#include "skin/ControlPaint.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace skin {
namespace {

using draw::toArgb;
using paint::Capture;
using paint::kBlack;
using paint::kWhite;
using paint::Message;

// ---- track bars ----

void paintTrackbar(SkinEngine& engine, int windowIndex, int index) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->trackbarRecords.size())) return;
    const TrackbarRecord r = w->trackbarRecords[static_cast<size_t>(index - 1)];
    const HWND h = r.hwnd;
    const auto pos = static_cast<int>(SendMessageW(h, TBM_GETPOS, 0, 0));
    const auto max = static_cast<int>(SendMessageW(h, TBM_GETRANGEMAX, 0, 0));
    RECT channel{}, thumb{};
    SendMessageW(h, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    SendMessageW(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    // Windows reports a vertical bar's channel as if it lay horizontally (Wine does not): a channel lying
    // across a vertical bar is turned back.
    if (r.vertical && channel.right - channel.left > channel.bottom - channel.top)
        channel = {channel.top, channel.left, channel.bottom, channel.right};

    paint::Face face(engine, h);
    draw::Graphics& g = face.g;
    const float W = face.W, H = face.H;
    if (engine.drawSliderFrame) {
        paint::outline(g, paint::roundedRect(0, 0, W - 1, H - 1, 5), toArgb(kBlack, 30));
        paint::fillAcross(g, paint::roundedRect(1, 1, W - 2, H - 2, 3), {1, 1, W - 2, H - 2}, r.vertical,
                          toArgb(kWhite, 160), toArgb(kBlack, 30));
    }

    // The channel strip, thinned to 4 units across when the bar shows a selection.
    draw::RectF strip{float(channel.left), float(channel.top), float(channel.right - channel.left),
                      float(channel.bottom - channel.top)};
    if (r.selectionRange) {
        if (r.vertical) strip = {strip.x + strip.width / 2 - 2, strip.y, 4, strip.height};
        else strip = {strip.x, strip.y + strip.height / 2 - 2, strip.width, 4};
    }
    paint::fillAcross(g, paint::roundedRect(strip.x, strip.y, strip.width, strip.height, 1), strip, r.vertical,
                      toArgb(kBlack, 50), toArgb(kBlack, 30));

    const float nearEdge = r.vertical ? strip.x : strip.y;
    const float lead = float(r.vertical ? thumb.top : thumb.left);
    const bool atMax = pos == max;
    float diameter = 4, across = nearEdge - 0.5f, along = lead + (atMax ? 8 : 0);
    if (r.hot) {
        diameter = 11;
        across = nearEdge - 4 - (r.tickMode == 2 ? 1 : r.tickMode == 0 ? 2 : 0);
        along = lead;
    }
    const draw::RectF circle = r.vertical ? draw::RectF{across, along, diameter, diameter}
                                          : draw::RectF{along, across, diameter, diameter};
    {
        draw::GraphicsPath disc;
        disc.create();
        disc.addEllipse(circle.x, circle.y, circle.width, circle.height);
        paint::fillSolid(g, disc, toArgb(kWhite));
        paint::fillAcross(g, disc, circle, r.vertical, toArgb(kWhite, 0), toArgb(kBlack, 90));
        paint::outline(g, disc, toArgb(kBlack, 50));
    }

    const float start = r.vertical ? strip.y : strip.x;
    const float length = r.vertical ? strip.height : strip.width;
    if (r.selectionRange && max > 0) {
        const auto selStart = static_cast<float>(SendMessageW(h, TBM_GETSELSTART, 0, 0));
        const auto selEnd = static_cast<float>(SendMessageW(h, TBM_GETSELEND, 0, 0));
        const float a = start + selStart * length / float(max), b = start + selEnd * length / float(max);
        draw::Pen pen;
        pen.create(toArgb(kWhite, 160), 1);
        g.drawRectangle(pen, r.vertical ? draw::RectF{strip.x, a, strip.width, b - a}
                                        : draw::RectF{a, strip.y, b - a, strip.height});
    }

    // The accent line: the part of the channel before the thumb.
    const float filled = lead - 1 + (atMax ? 10 : 0) - start;
    if (filled > 0) {
        draw::Pen pen;
        pen.create(toArgb(engine.accentColour, 200), 1);
        g.drawRectangle(pen, r.vertical ? draw::RectF{nearEdge + 1, start, 1, filled}
                                        : draw::RectF{start, nearEdge + 1, filled, 1});
    }
    face.show();
}

std::optional<LRESULT> onTrackbarMessage(SkinEngine& e, TrackbarRecord& r, int wi, int index, const Message& m) {
    WindowRecord& w = *e.window(wi);
    auto paint = [&] { paintTrackbar(e, wi, index); };
    if (auto answer = paint::answerPainting(m, paint, paint::NonClient::Paint)) return answer;
    switch (m.msg) {
    case WM_MOUSEMOVE:
        if (paint::becomeHot(w, m.hwnd, index, kHotTrackbars)) {
            r.hot = true;
            paint();
        }
        break;
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        r.hot = false;
        paint();
        break;
    default: break;
    }
    return std::nullopt;
}

constexpr WNDPROC trackbarWindowProc = paint::kindWindowProc<&WindowRecord::trackbarRecords, onTrackbarMessage>;

// ---- progress bars ----

void paintProgress(SkinEngine& engine, int windowIndex, int index) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->progressRecords.size())) return;
    const ProgressRecord& r = w->progressRecords[static_cast<size_t>(index - 1)];
    const HWND h = r.hwnd;
    const bool vertical = r.vertical;
    paint::Face face(engine, h);
    draw::Graphics& g = face.g;
    const float W = face.W, H = face.H;
    paint::outline(g, paint::roundedRect(0, 0, W - 1, H - 1, 5), toArgb(kBlack, 50));
    paint::fillAcross(g, paint::roundedRect(1, 1, W - 2, H - 2, 1), {1, 1, W - 2, H - 2}, vertical,
                      toArgb(kWhite, 160), toArgb(kBlack, 30));

    const auto pos = static_cast<long long>(SendMessageW(h, PBM_GETPOS, 0, 0));
    PBRANGE range{};
    SendMessageW(h, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    const long long span = static_cast<long long>(range.iHigh) - range.iLow;
    const float length = vertical ? H : W;
    // Measured from the range's low end, so a range that does not start at 0 fills in proportion too.
    const long long done = pos - range.iLow;
    const float filled = span > 0 && done > 0 ? std::min(length, float(done * static_cast<long long>(length) / span)) : 0;
    if (filled >= 1) {
        const draw::RectF part = vertical ? draw::RectF{0, H - filled, W - 1, filled - 1}
                                          : draw::RectF{0, 0, filled - 1, H - 1};
        const draw::GraphicsPath shape = paint::roundedRect(part.x, part.y, part.width, part.height, 3);
        paint::fillAcross(g, shape, part, vertical, toArgb(kWhite, 90), toArgb(engine.accentColour, 255));
        paint::outline(g, shape, toArgb(engine.accentColour, 150));
    }
    face.show();
}

std::optional<LRESULT> onProgressMessage(SkinEngine& e, ProgressRecord&, int wi, int index, const Message& m) {
    return paint::answerPainting(m, [&] { paintProgress(e, wi, index); }, paint::NonClient::Paint);
}

constexpr WNDPROC progressWindowProc = paint::kindWindowProc<&WindowRecord::progressRecords, onProgressMessage>;

// ---- up-down controls ----

// 1 for the left or upper arrow button, 2 for the right or lower one.
int upDownPart(HWND h, bool horizontal, POINT p) {
    RECT client{};
    GetClientRect(h, &client);
    return horizontal ? (p.x < client.right / 2 ? 1 : 2) : (p.y < client.bottom / 2 ? 1 : 2);
}

struct UpDownLook {
    std::optional<bool> hot, pressed;
    std::optional<POINT> point;
};

void paintUpDown(SkinEngine& engine, int windowIndex, int index, const UpDownLook& look = {}) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->updownRecords.size())) return;
    const UpDownRecord& r = w->updownRecords[static_cast<size_t>(index - 1)];
    const HWND h = r.hwnd;
    const bool hot = look.hot.value_or(r.hot), pressed = look.pressed.value_or(r.pressed);
    const int litPart = hot ? upDownPart(h, r.horizontal, look.point.value_or(r.lastPoint)) : 0;
    paint::Face face(engine, h);
    draw::Graphics& g = face.g;
    const float W = face.W, H = face.H;
    paint::fillSolid(g, paint::roundedRect(0, 0, W - 1, H - 1, 3), toArgb(kWhite, 160));
    const COLORREF accent = engine.accentColour;
    const auto& glyphs = engine.controlGlyphs;
    for (int part = 1; part <= 2; ++part) {
        const draw::RectF half = r.horizontal ? draw::RectF{part == 1 ? 0 : std::floor(W / 2), 0, std::ceil(W / 2), H}
                                              : draw::RectF{0, part == 1 ? 0 : std::floor(H / 2), W, std::ceil(H / 2)};
        const draw::GraphicsPath shape = paint::roundedRect(half.x, half.y, half.width - 1, half.height - 1, 3);
        // The gradient runs across the control's short axis: top to bottom on a vertical pair.
        const bool acrossIsHorizontal = r.horizontal ? W < H : false;
        if (part == litPart) {
            if (pressed)
                paint::fillAcross(g, shape, half, acrossIsHorizontal, toArgb(accent, 100), toArgb(kWhite, 150));
            else
                paint::fillAcross(g, shape, half, acrossIsHorizontal, toArgb(kWhite, 100), toArgb(accent, 150));
            paint::outline(g, shape, toArgb(accent, 200));
        } else {
            paint::fillAcross(g, shape, half, acrossIsHorizontal, toArgb(kWhite, 20), toArgb(accent, 100));
            paint::outline(g, shape, toArgb(kBlack, 100));
        }
        const std::span<const std::byte> arrow =
            r.horizontal ? (part == 1 ? glyphs.arrowLeft : glyphs.arrowRight) : (part == 1 ? glyphs.arrowUp : glyphs.arrowDown);
        const float gw = r.horizontal ? 4 : 7, gh = r.horizontal ? 7 : 4;
        paint::drawGlyph(g, arrow, std::floor(half.x + (half.width - gw) / 2), std::floor(half.y + (half.height - gh) / 2));
    }
    face.show();
}

std::optional<LRESULT> onUpdownMessage(SkinEngine& e, UpDownRecord& r, int wi, int index, const Message& m) {
    WindowRecord& w = *e.window(wi);
    if (auto answer = paint::answerPainting(m, [&] { paintUpDown(e, wi, index); }, paint::NonClient::Swallow))
        return answer;
    switch (m.msg) {
    case WM_MOUSEMOVE: {
        const POINT p = paint::pointOf(m.lParam);
        const int part = upDownPart(m.hwnd, r.horizontal, p);
        // Kept for the repaints the control asks for itself while the pointer rests on it.
        r.lastPoint = p;
        if (paint::becomeHot(w, m.hwnd, index, kHotUpDowns) || part != r.hotPart) {
            r.hot = true;
            r.hotPart = part;
            paintUpDown(e, wi, index, {.hot = true, .point = p});
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        r.pressed = m.msg == WM_LBUTTONDOWN;
        r.lastPoint = paint::pointOf(m.lParam);
        const LRESULT answer = paint::passOn(m);
        paintUpDown(e, wi, index);
        return answer;
    }
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        r.hot = false;
        paintUpDown(e, wi, index, {.hot = false});
        break;
    default: break;
    }
    return std::nullopt;
}

constexpr WNDPROC updownWindowProc = paint::kindWindowProc<&WindowRecord::updownRecords, onUpdownMessage>;

// ---- headers ----

void drawHeaderImage(HDC dc, HIMAGELIST images, const HDITEMW& item, const RECT& box, int& textLeft) {
    const int midY = (box.top + box.bottom) / 2;
    if ((item.fmt & HDF_IMAGE) && images && item.iImage >= 0) {
        int iw = 0, ih = 0;
        ImageList_GetIconSize(images, &iw, &ih);
        if (HICON icon = ImageList_GetIcon(images, item.iImage, ILD_NORMAL)) {
            rt::UniqueIcon owned(icon);
            DrawIconEx(dc, textLeft, midY - ih / 2, icon, iw, ih, 0, nullptr, DI_NORMAL);
            textLeft += iw + 4;
        }
    } else if ((item.fmt & HDF_BITMAP) && item.hbm) {
        BITMAP bm{};
        if (GetObjectW(item.hbm, sizeof bm, &bm)) {
            rt::UniqueMemoryDc source(CreateCompatibleDC(dc));
            rt::SelectGuard select(source.get(), item.hbm);
            BitBlt(dc, textLeft, midY - bm.bmHeight / 2, bm.bmWidth, bm.bmHeight, source.get(), 0, 0, SRCCOPY);
            textLeft += bm.bmWidth + 4;
        }
    }
}

void paintHeader(SkinEngine& engine, int windowIndex, int index) {
    WindowRecord* w = engine.window(windowIndex);
    if (!w || index < 1 || index > static_cast<int>(w->headerRecords.size())) return;
    const HeaderRecord& r = w->headerRecords[static_cast<size_t>(index - 1)];
    const HWND h = r.hwnd;
    const SIZE size = paint::windowSize(h);
    Capture capture(engine, h, {0, 0, size.cx, size.cy});
    const int count = static_cast<int>(SendMessageW(h, HDM_GETITEMCOUNT, 0, 0));
    // The list may have been given its images after the header was taken over.
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(h, HDM_GETIMAGELIST, 0, 0));
    if (!images) images = r.imageList;
    const COLORREF accent = engine.accentColour;
    struct Item {
        RECT box;
        HDITEMW info;
        std::wstring text;
    };
    std::vector<Item> items(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        Item& it = items[static_cast<size_t>(i)];
        SendMessageW(h, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it.box));
        it.text.assign(260, L'\0');
        it.info.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE | HDI_BITMAP;
        it.info.pszText = it.text.data();
        it.info.cchTextMax = static_cast<int>(it.text.size());
        SendMessageW(h, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it.info));
        it.text.resize(wcsnlen(it.text.c_str(), it.text.size()));
    }
    {
        draw::Graphics g;
        g.create(capture.dc());
        for (int i = 0; i < count; ++i) {
            const RECT& b = items[static_cast<size_t>(i)].box;
            const draw::RectF box{float(b.left), float(b.top), float(b.right - b.left), float(b.bottom - b.top)};
            paint::wash(g, box, paint::veilAlpha(engine));
            draw::GraphicsPath face;
            face.create();
            face.addRectangle(box.x, box.y, box.width, box.height);
            if (r.buttons) paint::fillAcross(g, face, box, false, toArgb(kWhite, 80), toArgb(accent, 120));
            else paint::fillAcross(g, face, box, false, toArgb(accent, 60), toArgb(accent, 10));
            if (r.buttons && r.hot && r.hotItem == i + 1)
                paint::fillAcross(g, face, box, false, toArgb(accent, 60), toArgb(kBlack, 30));
            if (r.buttons && r.pressedItem == i + 1)
                paint::fillAcross(g, face, box, false, toArgb(kBlack, 30), toArgb(kWhite, 120));
            draw::Brush ink;
            ink.createLinear({box.x, box.y}, {box.x, box.y + box.height}, toArgb(kBlack, 60), toArgb(kWhite, 50));
            draw::Pen separator;
            separator.create(ink, 1);
            g.drawLine(separator, box.x + box.width - 1, box.y, box.x + box.width - 1, box.y + box.height);
        }
    }
    std::vector<int> textLefts;
    for (const Item& it : items) {
        int left = it.box.left + 4;
        drawHeaderImage(capture.dc(), images, it.info, it.box, left);
        textLefts.push_back(left);
    }
    {
        draw::Graphics g;
        g.create(capture.dc());
        g.setTextHint(4);
        draw::Font font;
        if (!font.create(capture.dc(), reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0))))
            font.create(L"宋体", 12, draw::kFontStyleRegular, draw::kUnitPixel);
        draw::Brush ink;
        ink.createSolid(toArgb(kBlack));
        for (size_t i = 0; i < items.size(); ++i) {
            const Item& it = items[i];
            if (it.text.empty()) continue;
            const int justify = it.info.fmt & HDF_JUSTIFYMASK;
            draw::StringFormat format;
            format.create(draw::kStringNoWrap);
            format.setAlignment(justify == HDF_CENTER ? draw::kAlignCenter
                                : justify == HDF_RIGHT ? draw::kAlignFar
                                                       : draw::kAlignNear);
            format.setLineAlignment(draw::kAlignCenter);
            format.setTrimming(3); // ellipsis character
            const float left = float(textLefts[i]);
            g.drawString(it.text, font,
                         {left, float(it.box.top), float(it.box.right) - left - 4, float(it.box.bottom - it.box.top)},
                         format, ink);
        }
    }
    paint::blitToWindow(h, capture);
}

int headerItemAt(HWND h, POINT p) {
    HDHITTESTINFO hit{};
    hit.pt = p;
    SendMessageW(h, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    return hit.iItem >= 0 && (hit.flags & HHT_ONHEADER) ? hit.iItem + 1 : 0;
}

std::optional<LRESULT> onHeaderMessage(SkinEngine& e, HeaderRecord& r, int wi, int index, const Message& m) {
    WindowRecord& w = *e.window(wi);
    if (auto answer = paint::answerPainting(m, [&] { paintHeader(e, wi, index); }, paint::NonClient::PassOn))
        return answer;
    switch (m.msg) {
    case WM_MOUSEMOVE: {
        const int item = headerItemAt(m.hwnd, paint::pointOf(m.lParam));
        if (paint::becomeHot(w, m.hwnd, index, kHotHeaders) || item != r.hotItem) {
            r.hot = true;
            r.hotItem = item;
            paintHeader(e, wi, index);
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        r.pressedItem = m.msg == WM_LBUTTONDOWN ? r.hotItem : 0;
        const LRESULT answer = paint::passOn(m);
        paintHeader(e, wi, index);
        return answer;
    }
    case WM_MOUSELEAVE:
        w.hotControl = 0;
        r.hot = false;
        r.hotItem = 0;
        paintHeader(e, wi, index);
        break;
    default: break;
    }
    return std::nullopt;
}

constexpr WNDPROC headerWindowProc = paint::kindWindowProc<&WindowRecord::headerRecords, onHeaderMessage>;

// ---- keyed painting ----

TransparentControlRecord* keyedRecord(SkinEngine& engine, HWND hwnd) {
    WindowRecord* w = engine.window(intProp(hwnd, L"Kj_FuID"));
    const int index = intProp(hwnd, L"Kj_lbID");
    if (!w || index < 1 || index > static_cast<int>(w->transparentControls.size())) return nullptr;
    TransparentControlRecord& r = w->transparentControls[static_cast<size_t>(index - 1)];
    return r.hwnd == hwnd ? &r : nullptr;
}

LRESULT passOnKeyed(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return callPreviousProc(hwnd, L"Kj_hProc", msg, wParam, lParam);
}

// Controls that honour the DC handed to them with WM_PAINT and paint their whole face into it.
bool paintsIntoGivenDc(const std::wstring& cls) {
    for (const wchar_t* name : {L"SysMonthCal32", L"SysTabControl32", L"ToolbarWindow32", L"msctls_statusbar32",
                                L"Button", L"msctls_trackbar32"})
        if (cls == name) return true;
    return false;
}

void keyOut(const Capture& into, const Capture& painted, COLORREF key) {
    TransparentBlt(into.dc(), 0, 0, into.width(), into.height(), painted.dc(), 0, 0, painted.width(),
                   painted.height(), key);
}

LRESULT paintKeyedCommonControl(SkinEngine& engine, HWND hwnd, COLORREF key) {
    rt::PaintDc paintDc(hwnd);
    const RECT place = paint::clientPlace(hwnd);
    Capture painted(engine, hwnd, place);
    const LRESULT answer = passOnKeyed(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(painted.dc()), 0);
    Capture washed(engine, hwnd, place);
    paint::washCapture(engine, washed);
    keyOut(washed, painted, key);
    BitBlt(paintDc.get(), 0, 0, washed.width(), washed.height(), washed.dc(), 0, 0, SRCCOPY);
    return answer;
}

// Labels and other windows: the control paints itself over a picture of the background, and its face colour
// is dropped on the way to the screen, so only its text and drawing stand on the skin.
LRESULT paintKeyedWindow(SkinEngine& engine, HWND hwnd, COLORREF key) {
    RECT update{};
    if (!GetUpdateRect(hwnd, &update, FALSE)) return passOnKeyed(hwnd, WM_PAINT, 0, 0);
    const RECT place = paint::clientPlace(hwnd);
    Capture painted(engine, hwnd, place);
    passOnKeyed(hwnd, WM_PAINT, reinterpret_cast<WPARAM>(painted.dc()), 0);
    rt::WindowDc dc(hwnd);
    if (GetUpdateRect(hwnd, nullptr, FALSE)) {
        // The control painted into the picture and left its update region alone: it is done now.
        ValidateRect(hwnd, nullptr);
    } else if (dc.get()) {
        // The control ignored the picture and painted on the screen: take its pixels from there.
        BitBlt(painted.dc(), update.left, update.top, update.right - update.left, update.bottom - update.top, dc.get(),
               update.left, update.top, SRCCOPY);
    }
    Capture clean(engine, hwnd, place);
    keyOut(clean, painted, key);
    if (dc.get()) {
        IntersectClipRect(dc.get(), update.left, update.top, update.right, update.bottom);
        BitBlt(dc.get(), 0, 0, clean.width(), clean.height(), clean.dc(), 0, 0, SRCCOPY);
    }
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) InvalidateRect(child, nullptr, TRUE);
    return 0;
}

LRESULT CALLBACK transparentControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        SkinEngine* engine = SkinEngine::instance();
        TransparentControlRecord* r = engine ? keyedRecord(*engine, hwnd) : nullptr;
        if (r) {
            switch (msg) {
            case WM_PAINT:
                if (!engine->controlsTransparent) break;
                if (paintsIntoGivenDc(paint::classOf(hwnd))) return paintKeyedCommonControl(*engine, hwnd, r->keyColour);
                return paintKeyedWindow(*engine, hwnd, r->keyColour);
            case WM_ERASEBKGND:
                if (!engine->overlayAlphaGiven) break;
                SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
                return 1;
            case WM_MOVE:
                if (engine->overlayAlphaGiven) InvalidateRect(hwnd, nullptr, FALSE);
                break;
            case WM_HSCROLL:
            case WM_VSCROLL:
                if (paint::classOf(hwnd) == L"RichEdit20A") InvalidateRect(hwnd, nullptr, FALSE);
                break;
            default: break;
            }
        }
    } catch (...) {
    }
    return passOnKeyed(hwnd, msg, wParam, lParam);
}

} // namespace

void SkinEngine::attachTrackbars(HWND parent, int windowIndex) {
    if (!controlsTransparent) return;
    paint::attachChildren(*this, parent, windowIndex, TRACKBAR_CLASSW, &WindowRecord::trackbarRecords,
                          trackbarWindowProc, [](TrackbarRecord& r) {
                              const auto style = paint::styleOf(r.hwnd);
                              r.vertical = (style & TBS_VERT) != 0;
                              r.tickMode = (style & TBS_NOTICKS) ? 3 : (style & TBS_TOP) ? 0 : (style & TBS_BOTH) ? 2 : 1;
                              r.selectionRange = (style & TBS_ENABLESELRANGE) != 0;
                              return true;
                          });
}

void SkinEngine::attachProgressBars(HWND parent, int windowIndex) {
    if (!controlsTransparent) return;
    paint::attachChildren(*this, parent, windowIndex, PROGRESS_CLASSW, &WindowRecord::progressRecords,
                          progressWindowProc, [](ProgressRecord& r) {
                              r.vertical = (paint::styleOf(r.hwnd) & PBS_VERTICAL) != 0;
                              return true;
                          });
}

void SkinEngine::attachUpDowns(HWND parent, int windowIndex) {
    if (!controlsTransparent) return;
    paint::attachChildren(*this, parent, windowIndex, UPDOWN_CLASSW, &WindowRecord::updownRecords, updownWindowProc,
                          [](UpDownRecord& r) {
                              r.horizontal = (paint::styleOf(r.hwnd) & UDS_HORZ) != 0;
                              return true;
                          });
}

void SkinEngine::attachHeaders(HWND parent, int windowIndex) {
    if (!controlsTransparent) return;
    auto init = [](HeaderRecord& r) {
        r.buttons = (paint::styleOf(r.hwnd) & HDS_BUTTONS) != 0;
        r.imageList = reinterpret_cast<HIMAGELIST>(SendMessageW(r.hwnd, HDM_GETIMAGELIST, 0, 0));
        return true;
    };
    paint::attachChildren(*this, parent, windowIndex, WC_HEADERW, &WindowRecord::headerRecords, headerWindowProc, init);
    for (HWND list = FindWindowExW(parent, nullptr, WC_LISTVIEWW, nullptr); list;
         list = FindWindowExW(parent, list, WC_LISTVIEWW, nullptr))
        paint::attachChildren(*this, list, windowIndex, WC_HEADERW, &WindowRecord::headerRecords, headerWindowProc,
                              init);
}

int SkinEngine::attachTransparentControl(HWND control, std::optional<COLORREF> keyColour, const ContainerOptions& panel) {
    if (!control) return 0;
    int windowIndex = 0;
    for (HWND a = GetParent(control); a && !windowIndex; a = GetParent(a)) windowIndex = indexOf(a);
    // A control outside every skinned window has no skin to stand on.
    WindowRecord* w = window(windowIndex);
    if (!w) return 0;
    TransparentControlRecord r;
    r.hwnd = control;
    r.keyColour = keyColour.value_or(GetSysColor(COLOR_BTNFACE));
    w->transparentControls.push_back(r);
    const int index = static_cast<int>(w->transparentControls.size());
    auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&transparentControlWindowProc)));
    w->transparentControls.back().previousProc = previous;
    setIntProp(control, L"Kj_lbID", index);
    setIntProp(control, L"Kj_FuID", windowIndex);
    setProp(control, L"Kj_hProc", reinterpret_cast<HANDLE>(previous));
    InvalidateRect(control, nullptr, TRUE);
    return GetWindow(control, GW_CHILD) ? attachContainer(control, panel) : 0;
}

} // namespace skin
