#include "audiolib/core/MidiFile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "audiolib/core/MidiTestBytes.h"

using namespace audiolib;
using namespace audiolib::test;

namespace {

constexpr uint32_t kRate = 44100;

MidiResult parse(const Bytes& b, MidiSong& song) {
    MemorySource src(b.data(), b.size());
    return parseMidi(src, kRate, song);
}

// Note on at 0, off one quarter later (96 ticks), at the default 120 bpm.
Bytes oneNote() {
    return TrackBytes{}.ev(0, {0x90, 60, 100}).ev(96, {0x80, 60, 0}).end().b;
}

} // namespace

TEST(MidiFile, FormatZeroAtTheDefaultTempo) {
    MidiSong song;
    ASSERT_EQ(parse(smf(0, 96, {oneNote()}), song), MidiResult::Ok);
    ASSERT_EQ(song.events.size(), 2u);
    EXPECT_EQ(song.events[0].frame, 0u);
    EXPECT_EQ(song.events[0].status, 0x90);
    EXPECT_EQ(song.events[1].frame, kRate / 2);
    EXPECT_EQ(song.endFrame, kRate / 2);
}

TEST(MidiFile, TempoMapRunningStatusAndSkippedEvents) {
    // Quarter = 0.25 s from tick 96 on; running status carries the note-ons;
    // SysEx, text and aftertouch take their bytes and nothing else.
    Bytes t = TrackBytes{}
                  .ev(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})
                  .ev(0, {0xFF, 0x01, 0x02, 'h', 'i'})
                  .ev(0, {0x90, 60, 100})
                  .ev(96, {62, 100})
                  .tempo(0, 250000)
                  .ev(96, {64, 100})
                  .ev(0, {0xA0, 64, 10})
                  .ev(0, {0xD0, 5})
                  .ev(48, {0xC0, 5})
                  .end(48)
                  .b;
    MidiSong song;
    ASSERT_EQ(parse(smf(0, 96, {t}), song), MidiResult::Ok);
    ASSERT_EQ(song.events.size(), 4u);
    EXPECT_EQ(song.events[1].data1, 62);
    EXPECT_EQ(song.events[1].frame, kRate / 2);
    EXPECT_EQ(song.events[2].frame, kRate * 3 / 4);
    EXPECT_EQ(song.events[3].status, 0xC0);
    EXPECT_EQ(song.events[3].frame, uint32_t(std::lround(kRate * 0.875)));
    EXPECT_EQ(song.endFrame, kRate);
}

TEST(MidiFile, FormatOneMergesTracksUnderOneTempoMap) {
    Bytes conductor = TrackBytes{}.tempo(0, 1000000).end(192).b; // 60 bpm
    Bytes a = TrackBytes{}.ev(96, {0x91, 60, 100}).end().b;
    Bytes b = TrackBytes{}.ev(48, {0x92, 64, 100}).ev(48, {0x92, 65, 100}).end().b;
    MidiSong song;
    ASSERT_EQ(parse(smf(1, 96, {conductor, a, b}), song), MidiResult::Ok);
    ASSERT_EQ(song.events.size(), 3u);
    EXPECT_EQ(song.events[0].frame, kRate / 2);
    // At the same tick the earlier track comes first.
    EXPECT_EQ(song.events[1].status, 0x91);
    EXPECT_EQ(song.events[2].data1, 65);
    EXPECT_EQ(song.events[2].frame, kRate);
    EXPECT_EQ(song.endFrame, 2 * kRate);
}

TEST(MidiFile, FormatTwoPlaysItsTracksOneAfterAnother) {
    MidiSong song;
    ASSERT_EQ(parse(smf(2, 96, {oneNote(), oneNote()}), song), MidiResult::Ok);
    ASSERT_EQ(song.events.size(), 4u);
    EXPECT_EQ(song.events[2].frame, kRate / 2);
    EXPECT_EQ(song.endFrame, kRate);
}

TEST(MidiFile, SmpteDivisionAndRmidWrapper) {
    // 25 frames per second, 40 ticks per frame: 1000 ticks a second; tempo events do not apply.
    Bytes t = TrackBytes{}.tempo(0, 100000).ev(500, {0x90, 60, 1}).end().b;
    const Bytes file = smf(0, uint16_t((uint8_t(-25) << 8) | 40), {t});
    for (const Bytes& b : {file, rmid(file)}) {
        MidiSong song;
        ASSERT_EQ(parse(b, song), MidiResult::Ok);
        ASSERT_EQ(song.events.size(), 1u);
        EXPECT_EQ(song.events[0].frame, kRate / 2);
    }
}

struct BadCase {
    const char* name;
    Bytes bytes;
    MidiResult result;
    size_t events; // when Ok
};

TEST(MidiFile, DamagedAndHostileFiles) {
    const Bytes good = smf(0, 96, {oneNote()});
    Bytes pastEnd = good;
    pastEnd[21] = 0x70; // the track claims far more bytes than the file holds
    Bytes noEnd = smf(0, 96, {TrackBytes{}.ev(0, {0x90, 60, 100}).ev(96, {0x80, 60, 0}).b});
    Bytes longVarLen = smf(0, 96, {TrackBytes{}.ev(0, {0x90, 60, 100}).ev(0, {0xFF, 0xFF, 0xFF, 0xFF, 0x7F}).b});
    Bytes hugeDelta = smf(0, 96, {TrackBytes{}.ev(0, {0x90, 60, 100}).ev(0x0FFFFFFF, {0x80, 60, 0}).end().b});
    Bytes tempoZero = smf(0, 96, {TrackBytes{}.ev(0, {0xFF, 0x51, 0x03, 0, 0, 0}).ev(96, {0x90, 60, 1}).end().b});
    Bytes dataFirst = smf(0, 96, {TrackBytes{}.ev(0, {60, 100}).b});
    Bytes rmidNoData = rmid(good);
    std::memcpy(&rmidNoData[12], "junk", 4);
    const std::vector<BadCase> cases = {
        {"truncated header", Bytes(good.begin(), good.begin() + 10), MidiResult::Corrupt, 0},
        {"header only", Bytes(good.begin(), good.begin() + 14), MidiResult::Corrupt, 0},
        {"zero tracks", smf(0, 96, {}), MidiResult::Corrupt, 0},
        {"division zero", smf(0, 0, {oneNote()}), MidiResult::Corrupt, 0},
        {"SMPTE zero ticks", smf(0, 0xE700, {oneNote()}), MidiResult::Corrupt, 0},
        {"track past the end", pastEnd, MidiResult::Ok, 2},
        {"track cut mid-event", Bytes(good.begin(), good.end() - 5), MidiResult::Ok, 1},
        {"missing end of track", noEnd, MidiResult::Ok, 2},
        {"variable length over four bytes", longVarLen, MidiResult::Ok, 1},
        {"delta 0x0FFFFFFF", hugeDelta, MidiResult::Ok, 1},
        {"tempo zero ignored", tempoZero, MidiResult::Ok, 1},
        {"data byte without status", dataFirst, MidiResult::Ok, 0},
        {"RMID without data chunk", rmidNoData, MidiResult::Corrupt, 0},
        {"not MIDI", Bytes(100, 0x55), MidiResult::NotMidi, 0},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        MidiSong song;
        ASSERT_EQ(parse(c.bytes, song), c.result);
        EXPECT_EQ(song.events.size(), c.events);
        EXPECT_LE(song.endFrame, uint64_t(kMidiMaxSeconds * kRate));
    }
    MidiSong song;
    ASSERT_EQ(parse(tempoZero, song), MidiResult::Ok);
    EXPECT_EQ(song.events[0].frame, kRate / 2);
    ASSERT_EQ(parse(hugeDelta, song), MidiResult::Ok);
    EXPECT_EQ(song.endFrame, uint32_t(kMidiMaxSeconds * kRate));
}

TEST(MidiFile, EventBudgetBoundsAFloodOfNotes) {
    TrackBytes t;
    const size_t notes = kMidiMaxEvents / 2 + 1000;
    t.ev(0, {0x90, 60, 100});
    for (size_t i = 1; i < notes; ++i)
        t.ev(0, {60, 100});
    TrackBytes more = t;
    for (size_t i = 0; i < kMidiMaxEvents; ++i)
        more.ev(0, {61, 100});
    MidiSong song;
    ASSERT_EQ(parse(smf(0, 96, {t.end().b}), song), MidiResult::Ok);
    EXPECT_EQ(song.events.size(), notes);
    ASSERT_EQ(parse(smf(0, 96, {more.b}), song), MidiResult::Ok);
    EXPECT_EQ(song.events.size(), kMidiMaxEvents);
}
