// Plays a MidiSong through a Synth: events at their frames, every note
// released when the song ends, then the release tails until the last voice
// has died away. The rendered audio is the stream: its length is known
// exactly once rendering has reached the end, and estimated before.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audiolib/core/MidiFile.h"
#include "audiolib/core/Synth.h"

namespace audiolib {

class MidiPlayer {
  public:
    // The longest release tail rendered after the song's end.
    static constexpr double kMaxTailSeconds = 10.0;
    // Added to the song's end while the real tail is not known yet.
    static constexpr double kTailEstimateSeconds = 1.0;

    MidiPlayer(MidiSong song, std::shared_ptr<const SoundBank> bank, uint32_t rate);

    uint32_t rate() const noexcept { return synth_.rate(); }
    uint64_t lengthFrames() const noexcept { return length_; }
    // Renders up to `frames` of interleaved stereo float (overwriting out);
    // returns how many, 0 at the end.
    size_t render(float* out, size_t frames);
    // Renders 16-bit stereo, peaks above -1 dB bent smoothly under full scale.
    size_t render(int16_t* out, size_t frames);
    // Continues from `frame`: controllers, programs and bends up to there take
    // effect; notes begin at the next note-on.
    void seek(uint64_t frame);

  private:
    static constexpr size_t kScratchFrames = 1024;
    void applyUntil(uint64_t frame, bool notes);
    // Renders the next piece (at most one synthesiser block) into block_;
    // false at the end.
    bool renderSegment();

    MidiSong song_;
    Synth synth_;
    size_t next_ = 0;     // the next event to apply
    uint64_t frame_ = 0;  // frames rendered (up to a block ahead of those handed out)
    bool released_ = false;
    bool ended_ = false;
    uint64_t length_;
    std::vector<float> scratch_;
    std::vector<float> block_; // the piece rendered last, handed out from blockPos_
    size_t blockPos_ = 0, blockLen_ = 0;
};

} // namespace audiolib
