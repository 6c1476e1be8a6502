// The skin engine's records, properties and pictures on real windows under Wine.
#include "skin/SkinEngine.h"
#include "skin/PageStrip.h"

#include "draw/Colour.h"
#include "draw/GdiplusRuntime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace skin {
namespace {

using draw::Bytes;

HWND makeWindow(DWORD style, int w = 300, int h = 200) {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SkinEngineTest";
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"SkinEngineTest", L"测试窗口", WS_POPUP | style, 10, 10, w, h, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// A w x h picture, encoded as PNG, whose pixel colour is given by a function of x and y.
template <typename Fill>
Bytes picture(int w, int h, Fill fill) {
    draw::Image image;
    EXPECT_TRUE(image.createBitmap(w, h));
    draw::Graphics g;
    g.create(image);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            draw::Brush b;
            b.createSolid(fill(x, y));
            g.fillRectangle(b, {float(x), float(y), 1, 1});
        }
    g.remove();
    return image.encode(draw::kFormatPng);
}

Bytes solid(int w, int h, draw::Argb colour) {
    draw::Image image;
    EXPECT_TRUE(image.createBitmap(w, h));
    draw::Graphics g;
    g.create(image);
    g.clear(colour);
    g.remove();
    return image.encode(draw::kFormatPng);
}

class SkinEngineTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { token = draw::startGdiplus(); }
    static void TearDownTestSuite() { draw::shutdownGdiplus(token); }
    static inline uintptr_t token = 0;
    SkinEngine engine;
};

int prop(HWND h, const wchar_t* name) { return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(h, name))); }

TEST_F(SkinEngineTest, StripWidthFollowsTheWindowsBoxesAndCustomButtons) {
    struct Case {
        DWORD style;
        int width;
    };
    for (Case c : {Case{0, 41}, Case{WS_MINIMIZEBOX, 68}, Case{WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 95}}) {
        HWND w = makeWindow(c.style);
        engine.attachWindow(w);
        RECT strip = engine.getCaptionStripRect(w);
        EXPECT_EQ(strip.right - strip.left, c.width) << c.style;
        EXPECT_EQ(strip.bottom - strip.top, 22);
        engine.addCaptionButton(w, {}, L"换皮肤", [] {});
        strip = engine.getCaptionStripRect(w);
        EXPECT_EQ(strip.right - strip.left, c.width + 27);
        // The custom button stands leftmost; the close button's glyph ends at the client's right edge.
        const WindowRecord* r = engine.recordOf(w);
        EXPECT_EQ(r->captionButtons.front().kind, CaptionKind::Custom);
        EXPECT_EQ(r->captionButtons.back().kind, CaptionKind::Close);
        EXPECT_EQ(int(r->captionButtons.back().rect.x) - 1 + 38, 300 - 1);
        DestroyWindow(w);
    }
    EXPECT_EQ(engine.windowCount(), 0);
}

TEST_F(SkinEngineTest, AttachingTwiceKeepsOneRecordAndOneSubclassing) {
    HWND w = makeWindow(WS_MINIMIZEBOX);
    engine.attachWindow(w, {.captionHeight = 10});
    const LONG_PTR proc = GetWindowLongPtrW(w, GWLP_WNDPROC);
    engine.attachWindow(w, {.captionHeight = 40, .showTitle = false});
    EXPECT_EQ(engine.windowCount(), 1);
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), proc);
    EXPECT_EQ(engine.recordOf(w)->captionHeight, 25); // raised from 10, and the second call changed nothing
    EXPECT_TRUE(engine.recordOf(w)->showTitle);
    EXPECT_EQ(prop(w, L"Hw_lbID"), 1);
    EXPECT_TRUE(GetWindowLongPtrW(w, GWL_STYLE) & WS_SYSMENU);
    DestroyWindow(w);
}

TEST_F(SkinEngineTest, DestroyingTheFirstWindowRenumbersTheSecond) {
    HWND first = makeWindow(0);
    HWND second = makeWindow(0);
    HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 30, 100, 50, second, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    engine.attachWindow(first);
    engine.attachWindow(second);
    EXPECT_EQ(engine.attachContainer(panel, {.fillColour = 0xF0F0F0, .fillAlpha = 100}), 1);
    EXPECT_EQ(engine.attachContainer(panel, {.fillColour = 0x123456}), 1); // already a panel: unchanged
    EXPECT_EQ(prop(second, L"Hw_lbID"), 2);
    EXPECT_EQ(prop(panel, L"Hw_FuID"), 2);
    DestroyWindow(first);
    EXPECT_EQ(engine.windowCount(), 1);
    EXPECT_EQ(prop(second, L"Hw_lbID"), 1);
    EXPECT_EQ(prop(panel, L"Hw_FuID"), 1);
    // The container's alpha still reaches its record through the renumbered properties.
    engine.setContainerAlpha(panel, 0x1FF);
    EXPECT_EQ(engine.window(1)->containers[0].fillAlpha, 0xFF);
    DestroyWindow(second);
    EXPECT_EQ(engine.windowCount(), 0);
}

TEST_F(SkinEngineTest, SkinSettingsDefaults) {
    engine.setSkin({.image = Bytes(), .backgroundColour = 0x112233, .accentColour = 0x445566, .mode = 0});
    engine.setSkin();
    EXPECT_FALSE(engine.skinPicture());
    EXPECT_EQ(engine.backgroundColour, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(engine.accentColour, 0xDDCA22u);

    const Bytes green = solid(40, 30, 0xFF30A050);
    engine.setSkin({.image = green, .accentColour = -1});
    EXPECT_EQ(engine.backgroundColour, draw::rgb(0x30, 0xA0, 0x50)); // a uniform picture's average is exact
    EXPECT_EQ(engine.accentColour, engine.backgroundColour);
    EXPECT_EQ(engine.imageMode, 4);
    ASSERT_TRUE(engine.skinPicture()); // mode 4 keeps the picture as it is
    EXPECT_EQ(engine.skinPicture()->pixel(3, 3), 0xFF30A050u);

    engine.setControlTransparency(true);
    EXPECT_EQ(engine.overlayAlpha, 160);
    EXPECT_FALSE(engine.overlayAlphaGiven);
    engine.setControlTransparency(true, 0);
    EXPECT_EQ(engine.overlayAlpha, 0);
    EXPECT_TRUE(engine.overlayAlphaGiven);
}

TEST_F(SkinEngineTest, ModeZeroFadesTheRightAndBottomBandsIntoTheBackground) {
    const COLORREF c = draw::rgb(200, 40, 40);
    const Picture source = decodePicture(solid(472, 600, 0xFF2040C0));
    const Picture prepared = preparePicture(source.get(), 0, c);
    ASSERT_TRUE(prepared);
    const draw::Image& image = *prepared;
    ASSERT_EQ(image.width(), 472);
    // Left of the 141-column band the picture is untouched; at its far edge it is the background colour.
    EXPECT_EQ(image.pixel(472 - 141 - 1, 100), 0xFF2040C0u);
    EXPECT_NE(image.pixel(472 - 60, 100), 0xFF2040C0u);
    const auto edge = image.pixel(471, 100);
    EXPECT_NEAR(int((edge >> 16) & 0xFF), 200, 6);
    EXPECT_NEAR(int(edge & 0xFF), 40, 6);
    EXPECT_EQ(image.pixel(100, 600 - 141 - 1), 0xFF2040C0u);
    const auto bottom = image.pixel(100, 599);
    EXPECT_NEAR(int((bottom >> 16) & 0xFF), 200, 6);
    EXPECT_FALSE(preparePicture(decodePicture(Bytes(10, std::byte{7})).get(), 0, c));
}

TEST_F(SkinEngineTest, ModeFourTilesPlainMirroredPlain) {
    // 300 wide: red on the left half, blue on the right.
    const Bytes halves = picture(300, 4, [](int x, int) { return x < 150 ? 0xFFFF0000u : 0xFF0000FFu; });
    HWND w = makeWindow(0, 700, 100);
    engine.setSkin({.image = halves, .mode = 4});
    engine.attachWindow(w);
    const draw::Image* laid = engine.layoutImage(1);
    ASSERT_NE(laid, nullptr);
    EXPECT_EQ(laid->width(), 700);
    EXPECT_EQ(laid->pixel(10, 1), 0xFFFF0000u);  // plain at 0
    EXPECT_EQ(laid->pixel(310, 1), 0xFF0000FFu); // mirrored at 300: blue first
    EXPECT_EQ(laid->pixel(590, 1), 0xFFFF0000u);
    EXPECT_EQ(laid->pixel(610, 1), 0xFFFF0000u); // plain again at 600, cut at the edge
    EXPECT_EQ(laid->pixel(699, 1), 0xFFFF0000u);
    DestroyWindow(w);
}

TEST_F(SkinEngineTest, ControlsGetThePanelFillOverTheWindowBackground) {
    HWND w = makeWindow(WS_VISIBLE, 300, 200);
    HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 40, 200, 120, w, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    HWND inside = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, panel, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND outside = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 230, 40, 50, 20, w, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    engine.setSkin({.backgroundColour = draw::rgb(0, 0, 0), .mode = 4});
    engine.attachWindow(w);
    engine.attachContainer(panel, {.fillColour = draw::rgb(240, 240, 240), .fillAlpha = 100});
    engine.renderWindow(1, false);
    auto centre = [](HDC dc) { return GetPixel(dc, 5, 5); };
    HDC a = engine.captureBackground(inside, RECT{0, 0, 50, 20});
    HDC b = engine.captureBackground(outside, RECT{0, 0, 50, 20});
    EXPECT_EQ(engine.captureCount(), 2u);
    const COLORREF tinted = centre(a);
    EXPECT_NEAR(int(GetRValue(tinted)), 240 * 100 / 255, 3); // black under (240,240,240) at alpha 100
    EXPECT_EQ(centre(b), RGB(0, 0, 0));
    engine.releaseCaptureDC(a);
    engine.releaseCaptureDC(b);
    engine.releaseCaptureDC(b); // not in the cache any more: ignored
    EXPECT_EQ(engine.captureCount(), 0u);
    DestroyWindow(w);
}

// Wine reports no GDI or USER counts (GetGuiResources answers 0), so leaks are
// measured directly. GDI: handles are taken from a free list before any new
// slot, so after taking more probes than the free list can hold, the highest
// slot number rises by exactly the number of objects leaked since last time.
int gdiHighWater() {
    std::vector<HBRUSH> probes;
    int highest = 0;
    for (int i = 0; i < 5000; ++i) {
        HBRUSH b = CreateSolidBrush(RGB(1, 2, 3));
        if (!b) break;
        highest = std::max(highest, int(reinterpret_cast<UINT_PTR>(b) & 0xFFFF));
        probes.push_back(b);
    }
    for (HBRUSH b : probes) DeleteObject(b);
    return highest;
}

// USER: the windows this thread owns, children included.
int threadWindows() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND top, LPARAM n) -> BOOL {
            ++*reinterpret_cast<int*>(n);
            EnumChildWindows(
                top, [](HWND, LPARAM m) -> BOOL { return ++*reinterpret_cast<int*>(m), TRUE; }, n);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(SkinEngineTest, HandleCountsStayFlatOverCapturesRendersAndNewWindows) {
    engine.setSkin({.image = solid(472, 600, 0xFF4080C0), .mode = 0});
    engine.setControlTransparency(true, 0);
    auto skinnedWindow = [this] {
        // Hidden: under Wine without a window manager, destroying a shown window waits 2 s for the X server.
        HWND w = makeWindow(WS_MINIMIZEBOX, 472, 658);
        CreateWindowExW(0, L"STATIC", L"标签", WS_CHILD | WS_VISIBLE, 20, 40, 100, 20, w, nullptr,
                        GetModuleHandleW(nullptr), nullptr);
        engine.attachWindow(w, {.resizable = false});
        engine.addCaptionButton(w, {}, L"换皮肤", [] {});
        engine.renderWindow(engine.indexOf(w), true);
        return w;
    };
    HWND w = skinnedWindow();
    HWND label = GetWindow(w, GW_CHILD);
    const int gdiBefore = gdiHighWater();
    for (int i = 0; i < 1000; ++i) engine.releaseCaptureDC(engine.captureBackground(label, RECT{0, 0, 100, 20}));
    for (int i = 0; i < 100; ++i) {
        engine.renderWindow(1, true);
        engine.drawCaptionButton(1, 1, false, false, 120);
        DeleteObject(engine.controlBackgroundBitmap(label));
    }
    // A leak of one object per capture or render would show as hundreds.
    EXPECT_LE(gdiHighWater(), gdiBefore + 5);
    EXPECT_EQ(engine.captureCount(), 0u);
    DestroyWindow(w);
    const int gdiAfterOne = gdiHighWater(), userAfterOne = threadWindows();
    for (int i = 0; i < 20; ++i) DestroyWindow(skinnedWindow());
    EXPECT_LE(gdiHighWater(), gdiAfterOne + 5);
    EXPECT_EQ(threadWindows(), userAfterOne);
    EXPECT_EQ(engine.windowCount(), 0);
}

TEST_F(SkinEngineTest, TextColourOfAComboBoxGoesToItsEdit) {
    HWND w = makeWindow(0);
    HWND list = CreateWindowExW(0, L"ComboBox", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, w, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    HWND edit = CreateWindowExW(0, L"ComboBox", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 100, w, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    engine.setTextColour(list, 0x0000FF);
    EXPECT_EQ(GetPropW(list, L"Kj_Ztys"), nullptr); // no edit part: nothing changes
    engine.setTextColour(edit, 0x0000FF);
    HWND part = FindWindowExW(edit, nullptr, L"Edit", nullptr);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(prop(part, L"Kj_Ztys"), 0x0000FF);
    engine.setTextColour(nullptr, 1);
    DestroyWindow(w);
}

} // namespace
} // namespace skin

namespace skin {
namespace {

HWND child(HWND parent, const wchar_t* cls, DWORD style, int x, int y, int w, int h, const wchar_t* text = L"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

TEST_F(SkinEngineTest, ButtonStylesThatAreSkinnedAndThoseThatStaySystemDrawn) {
    HWND w = makeWindow(0, 400, 300);
    struct Case {
        DWORD style;
        bool skinned;
        ButtonKind kind;
    };
    const Case cases[] = {{BS_PUSHBUTTON, true, ButtonKind::Push},       {BS_DEFPUSHBUTTON, true, ButtonKind::Push},
                          {BS_USERBUTTON, true, ButtonKind::Push},       {BS_AUTOCHECKBOX, true, ButtonKind::CheckBox},
                          {BS_CHECKBOX, true, ButtonKind::CheckBox},     {BS_AUTORADIOBUTTON, true, ButtonKind::Radio},
                          {BS_RADIOBUTTON, false, ButtonKind::Push},     {BS_3STATE, false, ButtonKind::Push},
                          {BS_AUTO3STATE, false, ButtonKind::Push},      {BS_GROUPBOX, false, ButtonKind::Push}};
    std::vector<HWND> buttons;
    for (const Case& c : cases) buttons.push_back(child(w, L"BUTTON", c.style, 0, 0, 80, 20, L"按钮"));
    engine.setControlTransparency(true, 0);
    engine.attachWindow(w);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const ButtonRecord* r = engine.controlRecord(buttons[i], &WindowRecord::buttonRecords);
        EXPECT_EQ(r != nullptr, cases[i].skinned) << "style " << cases[i].style;
        if (r) EXPECT_EQ(r->kind, cases[i].kind) << "style " << cases[i].style;
    }
    // Push kinds become owner-drawn; check boxes and radio buttons keep their style.
    EXPECT_EQ(GetWindowLongPtrW(buttons[0], GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongPtrW(buttons[3], GWL_STYLE) & 0xF, BS_AUTOCHECKBOX);
    DestroyWindow(w);
}

TEST_F(SkinEngineTest, ADisabledButtonShowsTheGreyLook) {
    HWND w = makeWindow(WS_VISIBLE, 300, 200);
    HWND button = child(w, L"BUTTON", BS_PUSHBUTTON | WS_DISABLED, 40, 60, 100, 30, L"");
    engine.setSkin({.backgroundColour = draw::rgb(0, 0, 120), .mode = 4});
    engine.attachWindow(w);
    engine.renderWindow(1, false);
    engine.repaintButton(button, 0, false);
    HDC dc = GetDC(button);
    const COLORREF centre = GetPixel(dc, 50, 15);
    ReleaseDC(button, dc);
    EXPECT_NEAR(int(GetRValue(centre)), 195, 12);
    EXPECT_NEAR(int(GetBValue(centre)), 195, 12);
    DestroyWindow(w);
}

// The centre of a button as the screen shows it.
COLORREF centreOf(HWND button) {
    RECT r{};
    GetClientRect(button, &r);
    HDC dc = GetDC(button);
    const COLORREF c = GetPixel(dc, r.right / 2, r.bottom / 2);
    ReleaseDC(button, dc);
    return c;
}

// The parent of the click test: what its button showed when the click arrived.
COLORREF shownAtClick = CLR_INVALID;

LRESULT CALLBACK clickParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) shownAtClick = centreOf(reinterpret_cast<HWND>(lParam));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(SkinEngineTest, APushButtonReportsItsClickBeforeItPaintsTheReleasedLook) {
    // What a click starts (a clip) must not wait for the painting.
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = clickParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SkinEngineClickTest";
        return RegisterClassW(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    HWND w = CreateWindowExW(0, L"SkinEngineClickTest", L"测试窗口", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    HWND button = child(w, L"BUTTON", BS_PUSHBUTTON, 40, 60, 100, 30, L"");
    engine.setSkin({.backgroundColour = draw::rgb(0, 0, 120), .mode = 4});
    engine.attachWindow(w);
    engine.renderWindow(1, false);
    UpdateWindow(button);
    const COLORREF before = centreOf(button);
    SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 15));
    const COLORREF pressed = centreOf(button);
    ASSERT_NE(pressed, before);
    shownAtClick = CLR_INVALID;
    SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(50, 15));
    EXPECT_EQ(shownAtClick, pressed);
    // The released look follows with the next paint.
    UpdateWindow(button);
    EXPECT_NE(centreOf(button), pressed);
    DestroyWindow(w);
}

TEST_F(SkinEngineTest, PanelTintFollowsItsAlphaAndAGroupBoxKeepsItsTopRows) {
    HWND w = makeWindow(WS_VISIBLE, 300, 200);
    HWND panel = child(w, L"STATIC", 0, 10, 30, 120, 100);
    HWND group = child(w, L"BUTTON", BS_GROUPBOX, 150, 30, 120, 100, L"");
    engine.setSkin({.backgroundColour = draw::rgb(0, 0, 0), .mode = 4});
    engine.attachWindow(w);
    engine.attachContainer(panel, {.fillColour = draw::rgb(240, 240, 240), .fillAlpha = 100});
    engine.attachContainer(group, {.fillColour = draw::rgb(240, 240, 240), .fillAlpha = 255});
    engine.renderWindow(1, false);
    auto red = [&](HWND h, int x, int y) {
        HDC capture = engine.captureBackground(h, RECT{0, 0, 120, 100});
        const int r = GetRValue(GetPixel(capture, x, y));
        engine.releaseCaptureDC(capture);
        return r;
    };
    for (auto [alpha, expected] : {std::pair{255, 240}, {100, 94}, {0, 0}}) {
        engine.setContainerAlpha(panel, alpha);
        EXPECT_NEAR(red(panel, 60, 50), expected, 3) << "alpha " << alpha;
    }
    EXPECT_EQ(red(group, 60, 2), 0);    // above the rounded outline: the skin untinted
    EXPECT_EQ(red(group, 60, 50), 240); // inside it: the fill
    EXPECT_EQ(red(group, 0, 98), 0);    // outside a rounded corner
    DestroyWindow(w);
}

TEST_F(SkinEngineTest, PageStripItemsSelectionAndGaps) {
    HWND w = makeWindow(WS_VISIBLE, 472, 200);
    HWND host = child(w, L"STATIC", SS_NOTIFY, 16, 72, 456, 42);
    engine.attachWindow(w);
    PageStrip strip(engine);
    ASSERT_TRUE(strip.attach(host, {.itemWidth = 70, .itemStyle = 2, .frameStyle = 2, .colour = 0xF0F0F0, .alpha = 0}));
    for (const wchar_t* text : {L"主持人专用", L"MC喊麦专用", L"搞笑类音效", L"人物类音效", L"生活类音效", L"自定义音效"})
        strip.addItem(text);
    std::vector<int> calls;
    strip.setChangeHandler([&calls](int item) { calls.push_back(item); });
    EXPECT_EQ(strip.selectedItem(), 1); // the first item added is selected before any click
    for (int k = 1; k <= 6; ++k) {
        const RECT r = strip.itemRect(k);
        EXPECT_EQ(r.left, 2 + 73 * (k - 1));
        EXPECT_EQ(r.right, 72 + 73 * (k - 1));
    }
    EXPECT_EQ(strip.stripWidth(), 4 + 6 * 70 + 5 * 3);
    auto press = [host](int x) { SendMessageW(host, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 20)); };
    press(150); // item 3
    press(150); // the selected item again: reported, nothing changes
    press(73);  // the gap between items 1 and 2
    EXPECT_EQ(calls, (std::vector<int>{3, 3, 0}));
    EXPECT_EQ(strip.selectedItem(), 3);
    EXPECT_EQ(strip.itemRect(9).right, 0);
    DestroyWindow(w);
}

TEST_F(SkinEngineTest, HandleCountsStayFlatOverHoversAndPageSwitches) {
    HWND w = makeWindow(0, 472, 658);
    HWND panel = child(w, L"STATIC", 0, 16, 88, 440, 360);
    std::vector<HWND> buttons;
    for (int i = 0; i < 36; ++i)
        buttons.push_back(child(panel, L"BUTTON", BS_PUSHBUTTON, 8 + (i % 6) * 72, 30 + (i / 6) * 40, 64, 32, L"大家好"));
    HWND host = child(w, L"STATIC", SS_NOTIFY, 16, 72, 456, 42);
    engine.setSkin({.image = solid(472, 600, 0xFF4080C0), .mode = 0});
    engine.setControlTransparency(true, 0);
    engine.attachWindow(w, {.resizable = false});
    engine.attachContainer(panel, {.fillColour = 0xF0F0F0, .fillAlpha = 100});
    PageStrip strip(engine);
    strip.attach(host, {.itemWidth = 70, .itemStyle = 2, .frameStyle = 2, .colour = 0xF0F0F0, .alpha = 0});
    for (int k = 0; k < 6; ++k) strip.addItem(L"页");
    engine.renderWindow(1, true);
    auto hover = [&](int times) {
        for (int i = 0; i < times; ++i) engine.repaintButton(buttons[static_cast<size_t>(i % 36)], 0, i % 2 == 0);
    };
    auto switchPages = [&](int times) {
        for (int i = 0; i < times; ++i) {
            strip.selectItem(1 + i % 6);
            ShowWindow(panel, i % 2 ? SW_HIDE : SW_SHOWNA);
            UpdateWindow(w);
        }
    };
    // The system's drawing caches fill once (about a hundred objects); only growth after that is a leak.
    hover(200);
    switchPages(20);
    const int gdiBefore = gdiHighWater(), userBefore = threadWindows();
    hover(10000);
    switchPages(1000);
    EXPECT_LE(gdiHighWater(), gdiBefore + 5);
    EXPECT_EQ(threadWindows(), userBefore);
    EXPECT_LE(engine.captureCount(), 1u); // at most the strip's composed picture is kept
    DestroyWindow(w);
}

} // namespace
} // namespace skin
