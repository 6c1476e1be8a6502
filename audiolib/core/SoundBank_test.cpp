#include "audiolib/core/SoundBank.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "audiolib/core/MidiTestBytes.h"

using namespace audiolib;
using namespace audiolib::test;

namespace {

SoundFontResult load(const Bytes& b, SoundBank& bank) {
    MemorySource src(b.data(), b.size());
    return loadSoundFont(src, bank);
}

} // namespace

TEST(SoundBank, ResolvesZonesWithDefaultsGlobalsAndPresetOffsets) {
    FontImage s = sineFont();
    s.program = 5;
    // Instrument: a global zone (attenuation 100, release 0 tc), then two
    // zones split at key 60; the preset narrows the keys and adds tuning.
    s.instrumentZones = {{{48, 100}, {38, 0}},
                         {{43, range(0, 60)}, {54, 1}, {58, 57}, {53, 0}},
                         {{43, range(61, 127)}, {48, 200}, {53, 0}, {48, 900}}};
    s.presetZones = {{{43, range(40, 80)}, {51, uint16_t(-1)}, {48, 30}, {41, 0}}};
    SoundBank bank;
    ASSERT_EQ(load(sf2(s), bank), SoundFontResult::Ok);
    ASSERT_EQ(bank.presets.size(), 1u);
    const Preset* p = bank.find(0, 5);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->regions.size(), 2u);
    const Region& low = p->regions[0];
    EXPECT_EQ(low.keyLo, 40);
    EXPECT_EQ(low.keyHi, 60);
    EXPECT_EQ(low.rootKey, 57);
    EXPECT_EQ(low.loop, LoopMode::Continuous);
    EXPECT_EQ(low.loopStart, 1900u);
    EXPECT_EQ(low.loopEnd, 2000u);
    EXPECT_FLOAT_EQ(low.attenuationCb, 130); // global 100 + preset 30
    EXPECT_FLOAT_EQ(low.tuneCents, -100);
    EXPECT_FLOAT_EQ(low.releaseTc, 0);
    EXPECT_FLOAT_EQ(low.attackTc, -12000); // the format's default
    const Region& high = p->regions[1];
    EXPECT_EQ(high.keyLo, 61);
    EXPECT_EQ(high.keyHi, 80);
    EXPECT_EQ(high.rootKey, 69);               // from the sample
    EXPECT_EQ(high.loop, LoopMode::None);      // the global zone does not loop
    EXPECT_FLOAT_EQ(high.attenuationCb, 230);  // generators after sampleID do not count
}

TEST(SoundBank, FindFallsBackLikeAGeneralMidiPlayer) {
    auto bank = makeFallbackBank();
    for (int program = 0; program < 128; ++program) {
        const Preset* p = bank->find(0, program);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->program, program);
        EXPECT_EQ(bank->find(5, program), p); // an unknown bank gives bank 0's program
    }
    const Preset* kit = bank->find(128, 0);
    ASSERT_NE(kit, nullptr);
    EXPECT_EQ(kit->bank, 128);
    EXPECT_EQ(bank->find(128, 40), kit);
    for (int key = 0; key < 128; ++key) {
        int covering = 0;
        for (const Region& r : kit->regions)
            covering += key >= r.keyLo && key <= r.keyHi;
        EXPECT_EQ(covering, 1) << key;
    }
}

struct BadFont {
    const char* name;
    Bytes bytes;
    SoundFontResult result;
    size_t regions;
};

TEST(SoundBank, DamagedAndHostileFonts) {
    const Bytes good = sf2(sineFont());
    FontImage outside = sineFont();
    outside.samples[0].end = 50000000; // past the sample data: cut to it
    outside.samples[0].loopEnd = 60000000;
    FontImage empty = sineFont();
    empty.samples[0].end = empty.samples[0].start;
    FontImage loopOutside = sineFont();
    loopOutside.samples[0].loopStart = 5000;
    loopOutside.samples[0].loopEnd = 4000;
    FontImage badSampleId = sineFont();
    badSampleId.instrumentZones = {{{53, 7}}};
    FontImage badInstrument = sineFont();
    badInstrument.presetZones = {{{41, 9}}};
    FontImage zeroRate = sineFont();
    zeroRate.samples[0].rate = 0;
    FontImage hugeOffsets = sineFont();
    hugeOffsets.instrumentZones = {{{4, 0x7FFF}, {12, 0x7FFF}, {53, 0}}};
    const std::vector<BadFont> cases = {
        {"not a SoundFont", Bytes(500, 7), SoundFontResult::NotSoundFont, 0},
        {"truncated to the header", Bytes(good.begin(), good.begin() + 12), SoundFontResult::Corrupt, 0},
        {"truncated in the samples", Bytes(good.begin(), good.begin() + 2000), SoundFontResult::Corrupt, 0},
        {"truncated in the presets", Bytes(good.begin(), good.end() - 30), SoundFontResult::Ok, 1},
        {"sample offsets outside the data", sf2(outside), SoundFontResult::Ok, 1},
        {"zero-length sample", sf2(empty), SoundFontResult::Corrupt, 0},
        {"loop outside the sample", sf2(loopOutside), SoundFontResult::Ok, 1},
        {"sample index out of range", sf2(badSampleId), SoundFontResult::Corrupt, 0},
        {"instrument index out of range", sf2(badInstrument), SoundFontResult::Corrupt, 0},
        {"sample rate zero", sf2(zeroRate), SoundFontResult::Corrupt, 0},
        {"offsets beyond the data", sf2(hugeOffsets), SoundFontResult::Corrupt, 0},
    };
    for (const BadFont& c : cases) {
        SCOPED_TRACE(c.name);
        SoundBank bank;
        ASSERT_EQ(load(c.bytes, bank), c.result);
        size_t regions = 0;
        for (const Preset& p : bank.presets) {
            for (const Region& r : p.regions) {
                ++regions;
                ASSERT_LT(r.start, r.end);
                ASSERT_LE(r.end + 1, bank.samples.size());
                if (r.loop != LoopMode::None) {
                    ASSERT_LE(r.start, r.loopStart);
                    ASSERT_LT(r.loopStart + 1, r.loopEnd);
                    ASSERT_LE(r.loopEnd, r.end);
                }
            }
        }
        EXPECT_EQ(regions, c.regions);
    }
    SoundBank bank;
    ASSERT_EQ(load(sf2(loopOutside), bank), SoundFontResult::Ok);
    EXPECT_EQ(bank.presets[0].regions[0].loop, LoopMode::None);
}

// The General MIDI set the program ships with, where the machine has it.
TEST(SoundBank, LoadsTheShippedGeneralMidiSet) {
    const char* path = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    std::ifstream in(path, std::ios::binary);
    if (!in) GTEST_SKIP() << path << " is not installed";
    const Bytes b((std::istreambuf_iterator<char>(in)), {});
    SoundBank bank;
    ASSERT_EQ(load(b, bank), SoundFontResult::Ok);
    int melodic = 0;
    for (int program = 0; program < 128; ++program)
        melodic += bank.find(0, program)->program == program;
    EXPECT_EQ(melodic, 128);
    const Preset* kit = bank.find(128, 0);
    ASSERT_NE(kit, nullptr);
    EXPECT_EQ(kit->bank, 128);
    EXPECT_GT(kit->regions.size(), 40u);
}
