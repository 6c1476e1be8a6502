// The skin engine's records, properties and pictures on real windows under Wine.
#include "skin/SkinEngine.h"

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
    EXPECT_FALSE(engine.skinImage);
    EXPECT_EQ(engine.backgroundColour, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(engine.accentColour, 0xDDCA22u);

    const Bytes green = solid(40, 30, 0xFF30A050);
    engine.setSkin({.image = green, .accentColour = -1});
    EXPECT_EQ(engine.backgroundColour, draw::rgb(0x30, 0xA0, 0x50)); // a uniform picture's average is exact
    EXPECT_EQ(engine.accentColour, engine.backgroundColour);
    EXPECT_EQ(engine.imageMode, 4);
    ASSERT_TRUE(engine.skinImage); // mode 4 keeps the picture as it is
    EXPECT_EQ(engine.skinImage->pixel(3, 3), 0xFF30A050u);

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
