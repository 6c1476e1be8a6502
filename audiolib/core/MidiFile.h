// Standard MIDI Files (formats 0, 1 and 2, plain or in a RIFF "RMID"
// wrapper) read into one list of channel events stamped with the output
// frame at which they sound. Files written by other programs are not
// trusted: a track that claims more bytes than the file holds is cut at the
// end of the file, a missing end-of-track is tolerated, and a track that
// turns into garbage plays up to that point. Time and size are bounded, so a
// hostile file costs at most kMaxEvents events and kMaxSeconds of audio.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audiolib/core/ByteSource.h"

namespace audiolib {

struct MidiEvent {
    uint32_t frame;  // output frame at which the event takes effect
    uint8_t status;  // 0x80..0xEF: a channel message
    uint8_t data1;
    uint8_t data2;
    uint8_t unused = 0;
};

struct MidiSong {
    std::vector<MidiEvent> events; // in playing order
    uint32_t endFrame = 0;         // where the last track ends (end-of-track included)
};

enum class MidiResult { Ok, NotMidi, Corrupt };

// Longest song played, and most events kept: a jingle needs far less, and a
// file beyond these plays its beginning.
constexpr double kMidiMaxSeconds = 3600.0;
constexpr size_t kMidiMaxEvents = size_t(1) << 22;
// Larger files are refused rather than read into memory.
constexpr uint64_t kMidiMaxFileBytes = uint64_t(32) << 20;

// True when the first bytes start an SMF ("MThd") or a RIFF "RMID" file.
bool looksLikeMidi(const uint8_t* head, size_t n) noexcept;

// Reads the whole file; times are converted with the tempo map to frames of
// `sampleRate`.
MidiResult parseMidi(ByteSource& src, uint32_t sampleRate, MidiSong& out);

} // namespace audiolib
