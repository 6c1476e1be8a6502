#include "audiolib/core/WavFormat.h"

#include <gtest/gtest.h>

#include "audiolib/core/TestBytes.h"

using namespace audiolib;
using namespace audiolib::test;

namespace {

WavResult parse(const Bytes& b, WavInfo& info) {
    MemorySource src(b.data(), b.size());
    return parseWav(src, info);
}

} // namespace

TEST(WavFormat, ReadsPlainPcm) {
    Bytes data(400, 1);
    WavInfo info;
    ASSERT_EQ(parse(riff({{"fmt ", fmtChunk(1, 2, 44100, 16)}, {"data", data}}), info), WavResult::Ok);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.kind, SampleKind::Int);
    EXPECT_EQ(info.dataOffset, 44u);
    EXPECT_EQ(info.dataBytes, 400u);
}

TEST(WavFormat, AcceptsEverySupportedSampleFormat) {
    struct Case {
        uint16_t tag;
        uint16_t bits;
        SampleKind kind;
    };
    for (Case c : {Case{1, 8, SampleKind::Int}, Case{1, 16, SampleKind::Int}, Case{1, 24, SampleKind::Int},
                   Case{1, 32, SampleKind::Int}, Case{3, 32, SampleKind::Float},
                   Case{3, 64, SampleKind::Float}, Case{6, 8, SampleKind::Encoded}}) {
        WavInfo info;
        ASSERT_EQ(parse(riff({{"fmt ", fmtChunk(c.tag, 1, 8000, c.bits)}, {"data", Bytes(64)}}), info),
                  WavResult::Ok)
            << c.tag << "/" << c.bits;
        EXPECT_EQ(info.kind, c.kind);
    }
    WavInfo info;
    EXPECT_EQ(parse(riff({{"fmt ", fmtChunk(1, 1, 8000, 12)}, {"data", Bytes(64)}}), info),
              WavResult::Unsupported);
}

TEST(WavFormat, ResolvesExtensibleSubFormat) {
    Bytes fmt = fmtChunk(0xFFFE, 2, 48000, 32);
    put16(fmt, 22);
    put16(fmt, 32);
    put32(fmt, 3);
    Bytes guid = {3, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), guid.begin(), guid.end());
    WavInfo info;
    ASSERT_EQ(parse(riff({{"fmt ", fmt}, {"data", Bytes(80)}}), info), WavResult::Ok);
    EXPECT_EQ(info.formatTag, kWaveFormatFloat);
    EXPECT_EQ(info.kind, SampleKind::Float);
}

TEST(WavFormat, ToleratesLyingSizes) {
    struct Case {
        const char* what;
        int64_t dataDeclared;
        size_t expected;
    };
    for (Case c : {Case{"larger than the file", 1000000, 100}, Case{"zero", 0, 100},
                   Case{"unknown", 0xFFFFFFFF, 100}, Case{"odd, cut to whole frames", 99, 96}}) {
        WavInfo info;
        ASSERT_EQ(
            parse(riff({{"fmt ", fmtChunk(1, 2, 8000, 16)}, {"data", Bytes(100), c.dataDeclared}}, 5), info),
            WavResult::Ok)
            << c.what;
        EXPECT_EQ(info.dataBytes, c.expected) << c.what;
    }
}

TEST(WavFormat, SkipsOddChunksWithAndWithoutPadByte) {
    for (bool pad : {true, false}) {
        WavInfo info;
        ASSERT_EQ(parse(riff({{"LIST", Bytes(7, 'x'), -1, pad},
                              {"fmt ", fmtChunk(1, 1, 8000, 16)},
                              {"data", Bytes(20)}}),
                        info),
                  WavResult::Ok)
            << pad;
        EXPECT_EQ(info.dataBytes, 20u);
    }
}

TEST(WavFormat, RejectsBrokenHeaders) {
    struct Case {
        const char* what;
        Bytes bytes;
        WavResult expected;
    };
    Bytes tooBigFmt = riff({{"fmt ", fmtChunk(1, 1, 8000, 16), 5000}});
    const Case cases[] = {
        {"empty", {}, WavResult::NotWav},
        {"one byte", {'R'}, WavResult::NotWav},
        {"not RIFF", Bytes(64, 7), WavResult::NotWav},
        {"no chunks", riff({}), WavResult::Corrupt},
        {"no data", riff({{"fmt ", fmtChunk(1, 1, 8000, 16)}}), WavResult::Corrupt},
        {"no fmt", riff({{"data", Bytes(10)}}), WavResult::Corrupt},
        {"zero channels", riff({{"fmt ", fmtChunk(1, 0, 8000, 16)}, {"data", Bytes(10)}}),
         WavResult::Corrupt},
        {"rate zero", riff({{"fmt ", fmtChunk(1, 1, 0, 16)}, {"data", Bytes(10)}}), WavResult::Corrupt},
        {"fmt larger than file", tooBigFmt, WavResult::Corrupt},
        {"short fmt", riff({{"fmt ", Bytes(8)}, {"data", Bytes(10)}}), WavResult::Corrupt},
    };
    for (const auto& c : cases) {
        WavInfo info;
        EXPECT_EQ(parse(c.bytes, info), c.expected) << c.what;
    }
}
