#include "audiolib/core/GainRamp.h"

#include <gtest/gtest.h>

#include <vector>

using namespace audiolib;

TEST(GainRamp, MovesLinearlyThenHolds) {
    std::vector<float> f(2 * 8, 1.0f);
    applyGainRamp(f.data(), 8, 2, 1.0f, 0.0f, 4);
    const float expected[] = {0.75f, 0.5f, 0.25f, 0.0f, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(f[i * 2], expected[i]);
        EXPECT_FLOAT_EQ(f[i * 2 + 1], expected[i]);
    }
}

TEST(GainRamp, RampLongerThanBlockStopsPartWay) {
    std::vector<float> f(4, 1.0f);
    applyGainRamp(f.data(), 4, 1, 0.0f, 1.0f, 8);
    EXPECT_FLOAT_EQ(f[3], 0.5f);
}

TEST(GainRamp, MixSpreadsMonoAndMapsChannels) {
    std::vector<float> dst(6, 0.0f);
    const float mono[] = {1, 2, 3};
    mixInto(dst.data(), 2, mono, 1, 3);
    EXPECT_EQ(dst, (std::vector<float>{1, 1, 2, 2, 3, 3}));
    const float quad[] = {1, 2, 3, 4};
    std::vector<float> st(2, 0.0f);
    mixInto(st.data(), 2, quad, 4, 1);
    EXPECT_EQ(st, (std::vector<float>{1, 2}));
}
