// Random damage to valid WAV and MP3 images: the parsers either refuse the
// result or describe data that lies inside it. (The same checks run under
// libFuzzer in fuzz/FuzzParsers.cpp.)
#include <gtest/gtest.h>

#include <random>

#include "audiolib/core/Mp3Format.h"
#include "audiolib/core/TestBytes.h"
#include "audiolib/core/WavFormat.h"

using namespace audiolib;
using namespace audiolib::test;

namespace {

void check(const Bytes& b) {
    MemorySource src(b.data(), b.size());
    WavInfo wav;
    if (parseWav(src, wav) == WavResult::Ok) {
        ASSERT_LE(wav.dataOffset + wav.dataBytes, b.size());
        ASSERT_GT(wav.blockAlign, 0);
        ASSERT_EQ(wav.dataBytes % wav.blockAlign, 0u);
    }
    Mp3Layout mp3;
    if (parseMp3Layout(src, mp3)) {
        ASSERT_LE(mp3.audioOffset, mp3.audioEnd);
        ASSERT_LE(mp3.audioEnd, b.size());
        ASSERT_GT(mp3.first.frameBytes, 0u);
    }
}

Bytes mutate(Bytes b, std::mt19937& rng) {
    const int edits = 1 + int(rng() % 8);
    for (int i = 0; i < edits && !b.empty(); ++i) {
        const size_t at = rng() % b.size();
        switch (rng() % 4) {
        case 0:
            b[at] = uint8_t(rng());
            break;
        case 1:
            b.resize(at);
            break;
        case 2:
            b.insert(b.begin() + long(at), uint8_t(rng()));
            break;
        case 3:
            b[at] ^= uint8_t(1u << (rng() % 8));
            break;
        }
    }
    return b;
}

} // namespace

TEST(ParserRobustness, SurvivesRandomDamage) {
    std::mt19937 rng(12345);
    Bytes wav = riff({{"LIST", Bytes(5, 'x')},
                      {"fmt ", fmtChunk(1, 2, 44100, 16)},
                      {"fact", Bytes(4, 1)},
                      {"data", Bytes(200, 3)}});
    Bytes mp3 = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10};
    mp3.resize(20, 0);
    for (int i = 0; i < 4; ++i) {
        auto f = mp3Frame();
        mp3.insert(mp3.end(), f.begin(), f.end());
    }
    for (int i = 0; i < 20000; ++i) {
        check(mutate(wav, rng));
        check(mutate(mp3, rng));
        if (HasFatalFailure()) return;
    }
}
