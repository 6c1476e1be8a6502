// The drawing layer against the system's GDI+ (Wine's under test).
#include "draw/Colour.h"
#include "draw/Drawing.h"
#include "draw/GdiplusRuntime.h"
#include "draw/PathShapes.h"

#include <gtest/gtest.h>

#include <string>

namespace draw {
namespace {

class DrawingTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { token = startGdiplus(); }
    static void TearDownTestSuite() { shutdownGdiplus(token); }
    static inline uintptr_t token = 0;
};

// A w x h picture of one colour, encoded as PNG.
Bytes solidPng(int w, int h, Argb colour) {
    Image image;
    EXPECT_TRUE(image.createBitmap(w, h));
    Graphics g;
    EXPECT_TRUE(g.create(image));
    g.clear(colour);
    g.remove();
    return image.encode(kFormatPng);
}

TEST_F(DrawingTest, DeletingTwiceMakesNoSecondCall) {
    GraphicsPath path;
    ASSERT_TRUE(path.create());
    EXPECT_TRUE(path.remove());
    setLastStatus(kOk);
    EXPECT_FALSE(path.remove());
    EXPECT_EQ(lastStatus(), kOk); // no call was made
}

TEST_F(DrawingTest, AnEmptyWrapperDrawsNothingAndReportsInvalidParameter) {
    Image canvas;
    ASSERT_TRUE(canvas.createBitmap(8, 8));
    Graphics g;
    ASSERT_TRUE(g.create(canvas));
    g.clear(0xFF000000);
    Brush brush;
    brush.createSolid(0xFFFFFFFF);
    GraphicsPath deleted;
    deleted.create();
    deleted.addRectangle(0, 0, 8, 8);
    deleted.remove();
    EXPECT_FALSE(g.fillPath(brush, deleted));
    EXPECT_EQ(lastStatus(), kInvalidParameter);
    g.remove();
    EXPECT_EQ(canvas.pixel(4, 4), 0xFF000000u);
}

TEST_F(DrawingTest, SavingWithoutAFormatWritesABmp) {
    Image image;
    ASSERT_TRUE(image.createBitmap(4, 4));
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring path = std::wstring(dir) + L"sb_draw_test.bmp";
    ASSERT_TRUE(image.save(path));
    char head[2] = {};
    DWORD read = 0;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ReadFile(file, head, 2, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(head, 2), "BM");
    DeleteFileW(path.c_str());
    EXPECT_FALSE(image.save(path, L"{00000000-0000-0000-0000-000000000000}"));
}

TEST_F(DrawingTest, PicturesThatDoNotDecodeLeaveTheImageEmpty) {
    const Bytes png = solidPng(16, 16, 0xFF336699);
    Bytes truncated(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
    Bytes random(4096);
    for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<std::byte>((i * 2654435761u) >> 13);
    // A PNG header declaring 10 000 x 10 000 pixels: refused before any decoding.
    Bytes huge = png;
    for (int at : {16, 20}) {
        huge[at] = std::byte{0};
        huge[at + 1] = std::byte{0};
        huge[at + 2] = std::byte{0x27};
        huge[at + 3] = std::byte{0x10};
    }
    for (const Bytes* bad : {&truncated, &random, &huge}) {
        Image image;
        EXPECT_FALSE(image.load(*bad));
        EXPECT_FALSE(image);
        EXPECT_EQ(image.width(), 0);
    }
    Image empty;
    EXPECT_FALSE(empty.load({}));
    Image one;
    EXPECT_TRUE(one.load(solidPng(1, 1, 0xFF00FF00)));
    EXPECT_EQ(one.width(), 1);
}

TEST_F(DrawingTest, GlowOutlinesOncePerPass) {
    for (int passes : {0, 2}) {
        Image canvas;
        ASSERT_TRUE(canvas.createBitmap(20, 20));
        Graphics g;
        g.create(canvas);
        g.clear(0xFF000000);
        GraphicsPath path = makePath(addRoundedRect, 5, 5, 10, 10, 2);
        drawGlow(g, path, passes, rgb(34, 202, 221), 255);
        g.remove();
        if (passes == 0) EXPECT_EQ(canvas.pixel(15, 10), 0xFF000000u);
        else EXPECT_NE(canvas.pixel(15, 10), 0xFF000000u);
    }
}

TEST(ToolInfo, RegisteredWithTheSizeCommonControlsFiveAccept) {
    EXPECT_EQ(rt::kToolInfoSize, TTTOOLINFOW_V2_SIZE);
    EXPECT_LT(rt::kToolInfoSize, sizeof(TOOLINFOW));
}

} // namespace
} // namespace draw
