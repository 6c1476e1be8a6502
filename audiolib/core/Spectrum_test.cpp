#include "audiolib/core/Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace audiolib;

TEST(Spectrum, SineOnABinReadsItsAmplitudeThere) {
    for (int bin : {4, 17, 100}) {
        float s[kFftSize], out[kFftBins];
        for (size_t i = 0; i < kFftSize; ++i)
            s[i] = float(0.8 * std::sin(2 * 3.14159265358979 * bin * i / kFftSize));
        spectrum256(s, out);
        EXPECT_NEAR(out[bin], 0.8f, 0.01f);
        EXPECT_NEAR(out[bin + 1], 0.4f, 0.01f); // Hann leaks half into each neighbour
        EXPECT_LT(out[bin + 3], 1e-4f);
        EXPECT_EQ(std::max_element(out, out + kFftBins) - out, bin);
    }
}

TEST(Spectrum, SilenceIsZero) {
    float s[kFftSize] = {}, out[kFftBins];
    spectrum256(s, out);
    for (float v : out)
        EXPECT_EQ(v, 0.0f);
}
