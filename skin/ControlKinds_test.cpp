// The skinned control kinds on real windows under Wine: which children each
// kind takes and how, what the painters leave on screen, and that repainting
// them keeps no handle.
#include "skin/ControlPaint.h"

#include "draw/GdiplusRuntime.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace skin {
namespace {

using draw::Bytes;

constexpr COLORREF kSkin = RGB(40, 80, 160); // the test skin: one flat colour, so the ground is known exactly

// A PNG w x h whose pixel is given by a function of x and y (ARGB), encoded from a bitmap over our own rows.
Bytes png(int w, int h, const std::function<draw::Argb(int, int)>& fill) {
    std::vector<draw::Argb> rows(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows[static_cast<size_t>(y * w + x)] = fill(x, y);
    draw::Image image;
    EXPECT_TRUE(image.createBitmap(w, h, draw::kPixelFormat32bppArgb, rows.data(), w * 4));
    return image.encode(draw::kFormatPng);
}

// The 7 x 4 and 4 x 7 arrow glyphs: solid black triangles, rows 7, 5, 3, 1 wide.
Bytes arrow(bool down, bool turned) {
    auto inside = [down](int along, int row) {
        const int r = down ? row : 3 - row;
        return along >= r && along <= 6 - r;
    };
    return turned ? png(4, 7, [&](int x, int y) { return inside(y, x) ? 0xFF000000u : 0u; })
                  : png(7, 4, [&](int x, int y) { return inside(x, y) ? 0xFF000000u : 0u; });
}

HWND makeParent(int w, int h) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ControlKindsTest";
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"ControlKindsTest", L"控件", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

HWND child(HWND parent, const wchar_t* cls, DWORD style, int x, int y, int w, int h, const wchar_t* text = L"",
           DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Every pixel of a control's window area as the screen shows it.
struct Pixels {
    int w = 0, h = 0;
    std::vector<COLORREF> p;
    [[nodiscard]] COLORREF at(int x, int y) const { return p[static_cast<size_t>(y * w + x)]; }
};

Pixels read(HWND h) {
    const SIZE s = paint::windowSize(h);
    Pixels out{s.cx, s.cy, {}};
    paint::WholeWindowDc dc(h);
    for (int y = 0; y < s.cy; ++y)
        for (int x = 0; x < s.cx; ++x) out.p.push_back(GetPixel(dc.get(), x, y));
    return out;
}

int channelDiff(COLORREF a, COLORREF b) {
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

// Rows and columns spanned by the pixels that differ between two reads (0, 0 when none).
SIZE changedSpan(const Pixels& a, const Pixels& b, RECT* within = nullptr, int threshold = 30) {
    int top = a.h, bottom = -1, left = a.w, right = -1;
    for (int y = 0; y < a.h; ++y)
        for (int x = 0; x < a.w; ++x)
            if (channelDiff(a.at(x, y), b.at(x, y)) > threshold) {
                top = std::min(top, y), bottom = std::max(bottom, y);
                left = std::min(left, x), right = std::max(right, x);
            }
    if (within) *within = {left, top, right + 1, bottom + 1};
    return bottom < 0 ? SIZE{0, 0} : SIZE{right - left + 1, bottom - top + 1};
}

bool isAccent(COLORREF c) { return GetGValue(c) > 140 && GetRValue(c) < 150 && GetBValue(c) > 150; }
bool isDark(COLORREF c) { return std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) < 90; }

int count(const Pixels& px, const RECT& r, const std::function<bool(COLORREF)>& test) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += test(px.at(x, y)) ? 1 : 0;
    return n;
}

class ControlKindsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        token = draw::startGdiplus();
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&icc);
    }
    static void TearDownTestSuite() { draw::shutdownGdiplus(token); }
    static inline uintptr_t token = 0;

    void SetUp() override {
        down = arrow(true, false), up = arrow(false, false), left = arrow(false, true), right = arrow(true, true);
        engine.controlGlyphs = {{}, {}, down, up, left, right};
        engine.setSkin({.image = png(8, 8, [](int, int) { return draw::toArgb(kSkin); }), .mode = 3});
        engine.setControlTransparency(true, 0);
    }
    // Attaches the window, renders it and lets every child paint.
    void show(HWND parent) {
        engine.attachWindow(parent, {.resizable = false});
        engine.renderWindow(engine.indexOf(parent), true);
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        pump();
    }
    Bytes down, up, left, right;
    SkinEngine engine;
};

int prop(HWND h, const wchar_t* name) { return skin::intProp(h, name); }

// Where the ring of a framed control ends: the client area with its scroll bars, centred in the window.
RECT innerRect(HWND h) {
    const SIZE s = paint::windowSize(h);
    RECT client{};
    GetClientRect(h, &client);
    const int w = client.right + GetSystemMetrics(SM_CXVSCROLL), hh = client.bottom + GetSystemMetrics(SM_CYHSCROLL);
    return {(s.cx - w) / 2, (s.cy - hh) / 2, (s.cx - w) / 2 + w, (s.cy - hh) / 2 + hh};
}

TEST_F(ControlKindsTest, EachKindIsTakenIntoItsOwnListWithItsPropertiesAndProcedure) {
    HWND w = makeParent(640, 480);
    struct Case {
        HWND hwnd;
        const wchar_t* list;
        int index;
    };
    HWND dropList = child(w, WC_COMBOBOXW, CBS_DROPDOWNLIST, 10, 40, 120, 100);
    HWND dropDown = child(w, WC_COMBOBOXW, CBS_DROPDOWN, 140, 40, 120, 100);
    HWND simple = child(w, WC_COMBOBOXW, CBS_SIMPLE, 270, 40, 120, 100);
    HWND report = child(w, WC_LISTVIEWW, LVS_REPORT, 10, 150, 150, 80);
    HWND sortedView = child(w, WC_LISTVIEWW, LVS_REPORT | 0x10, 170, 150, 100, 60);
    HWND tree = child(w, WC_TREEVIEWW, 0, 280, 150, 100, 80);
    const std::vector<Case> cases = {
        {child(w, L"Edit", WS_BORDER, 400, 40, 80, 20), L"edit", 1},
        {FindWindowExW(dropDown, nullptr, L"Edit", nullptr), L"edit", 2},
        {FindWindowExW(simple, nullptr, L"Edit", nullptr), L"edit", 3},
        {dropList, L"combo", 1},
        {dropDown, L"combo", 2},
        {simple, L"combo", 3},
        {child(w, TRACKBAR_CLASSW, TBS_HORZ | TBS_NOTICKS, 10, 250, 150, 20), L"trackbar", 1},
        {child(w, TRACKBAR_CLASSW, TBS_VERT | TBS_BOTH | TBS_ENABLESELRANGE, 170, 250, 30, 100), L"trackbar", 2},
        {child(w, PROGRESS_CLASSW, 0, 210, 250, 100, 16), L"progress", 1},
        {child(w, PROGRESS_CLASSW, PBS_VERTICAL, 320, 250, 16, 100), L"progress", 2},
        {child(w, L"ListBox", WS_BORDER, 400, 70, 80, 60), L"list", 1},
        {FindWindowExW(simple, nullptr, L"ComboLBox", nullptr), L"list", 2},
        {report, L"list", 3},
        {tree, L"list", 4},
        {child(w, WC_IPADDRESSW, 0, 350, 250, 120, 22), L"list", 5},
        {child(w, DATETIMEPICK_CLASSW, 0, 350, 280, 120, 22), L"list", 6},
        {child(w, UPDOWN_CLASSW, UDS_HORZ, 480, 250, 40, 20), L"updown", 1},
        {child(w, UPDOWN_CLASSW, 0, 530, 250, 20, 40), L"updown", 2},
        {FindWindowExW(report, nullptr, WC_HEADERW, nullptr), L"header", 1},
    };
    std::vector<LONG_PTR> procs;
    for (const Case& c : cases) {
        ASSERT_NE(c.hwnd, nullptr) << c.list << c.index;
        procs.push_back(GetWindowLongPtrW(c.hwnd, GWLP_WNDPROC));
    }
    engine.attachWindow(w);
    const WindowRecord& r = *engine.window(1);
    EXPECT_EQ(r.editRecords.size(), 3u);
    EXPECT_EQ(r.comboRecords.size(), 3u);
    EXPECT_EQ(r.trackbarRecords.size(), 2u);
    EXPECT_EQ(r.progressRecords.size(), 2u);
    EXPECT_EQ(r.listRecords.size(), 6u); // the list view with style bit 0x10 is left to the system
    EXPECT_EQ(r.updownRecords.size(), 2u);
    EXPECT_EQ(r.headerRecords.size(), 2u); // headers of every list view, the one left to the system included
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(prop(c.hwnd, L"Hw_lbID"), c.index) << c.list << c.index;
        EXPECT_EQ(prop(c.hwnd, L"Hw_FuID"), 1) << c.list << c.index;
        EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetPropW(c.hwnd, L"Hw_hProc")), procs[i]) << c.list << c.index;
        EXPECT_NE(GetWindowLongPtrW(c.hwnd, GWLP_WNDPROC), procs[i]) << c.list << c.index;
    }
    EXPECT_EQ(GetPropW(sortedView, L"Hw_hProc"), nullptr);
    // Styles read at attach.
    EXPECT_FALSE(r.trackbarRecords[0].vertical);
    EXPECT_EQ(r.trackbarRecords[0].tickMode, 3);
    EXPECT_TRUE(r.trackbarRecords[1].vertical);
    EXPECT_EQ(r.trackbarRecords[1].tickMode, 2);
    EXPECT_TRUE(r.trackbarRecords[1].selectionRange);
    EXPECT_TRUE(r.progressRecords[1].vertical);
    EXPECT_TRUE(r.updownRecords[0].horizontal);
    EXPECT_FALSE(r.updownRecords[1].horizontal);
    EXPECT_TRUE(r.headerRecords[0].buttons);
    // With the overlay given, tree items paint over the key colour and list-view text has no ground of its own.
    EXPECT_EQ(SendMessageW(tree, TVM_GETBKCOLOR, 0, 0), 0xFF00FF);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(report, LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);

    // With the switch off nothing is taken.
    HWND plain = makeParent(200, 100);
    HWND slider = child(plain, TRACKBAR_CLASSW, 0, 10, 40, 100, 20);
    engine.setControlTransparency(false);
    engine.attachWindow(plain);
    EXPECT_TRUE(engine.window(2)->trackbarRecords.empty());
    EXPECT_EQ(GetPropW(slider, L"Hw_hProc"), nullptr);
    DestroyWindow(plain);
    DestroyWindow(w);
}

TEST_F(ControlKindsTest, PaintedLooks) {
    HWND w = makeParent(520, 420);
    HWND progress = child(w, PROGRESS_CLASSW, 0, 10, 40, 200, 16);
    HWND tall = child(w, PROGRESS_CLASSW, PBS_VERTICAL, 220, 40, 16, 100);
    HWND slider = child(w, TRACKBAR_CLASSW, TBS_HORZ | TBS_NOTICKS, 250, 40, 248, 16);
    HWND full = child(w, TRACKBAR_CLASSW, TBS_HORZ | TBS_NOTICKS, 250, 70, 248, 16);
    HWND spin = child(w, UPDOWN_CLASSW, UDS_HORZ, 10, 70, 40, 20);
    HWND combo = child(w, WC_COMBOBOXW, CBS_DROPDOWNLIST, 60, 70, 150, 200);
    HWND edit = child(w, L"Edit", 0, 10, 110, 150, 22, L"文字", WS_EX_CLIENTEDGE);
    HWND list = child(w, L"ListBox", WS_BORDER, 250, 100, 120, 60);
    HWND tree = child(w, WC_TREEVIEWW, TVS_HASLINES, 380, 100, 120, 80);
    HWND view = child(w, WC_LISTVIEWW, LVS_REPORT, 10, 200, 240, 80);
    HWND flatView = child(w, WC_LISTVIEWW, LVS_REPORT | LVS_NOSORTHEADER, 260, 200, 240, 80);
    HWND label = child(w, L"STATIC", SS_LEFT, 10, 300, 120, 16, L"输出音量大小：");
    HWND typed = child(w, WC_COMBOBOXW, CBS_DROPDOWN, 10, 330, 150, 200);
    HWND scrolled = child(w, L"Edit", WS_VSCROLL | WS_HSCROLL | ES_MULTILINE, 170, 300, 120, 80, L"", WS_EX_CLIENTEDGE);
    HWND tabs = child(w, WC_TABCONTROLW, 0, 300, 300, 200, 100);
    HWND upright = child(w, TRACKBAR_CLASSW, TBS_VERT | TBS_NOTICKS, 500, 190, 20, 100);
    SendMessageW(upright, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageW(upright, TBM_SETPOS, TRUE, 60);
    SendMessageW(progress, PBM_SETPOS, 50, 0);
    SendMessageW(tall, PBM_SETPOS, 25, 0);
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageW(slider, TBM_SETPOS, TRUE, 40);
    SendMessageW(full, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageW(full, TBM_SETPOS, TRUE, 100);
    for (const wchar_t* item : {L"甲乙丙", L"Out: default"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    for (const wchar_t* item : {L"第一项", L"第二项"}) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    TVINSERTSTRUCTW node{};
    node.hInsertAfter = TVI_LAST;
    node.item.mask = TVIF_TEXT;
    node.item.pszText = const_cast<wchar_t*>(L"根节点");
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&node));
    for (HWND v : {view, flatView})
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 100;
            column.pszText = const_cast<wchar_t*>(i ? L"第二列" : L"第一列");
            SendMessageW(v, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
    show(w);

    // Progress: the accent fill covers half of the bar; the vertical bar fills a quarter from the bottom.
    const Pixels bar = read(progress);
    EXPECT_TRUE(isAccent(bar.at(50, 8))) << std::hex << bar.at(50, 8);
    EXPECT_FALSE(isAccent(bar.at(150, 8))) << std::hex << bar.at(150, 8);
    const Pixels column = read(tall);
    EXPECT_TRUE(isAccent(column.at(8, 90)));
    EXPECT_FALSE(isAccent(column.at(8, 30)));

    // Track bar: a small dot at rest, an 11-unit disc while hot, the small dot again after the pointer left.
    const Pixels rest = read(slider);
    RECT thumb{};
    SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageW(slider, WM_MOUSEMOVE, 0, MAKELPARAM(thumb.left + 3, 8));
    EXPECT_EQ(engine.window(1)->hotList, kHotTrackbars);
    const Pixels hot = read(slider);
    RECT grown{};
    const SIZE disc = changedSpan(rest, hot, &grown);
    EXPECT_GE(disc.cy, 10);
    EXPECT_LE(disc.cy, 13);
    EXPECT_GE(grown.left, thumb.left - 1);
    SendMessageW(slider, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(changedSpan(rest, read(slider)).cx, 0);
    // The resting dot: only a few rows around the channel differ from the same bar at another position.
    SendMessageW(slider, TBM_SETPOS, TRUE, 70);
    UpdateWindow(slider);
    RECT moved{};
    const Pixels later = read(slider);
    changedSpan(rest, later, &moved);
    int dotRows = 0;
    for (int y = 0; y < rest.h; ++y)
        dotRows += channelDiff(rest.at(thumb.left + 2, y), later.at(thumb.left + 2, y)) > 30 ? 1 : 0;
    EXPECT_GE(dotRows, 2);
    EXPECT_LE(dotRows, 6);
    // At its maximum the accent line runs 10 units further, past the thumb rectangle's leading edge.
    RECT end{};
    SendMessageW(full, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&end));
    RECT channel{};
    SendMessageW(full, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const Pixels atMax = read(full);
    EXPECT_TRUE(isAccent(atMax.at(end.left + 6, channel.top + 1)) || isAccent(atMax.at(end.left + 6, channel.top + 2)));

    // A vertical bar draws its accent line down the channel.
    const Pixels standing = read(upright);
    int top = standing.h, bottom = -1, leftmost = standing.w, rightmost = -1;
    for (int y = 0; y < standing.h; ++y)
        for (int x = 0; x < standing.w; ++x)
            if (isAccent(standing.at(x, y)))
                top = std::min(top, y), bottom = std::max(bottom, y), leftmost = std::min(leftmost, x),
                rightmost = std::max(rightmost, x);
    EXPECT_GT(bottom - top, 30);
    EXPECT_LE(rightmost - leftmost, 3);

    // Up-down: hovering the right half lights that half only.
    const Pixels plainSpin = read(spin);
    SendMessageW(spin, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
    const Pixels lit = read(spin);
    RECT litArea{};
    changedSpan(plainSpin, lit, &litArea);
    EXPECT_GE(litArea.left, 19);
    EXPECT_GT(litArea.right, litArea.left);
    EXPECT_GE(count(lit, {20, 0, 40, 20}, isAccent), 8);
    EXPECT_GE(count(lit, {0, 0, 20, 20}, isDark) + count(lit, {20, 0, 40, 20}, isDark), 20); // both arrows
    SendMessageW(spin, WM_MOUSELEAVE, 0, 0);

    // Combo box: the current entry as text, a drop button with the down arrow, no white system field.
    const Pixels box = read(combo);
    const int bx = box.w - 17 - 2, bh = box.h - 4;
    EXPECT_GE(count(box, {bx + 5, 2 + (bh - 4) / 2, bx + 12, 2 + (bh - 4) / 2 + 4}, isDark), 12);
    EXPECT_GE(count(box, {2, 2, bx - 2, box.h - 2}, isDark), 20);
    EXPECT_EQ(count(box, {2, 2, bx - 2, box.h - 2}, [](COLORREF c) { return c == RGB(255, 255, 255); }), 0);
    EXPECT_EQ(box.at(box.w / 3, 3), kSkin);
    // A drop-down combo keeps its edit's own pixels and has an 18-unit button.
    const Pixels typedBox = read(typed);
    const int tbx = typedBox.w - 18 - 2, tbh = typedBox.h - 4;
    EXPECT_GE(count(typedBox, {tbx + 5, 2 + (tbh - 4) / 2, tbx + 13, 2 + (tbh - 4) / 2 + 4}, isDark), 12);

    // An edit with both scroll bars: the system draws the bars and the corner box, the engine only the ring.
    const Pixels bars = read(scrolled);
    const RECT ring = innerRect(scrolled);
    EXPECT_NE(bars.at(ring.right - 3, ring.top + 30), kSkin);                     // the vertical bar
    EXPECT_NE(bars.at(ring.right - 3, ring.bottom - 3), kSkin);                   // the corner box
    EXPECT_LT(channelDiff(bars.at(0, bars.h / 2), kSkin), 90); // the ring: black at alpha 80
    EXPECT_GT(channelDiff(bars.at(0, bars.h / 2), GetSysColor(COLOR_BTNFACE)), 60); // not the system's edge

    // Edit: the frame ring turns to the accent under the pointer.
    EXPECT_FALSE(isAccent(read(edit).at(1, 1)));
    SendMessageW(edit, WM_MOUSEMOVE, 0, MAKELPARAM(20, 8));
    EXPECT_TRUE(isAccent(read(edit).at(1, 1)));
    RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW); // as a keystroke would
    EXPECT_TRUE(isAccent(read(edit).at(1, 1)));
    EXPECT_EQ(engine.window(1)->hotEditParent, w);
    SendMessageW(edit, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(isAccent(read(edit).at(1, 1)));

    // List box: its items drawn by itself inside the skinned ring. Tree view: its items on the skin, and
    // nothing of the key colour they were painted over reaches the screen.
    const Pixels items = read(list);
    EXPECT_GE(count(items, {1, 1, items.w - 1, items.h - 1}, isDark), 20);
    EXPECT_GE(count(items, {1, 1, items.w - 1, items.h - 1}, [](COLORREF c) { return c == kSkin; }), items.w * 10);
    EXPECT_EQ(count(items, {1, 1, items.w - 1, items.h - 1}, [](COLORREF c) { return c == RGB(255, 255, 255); }), 0);
    EXPECT_TRUE(channelDiff(items.at(0, items.h / 2), RGB(0, 0, 0)) < 120); // the ring: black at alpha 90
    const Pixels branches = read(tree);
    const RECT whole{0, 0, branches.w, branches.h};
    EXPECT_EQ(count(branches, whole, [](COLORREF c) { return c == RGB(255, 0, 255); }), 0);
    EXPECT_GE(count(branches, whole, [](COLORREF c) { return c == kSkin; }), branches.w * branches.h / 2);
    EXPECT_GE(count(branches, whole, [](COLORREF c) { return channelDiff(c, kSkin) > 60; }), 20);
    // Smoothed text edges blend into the skin, with no tinted fringe.
    EXPECT_EQ(count(branches, whole, [](COLORREF c) { return GetRValue(c) > GetGValue(c) + 40; }), 0);

    // Headers: with HDS_BUTTONS the item under the pointer shows the hover look alone; without, nothing changes.
    for (HWND v : {view, flatView}) {
        HWND header = FindWindowExW(v, nullptr, WC_HEADERW, nullptr);
        ASSERT_NE(header, nullptr);
        const Pixels before = read(header);
        SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(30, 5));
        RECT changed{};
        const SIZE span = changedSpan(before, read(header), &changed, 10);
        if (v == view) {
            EXPECT_GT(span.cx, 50);
            EXPECT_LE(changed.right, 100);
        } else {
            EXPECT_EQ(span.cx, 0);
        }
        SendMessageW(header, WM_MOUSELEAVE, 0, 0);
    }

    // A label made transparent: its text stands on the skin with no button-face box around it.
    engine.attachTransparentControl(label);
    RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const Pixels text = read(label);
    const RECT all{0, 0, text.w, text.h};
    EXPECT_GE(count(text, all, isDark), 30);
    EXPECT_EQ(count(text, all, [](COLORREF c) { return c == GetSysColor(COLOR_BTNFACE); }), 0);
    EXPECT_GE(count(text, all, [](COLORREF c) { return c == kSkin; }), text.w * text.h / 2);

    // A tab control painted by itself over the skin, the face colour it is given dropped (Wine's pane is white).
    EXPECT_EQ(engine.attachTransparentControl(tabs, RGB(255, 255, 255)), 0); // no children: not a panel
    RedrawWindow(tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const Pixels tab = read(tabs);
    EXPECT_EQ(count(tab, {0, 0, tab.w, tab.h}, [](COLORREF c) { return c == RGB(255, 255, 255); }), 0);
    EXPECT_GE(count(tab, {0, 0, tab.w, tab.h}, [](COLORREF c) { return c == kSkin; }), tab.w * tab.h / 2);
    EXPECT_EQ(engine.captureCount(), 0u);
    DestroyWindow(w);
}

// Wine answers 0 to GetGuiResources; a leak shows instead as a rise of the highest GDI handle slot taken
// once more objects are made than the free list can hold.
int highestGdiSlot() {
    std::vector<HRGN> probes(4000);
    int highest = 0;
    for (HRGN& r : probes) {
        r = CreateRectRgn(0, 0, 1, 1);
        highest = std::max(highest, int(reinterpret_cast<UINT_PTR>(r) & 0xFFFF));
    }
    for (HRGN r : probes) DeleteObject(r);
    return highest;
}

TEST_F(ControlKindsTest, RepaintsAndHoverKeepNoHandle) {
    HWND w = makeParent(400, 300);
    const std::vector<HWND> controls = {
        child(w, PROGRESS_CLASSW, 0, 10, 40, 200, 16),
        child(w, TRACKBAR_CLASSW, TBS_HORZ | TBS_NOTICKS, 10, 60, 200, 16),
        child(w, UPDOWN_CLASSW, 0, 220, 40, 20, 40),
        child(w, WC_COMBOBOXW, CBS_DROPDOWN, 10, 90, 150, 200),
        child(w, L"Edit", WS_BORDER | WS_VSCROLL | ES_MULTILINE, 10, 120, 150, 60, L"文字"),
        child(w, L"ListBox", WS_BORDER | WS_VSCROLL, 200, 120, 100, 60),
        child(w, WC_TREEVIEWW, 0, 200, 190, 100, 60),
        child(w, WC_LISTVIEWW, LVS_REPORT, 10, 190, 180, 60),
    };
    HWND label = child(w, L"STATIC", SS_LEFT, 250, 40, 100, 16, L"标签");
    show(w);
    engine.attachTransparentControl(label);
    HWND header = FindWindowExW(controls.back(), nullptr, WC_HEADERW, nullptr);
    std::vector<HWND> all = controls;
    all.push_back(label);
    all.push_back(header);
    auto round = [&] {
        for (HWND c : all) {
            SendMessageW(c, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            SendMessageW(c, WM_MOUSELEAVE, 0, 0);
            RedrawWindow(c, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        }
        // The colour answers hand out a new brush each time and free the one before.
        HWND edit = controls[4];
        paint::WholeWindowDc dc(edit);
        SendMessageW(w, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(edit));
        pump();
    };
    for (int i = 0; i < 5; ++i) round();
    const int before = highestGdiSlot();
    for (int i = 0; i < 200; ++i) round();
    EXPECT_LE(highestGdiSlot(), before + 5); // one object kept per repaint would show as hundreds
    EXPECT_EQ(engine.captureCount(), 0u);
    DestroyWindow(w);
}

} // namespace
} // namespace skin
