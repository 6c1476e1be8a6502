#include "audiolib/core/PcmConvert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace audiolib;

TEST(PcmConvert, IntegerFormatsMapToSixteenBits) {
    const uint8_t u8[] = {0, 128, 255};
    int16_t out[3];
    toInt16(u8, SampleKind::Int, 8, 3, out);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 32512);

    const uint8_t s24[] = {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F, 0x80, 0x00, 0x00};
    toInt16(s24, SampleKind::Int, 24, 3, out);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[2], 0); // 0.5 LSB rounds to even
}

TEST(PcmConvert, FloatsClipAndRejectNonFinite) {
    const float f[] = {0.5f, 2.0f, -2.0f, std::numeric_limits<float>::quiet_NaN()};
    int16_t out[4];
    toInt16(reinterpret_cast<const uint8_t*>(f), SampleKind::Float, 32, 4, out);
    EXPECT_EQ(out[0], 16384);
    EXPECT_EQ(out[1], 32767);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[3], 0);
    const double d[] = {-0.25};
    toInt16(reinterpret_cast<const uint8_t*>(d), SampleKind::Float, 64, 1, out);
    EXPECT_EQ(out[0], -8192);
}

TEST(PcmConvert, DeviceFormatsClipToFullScale) {
    const float in[] = {1.5f, -1.5f, 0.5f};
    uint8_t out[12];
    fromFloat(in, 3, DeviceSampleFormat::Int16, out);
    int16_t s16[3];
    std::memcpy(s16, out, 6);
    EXPECT_EQ(s16[0], 32767);
    EXPECT_EQ(s16[1], -32767);
    EXPECT_EQ(s16[2], 16384);
    fromFloat(in, 3, DeviceSampleFormat::Int24, out);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[2], 0x7F);
    fromFloat(in, 3, DeviceSampleFormat::Float32, out);
    float f[3];
    std::memcpy(f, out, 12);
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(f[1], -1.0f);
}
