// The instruments the synthesiser plays: 16-bit sample data and, per preset,
// the regions (key and velocity ranges) with every parameter already
// resolved, so that a note-on only picks regions and starts voices. Loaded
// from a SoundFont 2 file, or made in code as a small fallback set.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiolib/core/ByteSource.h"

namespace audiolib {

enum class LoopMode : uint8_t { None, Continuous, UntilRelease };

struct Region {
    uint8_t keyLo = 0, keyHi = 127, velLo = 0, velHi = 127;
    // Sample frames in SoundBank::samples, checked: start < end <= size, and
    // start <= loopStart < loopEnd <= end when the region loops.
    uint32_t start = 0, end = 0, loopStart = 0, loopEnd = 0;
    LoopMode loop = LoopMode::None;
    uint32_t sampleRate = 44100;
    int rootKey = 60;
    float tuneCents = 0;     // coarse and fine tune and the sample's correction
    float scaleTuning = 100; // cents per key
    float attenuationCb = 0;
    float pan = 0; // -500 (left) .. 500 (right), in 0.1 %
    // Volume envelope, in timecents (seconds = 2^(tc/1200)) as in the file.
    float delayTc = -12000, attackTc = -12000, holdTc = -12000, decayTc = -12000, releaseTc = -12000;
    float sustainCb = 0;
    float keyToHoldTc = 0, keyToDecayTc = 0; // per key away from 60
    float vibDelayTc = -12000, vibFreqCents = 0, vibToPitchCents = 0;
    int exclusiveClass = 0;
    int fixedKey = -1, fixedVelocity = -1;
};

struct Preset {
    std::string name;
    uint16_t bank = 0;
    uint16_t program = 0;
    std::vector<Region> regions;
};

class SoundBank {
  public:
    std::vector<int16_t> samples; // ends with zero guard frames
    std::vector<Preset> presets;
    bool fallback = false; // the built-in set, not a SoundFont

    // The preset for a bank and program (bank 128: drum kits), falling back
    // as General MIDI players do: the same program in bank 0 (or the
    // standard kit), then the first preset of the same kind. Null only when
    // the bank has no presets at all. Call index() once after filling presets.
    const Preset* find(int bank, int program) const noexcept;
    void index();

  private:
    std::array<int16_t, 129 * 128> lookup_{};
};

enum class SoundFontResult { Ok, NotSoundFont, Corrupt, TooLarge };

// SoundFonts larger than this are not loaded (the fallback plays instead).
constexpr uint64_t kSoundFontMaxBytes = uint64_t(1) << 30;

// Reads a SoundFont 2 ("sfbk") file. Regions that point outside the sample
// data or at empty samples are dropped; loops outside their sample play
// unlooped. Ok needs at least one playable preset.
SoundFontResult loadSoundFont(ByteSource& src, SoundBank& out);

// A few synthesised waveforms and a noise drum, for when no SoundFont can be
// read: General MIDI programs map to the nearest kind of sound.
std::shared_ptr<const SoundBank> makeFallbackBank();

} // namespace audiolib
