#include "audiolib/core/Synth.h"

#include <algorithm>
#include <cmath>

namespace audiolib {
namespace {

// The shortest release: anything quicker clicks.
constexpr float kMinReleaseSeconds = 0.01f;
// How fast a voice dies when it is cut (exclusive class, all sound off).
constexpr float kCutSeconds = 0.005f;
constexpr float kPi = 3.14159265f;
// SoundFonts are voiced on EMU sound cards, which apply 40 % of the
// attenuation written in the file; so do we, or every font sounds too quiet
// and its instruments out of balance.
constexpr float kAttenuationScale = 0.4f;

// 2^x for the gains computed every block: a few multiplications instead of
// a library call, within 1e-5 of the exact value, which no ear can tell.
float fastExp2(float x) {
    x = std::max(x, -126.0f);
    const float whole = std::floor(x);
    const float f = x - whole;
    const float p = 1.0f + f * (0.693147f + f * (0.240227f + f * (0.0555041f + f * (0.00961813f + f * 0.00133336f))));
    return std::ldexp(p, int(whole));
}

float timecents(float tc) {
    return std::exp2(tc / 1200.0f);
}

// Centibels of attenuation to amplitude.
float cbToGain(float cb) {
    return std::exp2(cb * (-3.32192809f / 200.0f));
}

float squared(int value) {
    const float x = float(value) / 127.0f;
    return x * x;
}

float triangle(float phase) {
    return phase < 0.25f ? 4 * phase : phase < 0.75f ? 2 - 4 * phase : 4 * phase - 4;
}

} // namespace

Synth::Synth(std::shared_ptr<const SoundBank> bank, uint32_t rate) : bank_(std::move(bank)), rate_(rate) {
    reset();
}

void Synth::reset() {
    for (int ch = 0; ch < kChannels; ++ch) {
        channels_[size_t(ch)] = Channel{};
        selectPreset(channels_[size_t(ch)], ch);
    }
    for (Voice& v : voices_)
        v.on = false;
    clock_ = 0;
}

void Synth::selectPreset(Channel& c, int ch) {
    // Channel 10 is the drum channel of General MIDI.
    c.preset = bank_->find(ch == 9 ? 128 : c.bankMsb, c.program);
}

int Synth::activeVoices() const noexcept {
    int n = 0;
    for (const Voice& v : voices_)
        n += v.on;
    return n;
}

void Synth::event(uint8_t status, uint8_t data1, uint8_t data2) {
    const int ch = status & 0x0F;
    Channel& c = channels_[size_t(ch)];
    switch (status & 0xF0) {
    case 0x80:
        noteOff(ch, data1);
        break;
    case 0x90:
        if (data2 == 0) {
            noteOff(ch, data1);
        } else {
            noteOn(ch, data1, data2);
        }
        break;
    case 0xB0:
        controller(ch, data1, data2);
        break;
    case 0xC0:
        c.program = data1 & 0x7F;
        selectPreset(c, ch);
        break;
    case 0xE0:
        c.bend = (data1 & 0x7F) | (data2 & 0x7F) << 7;
        break;
    default:
        break;
    }
}

void Synth::controller(int ch, int cc, int value) {
    Channel& c = channels_[size_t(ch)];
    const bool rpnBendRange = c.rpnMsb == 0 && c.rpnLsb == 0;
    switch (cc) {
    case 0:
        c.bankMsb = uint8_t(value);
        break;
    case 1:
        c.modWheel = uint8_t(value);
        break;
    case 6:
        if (rpnBendRange) c.bendRangeCents = float(value * 100);
        break;
    case 38:
        if (rpnBendRange) c.bendRangeCents = std::floor(c.bendRangeCents / 100) * 100 + float(value);
        break;
    case 7:
        c.volume = uint8_t(value);
        break;
    case 10:
        c.pan = uint8_t(value);
        break;
    case 11:
        c.expression = uint8_t(value);
        break;
    case 64:
        c.sustain = value >= 64;
        if (!c.sustain)
            for (Voice& v : voices_)
                if (v.on && v.channel == ch && v.sustained) release(v);
        break;
    case 98:
    case 99:
        c.rpnMsb = c.rpnLsb = 127; // an NRPN follows: data entry is not ours
        break;
    case 100:
        c.rpnLsb = uint8_t(value);
        break;
    case 101:
        c.rpnMsb = uint8_t(value);
        break;
    case 120:
        for (Voice& v : voices_)
            if (v.on && v.channel == ch) cut(v);
        break;
    case 121:
        c.modWheel = 0;
        c.expression = 127;
        c.bend = 8192;
        c.rpnMsb = c.rpnLsb = 127;
        controller(ch, 64, 0);
        break;
    case 123:
    case 124:
    case 125:
    case 126:
    case 127:
        for (Voice& v : voices_)
            if (v.on && v.channel == ch && !v.released) {
                if (c.sustain) {
                    v.sustained = true;
                } else {
                    release(v);
                }
            }
        break;
    default:
        break;
    }
}

void Synth::noteOff(int ch, int key) {
    const bool pedal = channels_[size_t(ch)].sustain;
    for (Voice& v : voices_) {
        if (!v.on || v.channel != ch || v.key != key || v.released || v.sustained) continue;
        if (pedal) {
            v.sustained = true;
        } else {
            release(v);
        }
    }
}

void Synth::releaseAll() {
    for (int ch = 0; ch < kChannels; ++ch)
        channels_[size_t(ch)].sustain = false;
    for (Voice& v : voices_)
        if (v.on) release(v);
}

void Synth::release(Voice& v) {
    v.sustained = false;
    if (v.released) return;
    v.released = true;
    if (v.region->loop == LoopMode::UntilRelease) v.looping = false;
    const Region& r = *v.region;
    v.releaseStep = 1.0f / std::max(kMinReleaseSeconds, timecents(r.releaseTc)) / float(rate_);
    if (v.stage == Stage::Delay) {
        v.stage = Stage::Done;
        return;
    }
    if (v.stage == Stage::Attack) {
        // Carry on from the same loudness on the release's decibel scale.
        v.env = v.env > 0 ? std::max(0.0f, 1.0f + std::log10(v.env) / 4.8f) : 0.0f;
    }
    v.stage = Stage::Release;
}

void Synth::cut(Voice& v) {
    release(v);
    v.releaseStep = std::max(v.releaseStep, 1.0f / (kCutSeconds * float(rate_)));
}

Synth::Voice& Synth::freeVoice() {
    Voice* quietest = &voices_[0];
    float lowest = 1e30f;
    for (Voice& v : voices_) {
        if (!v.on) return v;
        // A voice still in its delay or attack is judged by the level it is heading for.
        const bool rising = v.stage == Stage::Delay || v.stage == Stage::Attack;
        const float level = (rising ? 1.0f : amplitude(v)) * v.baseGain;
        if (level < lowest) {
            lowest = level;
            quietest = &v;
        }
    }
    return *quietest;
}

void Synth::noteOn(int ch, int key, int velocity) {
    const Preset* p = channels_[size_t(ch)].preset;
    if (!p) return;
    Voice* started[kMaxVoices];
    int count = 0;
    for (const Region& r : p->regions) {
        if (key < r.keyLo || key > r.keyHi || velocity < r.velLo || velocity > r.velHi) continue;
        if (r.exclusiveClass != 0) {
            // A closed hi-hat silences the open one, and the like.
            for (Voice& v : voices_) {
                if (!v.on || v.channel != ch || v.region->exclusiveClass != r.exclusiveClass) continue;
                if (std::find(started, started + count, &v) != started + count) continue;
                cut(v);
            }
        }
        Voice& v = freeVoice();
        startVoice(v, r, ch, key, velocity);
        if (count < kMaxVoices) started[count++] = &v;
    }
}

void Synth::startVoice(Voice& v, const Region& r, int ch, int key, int velocity) {
    v = Voice{};
    v.on = true;
    v.region = &r;
    v.channel = uint8_t(ch);
    v.key = uint8_t(key);
    const int k = r.fixedKey >= 0 ? r.fixedKey : key;
    const int vel = r.fixedVelocity >= 0 ? r.fixedVelocity : velocity;
    v.phase = uint64_t(r.start) << 32;
    v.looping = r.loop != LoopMode::None;
    v.pitchCents = float(k - r.rootKey) * r.scaleTuning + r.tuneCents;
    v.baseGain = cbToGain(r.attenuationCb * kAttenuationScale) * squared(vel);
    const float rate = float(rate_);
    v.stage = Stage::Delay;
    v.stageLeft = uint32_t(timecents(r.delayTc) * rate);
    v.attackStep = 1.0f / std::max(1.0f, timecents(r.attackTc) * rate);
    v.decayStep = 1.0f / std::max(1.0f, timecents(r.decayTc + r.keyToDecayTc * float(60 - k)) * rate);
    v.sustainLevel = std::clamp(1.0f - r.sustainCb / 1000.0f, 0.0f, 1.0f);
    v.vibStep = 8.176f * timecents(r.vibFreqCents) / rate;
    v.vibDelay = uint32_t(timecents(r.vibDelayTc) * rate);
    v.vibDepth = r.vibToPitchCents;
}

float Synth::amplitude(const Voice& v) const noexcept {
    switch (v.stage) {
    case Stage::Delay:
    case Stage::Done:
        return 0.0f;
    case Stage::Attack:
        return v.env;
    default:
        // The envelope spans 96 dB after the attack.
        return v.env <= 0 ? 0.0f : fastExp2((1.0f - v.env) * (-4.8f * 3.32192809f));
    }
}

void Synth::advanceEnvelope(Voice& v, uint32_t n) const noexcept {
    while (n > 0) {
        switch (v.stage) {
        case Stage::Delay:
        case Stage::Hold: {
            const uint32_t take = std::min(n, v.stageLeft);
            v.stageLeft -= take;
            n -= take;
            if (v.stageLeft == 0) {
                if (v.stage == Stage::Delay) {
                    v.stage = Stage::Attack;
                } else {
                    v.stage = Stage::Decay;
                }
            }
            break;
        }
        case Stage::Attack: {
            const uint32_t need = uint32_t(std::ceil((1.0f - v.env) / v.attackStep));
            const uint32_t take = std::min(n, std::max(need, 1u));
            v.env += float(take) * v.attackStep;
            n -= take;
            if (v.env >= 1.0f) {
                v.env = 1.0f;
                v.stage = Stage::Hold;
                const Region& r = *v.region;
                const int k = r.fixedKey >= 0 ? r.fixedKey : v.key;
                v.stageLeft = uint32_t(timecents(r.holdTc + r.keyToHoldTc * float(60 - k)) * float(rate_));
            }
            break;
        }
        case Stage::Decay: {
            const uint32_t need = uint32_t(std::ceil((v.env - v.sustainLevel) / v.decayStep));
            const uint32_t take = std::min(n, std::max(need, 1u));
            v.env -= float(take) * v.decayStep;
            n -= take;
            if (v.env <= v.sustainLevel) {
                v.env = v.sustainLevel;
                // A sound that decays to nothing ends without waiting for its note-off.
                v.stage = v.sustainLevel <= 0 ? Stage::Done : Stage::Sustain;
            }
            break;
        }
        case Stage::Release:
            v.env -= float(n) * v.releaseStep;
            n = 0;
            if (v.env <= 0) {
                v.env = 0;
                v.stage = Stage::Done;
            }
            break;
        case Stage::Sustain:
        case Stage::Done:
            n = 0;
            break;
        }
    }
}

void Synth::renderVoice(Voice& v, float* out, uint32_t frames) {
    const Channel& c = channels_[v.channel];
    const Region& r = *v.region;

    // Pitch for this block: key and tuning, bend, vibrato.
    float cents = v.pitchCents + float(c.bend - 8192) / 8192.0f * c.bendRangeCents;
    if (v.vibDelay > 0) {
        v.vibDelay -= std::min(v.vibDelay, frames);
    } else {
        const float depth = v.vibDepth + float(c.modWheel) / 127.0f * 50.0f;
        if (depth != 0) cents += depth * triangle(v.vibPhase);
        v.vibPhase += v.vibStep * float(frames);
        v.vibPhase -= std::floor(v.vibPhase);
    }
    cents = std::clamp(cents, -12000.0f, 12000.0f);
    // Pitch and pan change rarely: their library calls run only when they do.
    if (cents != v.stepCents || v.step == 0) {
        const double ratio = std::exp2(double(cents) / 1200.0) * r.sampleRate / rate_;
        v.step = std::max<uint64_t>(1, uint64_t(ratio * 4294967296.0));
        v.stepCents = cents;
    }
    const uint64_t step = v.step;
    if (c.pan != v.panFrom) {
        const float pan = std::clamp(r.pan + float(int(c.pan) - 64) * (500.0f / 64.0f), -500.0f, 500.0f);
        const float angle = (pan + 500.0f) / 1000.0f * (kPi / 2);
        v.panL = std::cos(angle);
        v.panR = std::sin(angle);
        v.panFrom = c.pan;
    }

    advanceEnvelope(v, frames);
    const float gain = amplitude(v) * v.baseGain * squared(c.volume) * squared(c.expression) * kMasterGain *
                       (1.0f / 32768.0f);
    const float targetL = gain * v.panL, targetR = gain * v.panR;
    const float gl = v.gainL, gr = v.gainR;
    const float dl = (targetL - gl) / float(frames), dr = (targetR - gr) / float(frames);

    const int16_t* s = bank_->samples.data();
    uint64_t phase = v.phase;
    uint32_t done = 0;
    bool ended = false;
    while (done < frames) {
        // Frames until the loop end (or the sample's last frame) is reached.
        const uint64_t limit = uint64_t(v.looping ? r.loopEnd : r.end - 1) << 32;
        if (phase >= limit) {
            if (!v.looping) {
                ended = true;
                break;
            }
            const uint64_t len = uint64_t(r.loopEnd - r.loopStart) << 32;
            phase = (uint64_t(r.loopStart) << 32) + (phase - (uint64_t(r.loopStart) << 32)) % len;
            continue;
        }
        const uint64_t until = (limit - phase + step - 1) / step;
        const uint32_t n = uint32_t(std::min<uint64_t>(until, frames - done));
        // Interpolate first, then mix: the second loop has no gathers and
        // runs four frames at a time.
        float mono[kBlockFrames];
        for (uint32_t i = 0; i < n; ++i) {
            const int16_t* p = s + (phase >> 32);
            const float frac = float(uint32_t(phase)) * (1.0f / 4294967296.0f);
            const float a = p[0];
            mono[i] = a + (float(p[1]) - a) * frac;
            phase += step;
        }
        float* o = out + size_t(done) * 2;
        const float l0 = gl + dl * float(done), r0 = gr + dr * float(done);
        for (uint32_t i = 0; i < n; ++i) {
            const float t = float(i);
            o[2 * i] += mono[i] * (l0 + dl * t);
            o[2 * i + 1] += mono[i] * (r0 + dr * t);
        }
        done += n;
    }
    v.phase = phase;
    v.gainL = targetL;
    v.gainR = targetR;
    if (ended || v.stage == Stage::Done) v.on = false;
}

void Synth::render(float* out, size_t frames) {
    while (frames > 0) {
        // Blocks keep to the synthesiser's own clock, so that the audio does
        // not depend on how the caller cuts its requests.
        const uint32_t n = uint32_t(std::min<uint64_t>(frames, kBlockFrames - clock_ % kBlockFrames));
        for (Voice& v : voices_)
            if (v.on) renderVoice(v, out, n);
        out += size_t(n) * 2;
        frames -= n;
        clock_ += n;
    }
}

} // namespace audiolib
