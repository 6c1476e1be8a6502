#include "audiolib/core/SampleRing.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace audiolib;

TEST(SampleRing, WrapsAndRefusesOverflow) {
    SampleRing ring(10);
    EXPECT_EQ(ring.capacity(), 16u);
    std::vector<int16_t> in(12), out(16);
    for (int i = 0; i < 12; ++i)
        in[i] = int16_t(i);
    EXPECT_EQ(ring.write(in.data(), 12), 12u);
    EXPECT_EQ(ring.read(out.data(), 8), 8u);
    EXPECT_EQ(ring.write(in.data(), 12), 12u); // wraps
    EXPECT_EQ(ring.write(in.data(), 12), 0u);  // full
    EXPECT_EQ(ring.read(out.data(), 16), 16u);
    EXPECT_EQ(out[0], 8);
    EXPECT_EQ(out[4], 0);
    EXPECT_EQ(out[15], 11);
    EXPECT_EQ(ring.readable(), 0u);
}

TEST(SampleRing, KeepsOrderAcrossThreads) {
    SampleRing ring(256);
    constexpr int kTotal = 200000;
    std::thread producer([&] {
        int next = 0;
        while (next < kTotal) {
            int16_t v[7];
            int n = 0;
            while (n < 7 && next + n < kTotal) {
                v[n] = int16_t(next + n);
                ++n;
            }
            next += int(ring.write(v, n));
        }
    });
    int expected = 0;
    bool inOrder = true;
    while (expected < kTotal) {
        int16_t v[13];
        size_t n = ring.read(v, 13);
        for (size_t i = 0; i < n; ++i)
            inOrder &= v[i] == int16_t(expected++);
    }
    producer.join();
    EXPECT_TRUE(inOrder);
}
