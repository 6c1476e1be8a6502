#include "audiolib/core/SoundBank.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace audiolib {
namespace {

constexpr size_t kGuardFrames = 4;
// A file whose zones multiply into more regions than this is cut there.
constexpr size_t kMaxRegions = size_t(1) << 18;

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// Generator numbers of the SoundFont 2 format that we use.
enum Gen : int {
    kStartOffset = 0, kEndOffset = 1, kLoopStartOffset = 2, kLoopEndOffset = 3, kStartCoarse = 4,
    kVibToPitch = 6, kPan = 17, kVibDelay = 23, kVibFreq = 24,
    kDelayVol = 33, kAttackVol = 34, kHoldVol = 35, kDecayVol = 36, kSustainVol = 37, kReleaseVol = 38,
    kKeyToHold = 39, kKeyToDecay = 40, kInstrument = 41, kKeyRange = 43, kVelRange = 44,
    kLoopStartCoarse = 45, kKeynum = 46, kVelocity = 47, kAttenuation = 48, kLoopEndCoarse = 50,
    kCoarseTune = 51, kFineTune = 52, kSampleId = 53, kSampleModes = 54, kScaleTuning = 56,
    kExclusiveClass = 57, kRootKey = 58, kGenCount = 61
};

struct Gens {
    std::array<int32_t, kGenCount> value{};
    std::array<bool, kGenCount> set{};
    uint8_t keyLo = 0, keyHi = 127, velLo = 0, velHi = 127;

    void apply(uint16_t oper, const uint8_t* amount) {
        if (oper == kKeyRange) {
            keyLo = amount[0], keyHi = amount[1];
        } else if (oper == kVelRange) {
            velLo = amount[0], velHi = amount[1];
        } else if (oper < kGenCount) {
            value[oper] = int16_t(le16(amount));
            set[oper] = true;
        }
    }
};

Gens instrumentDefaults() {
    Gens g;
    for (int i : {21, 23, 25, 26, 27, 28, 30, 33, 34, 35, 36, 38}) // delays, attacks, holds, decays, releases
        g.value[i] = -12000;
    g.value[8] = 13500;
    g.value[kScaleTuning] = 100;
    g.value[kRootKey] = -1;
    g.value[kKeynum] = -1;
    g.value[kVelocity] = -1;
    return g;
}

bool instrumentOnly(int gen) {
    switch (gen) {
    case kStartOffset: case kEndOffset: case kLoopStartOffset: case kLoopEndOffset: case kStartCoarse:
    case 12: case kLoopStartCoarse: case kKeynum: case kVelocity: case kLoopEndCoarse: case kSampleId:
    case kSampleModes: case kExclusiveClass: case kRootKey:
        return true;
    default:
        return false;
    }
}

// The "pdta" lists as whole records, each cut to what the file holds.
struct Pdta {
    std::vector<uint8_t> phdr, pbag, pgen, inst, ibag, igen, shdr;
    size_t count(const std::vector<uint8_t>& v, size_t record) const { return v.size() / record; }
};

// A zone's generators: indices [first, last) into a generator list.
bool zoneRange(const std::vector<uint8_t>& bags, size_t bag, size_t genCount, size_t& first, size_t& last) {
    if ((bag + 1) * 4 + 4 > bags.size()) return false;
    first = le16(&bags[bag * 4]);
    last = le16(&bags[(bag + 1) * 4]);
    return first <= last && last <= genCount;
}

// Reads generators [first, last), stopping after `terminal` (later ones are ignored by the format).
bool readZone(const std::vector<uint8_t>& gens, size_t first, size_t last, int terminal, Gens& g) {
    bool hasTerminal = false;
    for (size_t i = first; i < last; ++i) {
        const uint8_t* r = &gens[i * 4];
        const uint16_t oper = le16(r);
        g.apply(oper, r + 2);
        if (oper == terminal) {
            hasTerminal = true;
            break;
        }
    }
    return hasTerminal;
}

class Loader {
  public:
    Loader(const Pdta& p, SoundBank& bank, uint64_t dataFrames) : p_(p), bank_(bank), dataFrames_(dataFrames) {}

    void run() {
        const size_t presets = p_.count(p_.phdr, 38);
        for (size_t i = 0; i + 1 < presets && regions_ < kMaxRegions; ++i) {
            const uint8_t* h = &p_.phdr[i * 38];
            Preset preset;
            preset.name.assign(reinterpret_cast<const char*>(h), strnlen(reinterpret_cast<const char*>(h), 20));
            preset.program = le16(h + 20);
            preset.bank = le16(h + 22);
            const size_t bagFirst = le16(h + 24), bagLast = le16(h + 38 + 24);
            if (bagFirst > bagLast || preset.program > 127 || preset.bank > 128) continue;
            Gens global;
            for (size_t b = bagFirst; b < bagLast; ++b) {
                size_t first, last;
                if (!zoneRange(p_.pbag, b, p_.count(p_.pgen, 4), first, last)) break;
                Gens zone = global;
                const bool hasInstrument = readZone(p_.pgen, first, last, kInstrument, zone);
                if (!hasInstrument) {
                    if (b == bagFirst) global = zone;
                    continue;
                }
                addInstrument(preset, zone);
            }
            if (!preset.regions.empty()) bank_.presets.push_back(std::move(preset));
        }
    }

  private:
    void addInstrument(Preset& preset, const Gens& pz) {
        const size_t inst = size_t(pz.value[kInstrument]);
        const size_t insts = p_.count(p_.inst, 22);
        if (inst + 1 >= insts) return;
        const size_t bagFirst = le16(&p_.inst[inst * 22 + 20]), bagLast = le16(&p_.inst[(inst + 1) * 22 + 20]);
        if (bagFirst > bagLast) return;
        Gens global = instrumentDefaults();
        for (size_t b = bagFirst; b < bagLast && regions_ < kMaxRegions; ++b) {
            size_t first, last;
            if (!zoneRange(p_.ibag, b, p_.count(p_.igen, 4), first, last)) break;
            Gens zone = global;
            if (!readZone(p_.igen, first, last, kSampleId, zone)) {
                if (b == bagFirst) global = zone;
                continue;
            }
            Region r;
            if (makeRegion(pz, zone, r)) {
                preset.regions.push_back(r);
                ++regions_;
            }
        }
    }

    bool makeRegion(const Gens& pz, const Gens& iz, Region& r) {
        r.keyLo = std::max(pz.keyLo, iz.keyLo);
        r.keyHi = std::min({pz.keyHi, iz.keyHi, uint8_t(127)});
        r.velLo = std::max(pz.velLo, iz.velLo);
        r.velHi = std::min({pz.velHi, iz.velHi, uint8_t(127)});
        if (r.keyLo > r.keyHi || r.velLo > r.velHi) return false;

        const size_t sampleId = size_t(uint16_t(iz.value[kSampleId]));
        if (sampleId >= p_.count(p_.shdr, 46)) return false;
        const uint8_t* s = &p_.shdr[sampleId * 46];
        const uint16_t type = le16(s + 44);
        if (type & 0x8000) return false; // ROM samples are not in the file
        auto gen = [&](int g) {
            return instrumentOnly(g) ? iz.value[g] : iz.value[g] + (pz.set[g] ? pz.value[g] : 0);
        };
        auto at = [&](uint32_t base, int fine, int coarse) {
            return std::clamp<int64_t>(int64_t(base) + gen(fine) + int64_t(gen(coarse)) * 32768, 0,
                                       int64_t(dataFrames_));
        };
        const int64_t start = at(le32(s + 20), kStartOffset, kStartCoarse);
        const int64_t end = at(le32(s + 24), kEndOffset, 12);
        if (end - start < 2) return false;
        r.start = uint32_t(start);
        r.end = uint32_t(end);
        const int64_t loopStart = std::max(at(le32(s + 28), kLoopStartOffset, kLoopStartCoarse), start);
        const int64_t loopEnd = std::min(at(le32(s + 32), kLoopEndOffset, kLoopEndCoarse), end);
        const int mode = gen(kSampleModes) & 3;
        r.loop = mode == 1 ? LoopMode::Continuous : mode == 3 ? LoopMode::UntilRelease : LoopMode::None;
        if (loopEnd - loopStart < 2) r.loop = LoopMode::None;
        r.loopStart = uint32_t(loopStart);
        r.loopEnd = uint32_t(std::max(loopEnd, loopStart));

        r.sampleRate = le32(s + 36);
        if (r.sampleRate < 400 || r.sampleRate > 400000) return false;
        const int overriding = gen(kRootKey);
        const int original = s[40];
        r.rootKey = overriding >= 0 && overriding <= 127 ? overriding : original <= 127 ? original : 60;
        r.tuneCents = float(gen(kCoarseTune) * 100 + gen(kFineTune) + int8_t(s[41]));
        r.scaleTuning = float(std::clamp(gen(kScaleTuning), 0, 1200));
        r.attenuationCb = float(std::clamp(gen(kAttenuation), 0, 1440));
        r.pan = float(std::clamp(gen(kPan), -500, 500));
        auto tc = [&](int g) { return float(std::clamp(gen(g), -12000, 8000)); };
        r.delayTc = tc(kDelayVol);
        r.attackTc = tc(kAttackVol);
        r.holdTc = tc(kHoldVol);
        r.decayTc = tc(kDecayVol);
        r.releaseTc = tc(kReleaseVol);
        r.sustainCb = float(std::clamp(gen(kSustainVol), 0, 1440));
        r.keyToHoldTc = float(std::clamp(gen(kKeyToHold), -1200, 1200));
        r.keyToDecayTc = float(std::clamp(gen(kKeyToDecay), -1200, 1200));
        r.vibDelayTc = tc(kVibDelay);
        r.vibFreqCents = float(std::clamp(gen(kVibFreq), -16000, 4500));
        r.vibToPitchCents = float(std::clamp(gen(kVibToPitch), -12000, 12000));
        r.exclusiveClass = gen(kExclusiveClass);
        const int key = gen(kKeynum), vel = gen(kVelocity);
        r.fixedKey = key >= 0 && key <= 127 ? key : -1;
        r.fixedVelocity = vel >= 1 && vel <= 127 ? vel : -1;
        return true;
    }

    const Pdta& p_;
    SoundBank& bank_;
    uint64_t dataFrames_;
    size_t regions_ = 0;
};

struct Chunk {
    char id[4];
    uint64_t body; // offset of the body
    uint64_t size; // cut to the file
};

bool readChunk(ByteSource& src, uint64_t pos, uint64_t limit, Chunk& c) {
    uint8_t h[8];
    if (pos + 8 > limit || src.readAt(pos, h, 8) != 8) return false;
    std::memcpy(c.id, h, 4);
    c.body = pos + 8;
    c.size = std::min<uint64_t>(le32(h + 4), limit - c.body);
    return true;
}

uint64_t nextChunk(const Chunk& c) {
    return c.body + c.size + (c.size & 1);
}

bool is(const Chunk& c, const char* id) {
    return std::memcmp(c.id, id, 4) == 0;
}

} // namespace

const Preset* SoundBank::find(int bank, int program) const noexcept {
    if (presets.empty()) return nullptr;
    program &= 127;
    const bool drums = bank == 128;
    bank = std::clamp(bank, 0, 128);
    auto at = [&](int b, int p) { return lookup_[size_t(b * 128 + p)]; };
    int i = at(bank, program);
    if (!i) i = drums ? at(128, 0) : at(0, program);
    if (i) return &presets[size_t(i - 1)];
    for (const Preset& p : presets)
        if ((p.bank == 128) == drums) return &p;
    return drums ? nullptr : &presets[0];
}

void SoundBank::index() {
    lookup_.fill(0);
    for (size_t i = presets.size(); i-- > 0;) {
        const Preset& p = presets[i];
        if (p.bank <= 128 && p.program <= 127) lookup_[size_t(p.bank * 128 + p.program)] = int16_t(i + 1);
    }
}

SoundFontResult loadSoundFont(ByteSource& src, SoundBank& out) {
    out = SoundBank{};
    const uint64_t size = src.size();
    uint8_t head[12];
    if (size < 12 || src.readAt(0, head, 12) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "sfbk", 4) != 0)
        return SoundFontResult::NotSoundFont;
    if (size > kSoundFontMaxBytes) return SoundFontResult::TooLarge;

    Pdta p;
    Chunk smpl{};
    bool haveSmpl = false;
    for (uint64_t pos = 12; pos < size;) {
        Chunk list;
        if (!readChunk(src, pos, size, list)) break;
        pos = nextChunk(list);
        uint8_t type[4];
        if (!is(list, "LIST") || list.size < 4 || src.readAt(list.body, type, 4) != 4) continue;
        const uint64_t listEnd = list.body + list.size;
        for (uint64_t sub = list.body + 4; sub < listEnd;) {
            Chunk c;
            if (!readChunk(src, sub, listEnd, c)) break;
            sub = nextChunk(c);
            if (std::memcmp(type, "sdta", 4) == 0 && is(c, "smpl")) {
                smpl = c;
                haveSmpl = true;
                continue;
            }
            if (std::memcmp(type, "pdta", 4) != 0) continue;
            struct Want {
                const char* id;
                std::vector<uint8_t>* into;
                size_t record;
            } wants[] = {{"phdr", &p.phdr, 38}, {"pbag", &p.pbag, 4}, {"pgen", &p.pgen, 4}, {"inst", &p.inst, 22},
                         {"ibag", &p.ibag, 4},  {"igen", &p.igen, 4}, {"shdr", &p.shdr, 46}};
            for (const Want& w : wants) {
                if (!is(c, w.id)) continue;
                w.into->resize(size_t(c.size / w.record * w.record));
                w.into->resize(src.readAt(c.body, w.into->data(), w.into->size()) / w.record * w.record);
            }
        }
    }
    if (!haveSmpl || p.phdr.size() < 2 * 38 || p.inst.size() < 2 * 22 || p.shdr.empty())
        return SoundFontResult::Corrupt;

    const uint64_t frames = smpl.size / 2;
    out.samples.assign(size_t(frames) + kGuardFrames, 0);
    const size_t got = src.readAt(smpl.body, out.samples.data(), size_t(frames) * 2) / 2;
    Loader(p, out, got).run();
    if (out.presets.empty()) return SoundFontResult::Corrupt;
    out.index();
    return SoundFontResult::Ok;
}

std::shared_ptr<const SoundBank> makeFallbackBank() {
    auto bank = std::make_shared<SoundBank>();
    bank->fallback = true;
    // One cycle of each waveform, 256 frames long, played at the rate that
    // makes it middle C; the frame after the cycle repeats its first one so
    // that interpolation across the loop point is seamless.
    constexpr uint32_t kCycle = 256;
    constexpr double kPi = 3.14159265358979323846;
    const uint32_t cycleRate = uint32_t(std::lround(kCycle * 261.6255653));
    auto addCycle = [&](auto harmonic) {
        const uint32_t start = uint32_t(bank->samples.size());
        std::vector<double> v(kCycle);
        double peak = 1e-9;
        for (uint32_t i = 0; i < kCycle; ++i) {
            for (int h = 1; h <= 16; ++h)
                v[i] += harmonic(h) * std::sin(2 * kPi * h * i / kCycle);
            peak = std::max(peak, std::abs(v[i]));
        }
        for (uint32_t i = 0; i <= kCycle; ++i)
            bank->samples.push_back(int16_t(std::lround(v[i % kCycle] / peak * 24000)));
        return start;
    };
    const uint32_t sine = addCycle([](int h) { return h == 1 ? 1.0 : 0.0; });
    const uint32_t saw = addCycle([](int h) { return 1.0 / h; });
    const uint32_t square = addCycle([](int h) { return h % 2 ? 1.0 / h : 0.0; });
    // Drums: a falling low tone for the bass drums, noise for everything else.
    const uint32_t kick = uint32_t(bank->samples.size());
    constexpr uint32_t kDrumRate = 44100, kDrumFrames = 44100 * 3 / 10;
    double phase = 0;
    for (uint32_t i = 0; i < kDrumFrames; ++i) {
        const double t = double(i) / kDrumRate;
        phase += 2 * kPi * (50 + 100 * std::exp(-t * 30)) / kDrumRate;
        bank->samples.push_back(int16_t(std::lround(28000 * std::sin(phase) * std::exp(-t * 12))));
    }
    const uint32_t noise = uint32_t(bank->samples.size());
    std::minstd_rand rng(7);
    for (uint32_t i = 0; i < kDrumFrames; ++i) {
        const double t = double(i) / kDrumRate;
        bank->samples.push_back(int16_t(std::lround((int(rng() % 40001) - 20000) * std::exp(-t * 15))));
    }
    bank->samples.resize(bank->samples.size() + kGuardFrames, 0);

    auto seconds = [](double s) { return float(1200 * std::log2(s)); };
    auto melodic = [&](uint32_t wave, bool decays, double attack) {
        Region r;
        r.start = wave;
        r.end = wave + kCycle + 1;
        r.loopStart = wave;
        r.loopEnd = wave + kCycle;
        r.loop = LoopMode::Continuous;
        r.sampleRate = cycleRate;
        r.rootKey = 60;
        r.attenuationCb = 60;
        r.attackTc = seconds(attack);
        r.decayTc = seconds(decays ? 2.5 : 0.3);
        r.sustainCb = decays ? 1000 : 60;
        r.releaseTc = seconds(0.25);
        return r;
    };
    // General MIDI families of eight programs each: which wave, and whether the sound dies away.
    struct Family {
        uint32_t wave;
        bool decays;
        double attack;
    };
    const Family families[16] = {
        {saw, true, 0.002},     {sine, true, 0.002},  {square, false, 0.01}, {saw, true, 0.002},
        {sine, true, 0.005},    {saw, false, 0.08},   {saw, false, 0.1},     {saw, false, 0.03},
        {square, false, 0.03},  {sine, false, 0.04},  {square, false, 0.01}, {saw, false, 0.3},
        {sine, false, 0.2},     {saw, true, 0.002},   {sine, true, 0.001},   {square, true, 0.01},
    };
    for (int program = 0; program < 128; ++program) {
        const Family& f = families[program / 8];
        Preset p;
        p.name = "fallback";
        p.program = uint16_t(program);
        p.regions.push_back(melodic(f.wave, f.decays, f.attack));
        bank->presets.push_back(std::move(p));
    }
    Preset drums;
    drums.name = "fallback drums";
    drums.bank = 128;
    for (int k = 0; k < 2; ++k) {
        Region r;
        r.start = k == 0 ? kick : noise;
        r.end = r.start + kDrumFrames;
        r.sampleRate = kDrumRate;
        r.keyLo = k == 0 ? 35 : 0;
        r.keyHi = k == 0 ? 36 : 127;
        r.scaleTuning = 0; // drums sound at their own pitch whatever the key
        r.releaseTc = seconds(0.1);
        drums.regions.push_back(r);
        if (k == 0) continue;
        // The noise covers the keys either side of the bass drums.
        drums.regions.back().keyHi = 34;
        r.keyLo = 37;
        drums.regions.push_back(r);
    }
    bank->presets.push_back(std::move(drums));
    bank->index();
    return bank;
}

} // namespace audiolib
