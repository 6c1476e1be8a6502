#include "audiolib/core/Mp3Format.h"

#include <gtest/gtest.h>

#include <random>

#include "audiolib/core/TestBytes.h"

using namespace audiolib;
using namespace audiolib::test;

TEST(Mp3Format, ParsesHeadersOfEveryVersion) {
    struct Case {
        uint8_t b1, b2, b3;
        int version;
        uint32_t rate, bitrate, bytes;
        uint16_t channels;
    };
    const Case cases[] = {
        {0xFB, 0x90, 0x40, 1, 44100, 128000, 417, 2},
        {0xFB, 0x92, 0xC0, 1, 44100, 128000, 418, 1}, // padded, mono
        {0xFB, 0x94, 0x00, 1, 48000, 128000, 384, 2},
        {0xFB, 0x98, 0x00, 1, 32000, 128000, 576, 2},
        {0xF3, 0x84, 0x00, 2, 24000, 64000, 192, 2}, // MPEG-2
        {0xE3, 0x88, 0xC0, 25, 8000, 64000, 576, 1}, // MPEG-2.5
    };
    for (const auto& c : cases) {
        const uint8_t h[4] = {0xFF, c.b1, c.b2, c.b3};
        auto fh = parseMp3Header(h);
        ASSERT_TRUE(fh) << int(c.b1) << " " << int(c.b2);
        EXPECT_EQ(fh->version, c.version);
        EXPECT_EQ(fh->sampleRate, c.rate);
        EXPECT_EQ(fh->bitrate, c.bitrate);
        EXPECT_EQ(fh->frameBytes, c.bytes);
        EXPECT_EQ(fh->channels, c.channels);
    }
}

TEST(Mp3Format, RejectsOtherLayersAndReservedValues) {
    const uint8_t bad[][4] = {
        {0xFF, 0xFD, 0x90, 0x40}, // layer II
        {0xFF, 0xFB, 0xF0, 0x40}, // bitrate 15
        {0xFF, 0xFB, 0x00, 0x40}, // free format
        {0xFF, 0xFB, 0x9C, 0x40}, // rate 3
        {0xFF, 0xEB, 0x90, 0x40}, // version reserved
        {0xFE, 0xFB, 0x90, 0x40}, // no sync
    };
    for (const auto& h : bad)
        EXPECT_FALSE(parseMp3Header(h));
}

TEST(Mp3Format, Id3v2SizeIsSyncSafeAndCountsFooter) {
    const uint8_t plain[10] = {'I', 'D', '3', 4, 0, 0, 0, 0, 0x02, 0x01};
    EXPECT_EQ(id3v2TagSize(plain, 10), 10u + 257);
    const uint8_t footer[10] = {'I', 'D', '3', 4, 0, 0x10, 0x04, 0, 0, 0};
    EXPECT_EQ(id3v2TagSize(footer, 10), 10u + (4u << 21) + 10);
    const uint8_t notSyncSafe[10] = {'I', 'D', '3', 4, 0, 0, 0x80, 0, 0, 0};
    EXPECT_EQ(id3v2TagSize(notSyncSafe, 10), 0u);
}

TEST(Mp3Format, FindsFramesAfterTagAndGarbage) {
    Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    file.resize(30, 0);
    file.insert(file.end(), {0xFF, 0xFB, 0x11, 0x22, 0x33}); // a false sync
    for (int i = 0; i < 5; ++i) {
        auto f = mp3Frame();
        file.insert(file.end(), f.begin(), f.end());
    }
    Bytes v1(128, 0);
    v1[0] = 'T';
    v1[1] = 'A';
    v1[2] = 'G';
    file.insert(file.end(), v1.begin(), v1.end());
    MemorySource src(file.data(), file.size());
    Mp3Layout layout;
    ASSERT_TRUE(parseMp3Layout(src, layout));
    EXPECT_EQ(layout.audioOffset, 35u);
    EXPECT_TRUE(layout.hasId3v1);
    EXPECT_EQ(layout.audioEnd, file.size() - 128);
    EXPECT_EQ(layout.first.sampleRate, 44100u);
    EXPECT_EQ(layout.totalFrames, 0u);
}

TEST(Mp3Format, ReadsXingFrameCountAndLameGaplessFields) {
    Bytes xing = mp3Frame();
    size_t x = 4 + 32;
    const char* tag = "Info";
    std::memcpy(&xing[x], tag, 4);
    xing[x + 7] = 1;       // frames field only
    xing[x + 8 + 3] = 100; // 100 frames
    std::memcpy(&xing[x + 12], "LAME3.100", 9);
    uint8_t* d = &xing[x + 12 + 21];
    d[0] = 576 >> 4;
    d[1] = uint8_t(((576 & 15) << 4) | (1000 >> 8));
    d[2] = 1000 & 0xFF;
    Bytes file = xing;
    for (int i = 0; i < 100; ++i) {
        auto f = mp3Frame();
        file.insert(file.end(), f.begin(), f.end());
    }
    MemorySource src(file.data(), file.size());
    Mp3Layout layout;
    ASSERT_TRUE(parseMp3Layout(src, layout));
    EXPECT_TRUE(layout.hasGaplessInfo);
    EXPECT_EQ(layout.encoderDelay, 576u);
    EXPECT_EQ(layout.encoderPadding, 1000u);
    EXPECT_EQ(layout.totalFrames, 100u * 1152 - 576 - 1000);
    EXPECT_EQ(layout.audioOffset, 417u); // the Info frame is not audio
}

TEST(Mp3Format, RejectsNonAudio) {
    std::mt19937 rng(7);
    Bytes noise(100000);
    for (auto& b : noise)
        b = uint8_t(rng());
    const Bytes cases[] = {{}, {0xFF}, noise, Bytes{'I', 'D', '3', 3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}};
    for (const auto& c : cases) {
        MemorySource src(c.data(), c.size());
        Mp3Layout layout;
        EXPECT_FALSE(parseMp3Layout(src, layout)) << c.size();
    }
}

TEST(Mp3Format, AcceptsASingleFrameFile) {
    Bytes file = mp3Frame();
    MemorySource src(file.data(), file.size());
    Mp3Layout layout;
    EXPECT_TRUE(parseMp3Layout(src, layout));
}

TEST(Mp3Format, FileCutInsideItsInfoFrameKeepsOffsetsInside) {
    // Found by the fuzzer: three tiny MPEG-2 headers, the last one an Info
    // frame longer than the whole file.
    const Bytes file = {0xff, 0xf3, 0x37, 0xff, 0xf3, 0x38, 0xff, 0xf3, 0x57, 0x41, 0x42,
                        0x45, 0xcc, 0x49, 0x6e, 0x66, 0x6f, 0x25, 0x25, 0x25, 0xda};
    MemorySource src(file.data(), file.size());
    Mp3Layout layout;
    if (parseMp3Layout(src, layout)) {
        EXPECT_LE(layout.audioOffset, layout.audioEnd);
        EXPECT_LE(layout.audioEnd, file.size());
    }
}
