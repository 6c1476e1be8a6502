// Builders of small Standard MIDI File and SoundFont 2 images for the tests.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "audiolib/core/TestBytes.h"

namespace audiolib::test {

inline void putBe16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
inline void putBe32(Bytes& b, uint32_t v) {
    for (int i = 3; i >= 0; --i)
        b.push_back(uint8_t(v >> (8 * i)));
}
inline void putVarLen(Bytes& b, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    do {
        tmp[n++] = uint8_t(v & 0x7F);
        v >>= 7;
    } while (v && n < 5);
    while (n-- > 0)
        b.push_back(uint8_t(tmp[n] | (n ? 0x80 : 0)));
}

// A track body: append events with their delta times.
struct TrackBytes {
    Bytes b;
    TrackBytes& ev(uint32_t delta, std::initializer_list<uint8_t> bytes) {
        putVarLen(b, delta);
        b.insert(b.end(), bytes);
        return *this;
    }
    TrackBytes& tempo(uint32_t delta, uint32_t usPerQuarter) {
        return ev(delta, {0xFF, 0x51, 0x03, uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8),
                          uint8_t(usPerQuarter)});
    }
    TrackBytes& end(uint32_t delta = 0) { return ev(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes smf(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks, int declaredTracks = -1) {
    Bytes b;
    putTag(b, "MThd");
    putBe32(b, 6);
    putBe16(b, format);
    putBe16(b, uint16_t(declaredTracks >= 0 ? declaredTracks : int(tracks.size())));
    putBe16(b, division);
    for (const Bytes& t : tracks) {
        putTag(b, "MTrk");
        putBe32(b, uint32_t(t.size()));
        b.insert(b.end(), t.begin(), t.end());
    }
    return b;
}

inline Bytes rmid(const Bytes& smfBytes) {
    Bytes b;
    putTag(b, "RIFF");
    put32(b, uint32_t(4 + 8 + smfBytes.size() + (smfBytes.size() & 1)));
    putTag(b, "RMID");
    putTag(b, "data");
    put32(b, uint32_t(smfBytes.size()));
    b.insert(b.end(), smfBytes.begin(), smfBytes.end());
    if (smfBytes.size() & 1) b.push_back(0);
    return b;
}

// A SoundFont with one preset over one instrument.
struct FontImage {
    struct Sample {
        uint32_t start, end, loopStart, loopEnd, rate;
        uint8_t root;
        int8_t correction = 0;
    };
    struct Gen {
        uint16_t oper;
        uint16_t amount;
    };
    std::vector<int16_t> data;
    std::vector<Sample> samples;
    std::vector<std::vector<Gen>> instrumentZones; // a zone without sampleID (53) first is the global zone
    std::vector<std::vector<Gen>> presetZones;     // each ends with instrument (41) = 0
    uint16_t bank = 0, program = 0;
};

inline uint16_t range(uint8_t lo, uint8_t hi) {
    return uint16_t(lo | hi << 8);
}

// One sine cycle of `period` frames repeated `cycles` times (a loop over the
// last cycle) and the guard frames the format asks for.
inline std::vector<int16_t> sineCycles(int period, int cycles, double amplitude = 16000) {
    std::vector<int16_t> d;
    for (int i = 0; i < period * cycles + 46; ++i)
        d.push_back(int16_t(std::lround(amplitude * std::sin(2 * 3.14159265358979 * i / period))));
    return d;
}

inline Bytes sf2(const FontImage& s) {
    auto chunk = [](const char* id, const Bytes& body) {
        Bytes b;
        putTag(b, id);
        put32(b, uint32_t(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (body.size() & 1) b.push_back(0);
        return b;
    };
    auto list = [&](const char* type, const std::vector<Bytes>& parts) {
        Bytes body;
        putTag(body, type);
        for (const Bytes& p : parts)
            body.insert(body.end(), p.begin(), p.end());
        return chunk("LIST", body);
    };
    auto name = [](Bytes& b, const char* n) {
        for (int i = 0; i < 20; ++i)
            b.push_back(uint8_t(i < int(std::strlen(n)) ? n[i] : 0));
    };
    auto bagsAndGens = [](const std::vector<std::vector<FontImage::Gen>>& zones, Bytes& bags, Bytes& gens) {
        uint16_t g = 0;
        for (const auto& z : zones) {
            put16(bags, g);
            put16(bags, 0);
            for (const auto& gen : z) {
                put16(gens, gen.oper);
                put16(gens, gen.amount);
                ++g;
            }
        }
        put16(bags, g);
        put16(bags, 0);
        put32(gens, 0);
    };
    Bytes phdr, pbag, pgen, inst, ibag, igen, shdr, mods(10, 0);
    name(phdr, "Test");
    put16(phdr, s.program);
    put16(phdr, s.bank);
    put16(phdr, 0);
    put32(phdr, 0), put32(phdr, 0), put32(phdr, 0);
    name(phdr, "EOP");
    put16(phdr, 0), put16(phdr, 0);
    put16(phdr, uint16_t(s.presetZones.size()));
    put32(phdr, 0), put32(phdr, 0), put32(phdr, 0);
    bagsAndGens(s.presetZones, pbag, pgen);
    name(inst, "Inst");
    put16(inst, 0);
    name(inst, "EOI");
    put16(inst, uint16_t(s.instrumentZones.size()));
    bagsAndGens(s.instrumentZones, ibag, igen);
    for (const auto& smp : s.samples) {
        name(shdr, "Sample");
        put32(shdr, smp.start), put32(shdr, smp.end), put32(shdr, smp.loopStart), put32(shdr, smp.loopEnd);
        put32(shdr, smp.rate);
        shdr.push_back(smp.root);
        shdr.push_back(uint8_t(smp.correction));
        put16(shdr, 0);
        put16(shdr, 1);
    }
    name(shdr, "EOS");
    shdr.resize(shdr.size() + 26, 0);

    Bytes smpl;
    for (int16_t v : s.data)
        put16(smpl, uint16_t(v));
    Bytes ifil;
    put16(ifil, 2), put16(ifil, 1);
    Bytes body;
    putTag(body, "sfbk");
    for (const Bytes& part :
         {list("INFO", {chunk("ifil", ifil)}), list("sdta", {chunk("smpl", smpl)}),
          list("pdta", {chunk("phdr", phdr), chunk("pbag", pbag), chunk("pmod", mods), chunk("pgen", pgen),
                        chunk("inst", inst), chunk("ibag", ibag), chunk("imod", mods), chunk("igen", igen),
                        chunk("shdr", shdr)})})
        body.insert(body.end(), part.begin(), part.end());
    return chunk("RIFF", body);
}

// A sine instrument: 100-frame cycles at 44 kHz sound 440 Hz at key 69.
inline FontImage sineFont() {
    FontImage s;
    s.data = sineCycles(100, 20);
    s.samples.push_back({0, 2000, 1900, 2000, 44000, 69});
    s.instrumentZones = {{{54, 1}, {53, 0}}};
    s.presetZones = {{{41, 0}}};
    return s;
}

} // namespace audiolib::test
