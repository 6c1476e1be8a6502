#include "draw/ImageHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace draw {
namespace {

std::vector<std::byte> bytes(std::initializer_list<int> values) {
    std::vector<std::byte> out;
    for (int v : values) out.push_back(static_cast<std::byte>(v));
    return out;
}

std::vector<std::byte> png(uint32_t w, uint32_t h) {
    auto b = bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'});
    for (uint32_t v : {w, h})
        for (int s : {24, 16, 8, 0}) b.push_back(static_cast<std::byte>((v >> s) & 0xFF));
    return b;
}

std::vector<std::byte> jpeg(uint32_t w, uint32_t h) {
    // SOI, an APP0 segment to skip, then a baseline frame header.
    auto b = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 'J', 'F', 0xFF, 0xC0, 0, 11, 8});
    for (uint32_t v : {h, w}) {
        b.push_back(static_cast<std::byte>(v >> 8));
        b.push_back(static_cast<std::byte>(v & 0xFF));
    }
    for (int v : {1, 1, 0x11, 0}) b.push_back(static_cast<std::byte>(v));
    return b;
}

TEST(ImageHeader, ReadsTheDeclaredSize) {
    struct Case {
        std::vector<std::byte> data;
        uint32_t w, h;
    };
    auto gif = bytes({'G', 'I', 'F', '8', '9', 'a', 0x20, 0x03, 0x58, 0x02});
    auto bmp = bytes({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 0xD8, 1, 0, 0, 0xA8, 0xFD, 0xFF, 0xFF});
    for (const Case& c : {Case{png(472, 600), 472, 600}, Case{jpeg(4000, 3000), 4000, 3000}, Case{gif, 800, 600},
                          Case{bmp, 472, 600}}) {
        const auto size = declaredImageSize(c.data);
        ASSERT_TRUE(size);
        EXPECT_EQ(size->width, c.w);
        EXPECT_EQ(size->height, c.h);
    }
}

TEST(ImageHeader, RefusesOnlyDeclaredSizesTooLargeOrEmpty) {
    EXPECT_TRUE(imageSizeAcceptable(png(472, 600)));
    EXPECT_TRUE(imageSizeAcceptable(jpeg(6000, 4000)));
    EXPECT_FALSE(imageSizeAcceptable(png(10000, 10000)));
    EXPECT_FALSE(imageSizeAcceptable(jpeg(10000, 10000)));
    EXPECT_FALSE(imageSizeAcceptable(png(0, 600)));
    // Unknown or cut headers are left to the decoder, which refuses them itself.
    for (const auto& data : {bytes({}), bytes({0xFF, 0xD8}), bytes({0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF}),
                             bytes({'R', 'I', 'F', 'F'}), bytes({0x89, 'P', 'N', 'G'})})
        EXPECT_TRUE(imageSizeAcceptable(data));
}

TEST(ImageHeader, SurvivesEveryTruncationOfAHeader) {
    for (const auto& whole : {png(472, 600), jpeg(472, 600)})
        for (size_t n = 0; n <= whole.size(); ++n) declaredImageSize(std::span(whole).first(n));
}

} // namespace
} // namespace draw
