// A General MIDI wavetable synthesiser over a SoundBank: 16 channels, a
// fixed pool of voices (the quietest is taken when all are busy), sample
// playback with linear interpolation and loops, the SoundFont volume
// envelope, pan, attenuation, tuning, pitch bend with its RPN range,
// vibrato from the modulation wheel, and the controllers a General MIDI file
// uses. Renders stereo float at one output rate. Not thread safe: one
// player owns it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audiolib/core/SoundBank.h"

namespace audiolib {

class Synth {
  public:
    static constexpr int kMaxVoices = 64;
    // Envelope, gains and pitch are recomputed once per block; gains ramp
    // linearly inside it so that nothing steps audibly.
    static constexpr uint32_t kBlockFrames = 128;
    static constexpr int kChannels = 16;
    // Overall level: a single note of a General MIDI font peaks some 15 dB
    // below full scale, so that a full arrangement still fits (the player
    // limits what does not).
    static constexpr float kMasterGain = 1.0f;

    Synth(std::shared_ptr<const SoundBank> bank, uint32_t rate);

    // Every channel back to its power-on state; every voice silenced.
    void reset();
    // One channel message (status 0x80..0xEF).
    void event(uint8_t status, uint8_t data1, uint8_t data2);
    // Releases every note, held by a key or by the sustain pedal.
    void releaseAll();
    // Adds `frames` of interleaved stereo to out.
    void render(float* out, size_t frames);
    int activeVoices() const noexcept;
    // Frames to the end of the current block: voices end only at block ends.
    uint32_t framesToBlockEnd() const noexcept { return uint32_t(kBlockFrames - clock_ % kBlockFrames); }
    uint32_t rate() const noexcept { return rate_; }

  private:
    enum class Stage : uint8_t { Delay, Attack, Hold, Decay, Sustain, Release, Done };

    struct Channel {
        const Preset* preset = nullptr;
        uint8_t program = 0, bankMsb = 0;
        uint8_t volume = 100, expression = 127, pan = 64, modWheel = 0;
        bool sustain = false;
        int bend = 8192;
        uint8_t rpnMsb = 127, rpnLsb = 127;
        float bendRangeCents = 200;
    };

    struct Voice {
        bool on = false;
        const Region* region = nullptr;
        uint8_t channel = 0, key = 0;
        bool released = false, sustained = false, looping = false;
        uint64_t phase = 0; // sample frame << 32
        Stage stage = Stage::Done;
        float env = 0;          // 0..1: linear amplitude in the attack, 96 dB range after it
        uint32_t stageLeft = 0; // frames left of the delay or hold
        float attackStep = 0, decayStep = 0, releaseStep = 0, sustainLevel = 0;
        float baseGain = 0;   // attenuation and velocity
        float pitchCents = 0; // without bend and vibrato
        float vibPhase = 0, vibStep = 0, vibDepth = 0;
        uint32_t vibDelay = 0;
        float gainL = 0, gainR = 0; // reached at the end of the last block
        uint64_t step = 0;          // phase increment, for stepCents
        float stepCents = 0;
        float panL = 0, panR = 0; // for the channel pan panFrom
        int panFrom = -1;
    };

    void noteOn(int ch, int key, int velocity);
    void noteOff(int ch, int key);
    void controller(int ch, int cc, int value);
    void release(Voice& v);
    // Releases within a few milliseconds, whatever the sound's own release.
    void cut(Voice& v);
    void startVoice(Voice& v, const Region& r, int ch, int key, int velocity);
    Voice& freeVoice();
    float amplitude(const Voice& v) const noexcept;
    void advanceEnvelope(Voice& v, uint32_t frames) const noexcept;
    void renderVoice(Voice& v, float* out, uint32_t frames);
    void selectPreset(Channel& c, int ch);

    std::shared_ptr<const SoundBank> bank_;
    uint32_t rate_;
    std::array<Channel, kChannels> channels_{};
    std::array<Voice, kMaxVoices> voices_{};
    uint64_t clock_ = 0; // frames rendered since the reset
};

} // namespace audiolib
