#include "audiolib/core/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <queue>

namespace audiolib {
namespace {

constexpr uint32_t kDefaultTempo = 500000; // microseconds per quarter note: 120 bpm

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint16_t be16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One event of one track before the tracks are merged.
struct TrackEvent {
    uint64_t tick;
    uint32_t tempo; // for kTempo
    uint8_t status; // a channel status, or kTempo
    uint8_t data1;
    uint8_t data2;
};
constexpr uint8_t kTempo = 0xFF;

struct Track {
    std::vector<TrackEvent> events;
    uint64_t endTick = 0;
};

// Reads a track's bytes; stops at end-of-track, at the end of the bytes, or
// at the first thing that makes no sense. Returns false once the event budget
// is spent.
class TrackReader {
  public:
    TrackReader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}

    bool read(Track& t, uint64_t startTick, size_t& budget) {
        uint64_t tick = startTick;
        uint8_t running = 0;
        t.endTick = startTick;
        while (p_ < end_) {
            uint32_t delta;
            if (!varLen(delta)) break;
            tick += delta;
            t.endTick = tick;
            if (p_ >= end_) break;
            uint8_t status = *p_;
            if (status & 0x80) {
                ++p_;
            } else if (running) {
                status = running; // running status: this byte is data
            } else {
                break;
            }
            if (status < 0xF0) {
                running = status;
                const int len = (status & 0xE0) == 0xC0 ? 1 : 2;
                if (end_ - p_ < len) break;
                const uint8_t d1 = p_[0] & 0x7F;
                const uint8_t d2 = len == 2 ? p_[1] & 0x7F : 0;
                p_ += len;
                const uint8_t kind = status & 0xF0;
                if (kind == 0xA0 || kind == 0xD0) continue; // aftertouch: not played
                if (budget == 0) return false;
                --budget;
                t.events.push_back({tick, 0, status, d1, d2});
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t len;
                if (!varLen(len) || uint64_t(end_ - p_) < len) break;
                p_ += len;
            } else if (status == 0xFF) {
                if (p_ >= end_) break;
                const uint8_t type = *p_++;
                uint32_t len;
                if (!varLen(len) || uint64_t(end_ - p_) < len) break;
                if (type == 0x2F) return true;
                if (type == 0x51 && len == 3) {
                    const uint32_t tempo = uint32_t(p_[0]) << 16 | uint32_t(p_[1]) << 8 | p_[2];
                    // A tempo of 0 would put everything after it at one instant; it is ignored.
                    if (tempo > 0) {
                        if (budget == 0) return false;
                        --budget;
                        t.events.push_back({tick, tempo, kTempo, 0, 0});
                    }
                }
                p_ += len;
            } else {
                break; // system common and real-time bytes do not belong in a file
            }
        }
        return true;
    }

  private:
    // At most four bytes, as the file format allows: no number can grow without end.
    bool varLen(uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            if (p_ >= end_) return false;
            const uint8_t b = *p_++;
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }

    const uint8_t* p_;
    const uint8_t* end_;
};

// The SMF inside a RIFF "RMID" file: its "data" chunk, cut at the file's end.
bool findRmidData(const std::vector<uint8_t>& b, size_t& offset, size_t& length) {
    size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const uint32_t size = le32(&b[pos + 4]);
        const size_t body = pos + 8;
        if (std::memcmp(&b[pos], "data", 4) == 0) {
            offset = body;
            length = std::min<size_t>(size, b.size() - body);
            return true;
        }
        pos = body + size_t(std::min<uint64_t>(uint64_t(size) + (size & 1), b.size()));
    }
    return false;
}

} // namespace

bool looksLikeMidi(const uint8_t* head, size_t n) noexcept {
    if (n >= 4 && std::memcmp(head, "MThd", 4) == 0) return true;
    return n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0;
}

MidiResult parseMidi(ByteSource& src, uint32_t sampleRate, MidiSong& out) {
    out = MidiSong{};
    if (src.size() < 14 || src.size() > kMidiMaxFileBytes || sampleRate == 0) {
        uint8_t head[12] = {};
        const size_t n = src.readAt(0, head, sizeof(head));
        return looksLikeMidi(head, n) ? MidiResult::Corrupt : MidiResult::NotMidi;
    }
    std::vector<uint8_t> file(size_t(src.size()));
    file.resize(src.readAt(0, file.data(), file.size()));
    if (!looksLikeMidi(file.data(), file.size())) return MidiResult::NotMidi;

    size_t base = 0;
    size_t length = file.size();
    if (std::memcmp(file.data(), "RIFF", 4) == 0 && !findRmidData(file, base, length)) return MidiResult::Corrupt;
    const uint8_t* smf = file.data() + base;
    if (length < 14 || std::memcmp(smf, "MThd", 4) != 0) return MidiResult::Corrupt;
    const uint32_t headerLen = be32(smf + 4);
    if (headerLen < 6 || headerLen > length - 8) return MidiResult::Corrupt;
    const uint16_t format = be16(smf + 8);
    const uint16_t division = be16(smf + 12);
    if (division == 0) return MidiResult::Corrupt;

    // Seconds per tick: from the tempo with ticks per quarter note, fixed with SMPTE time.
    double smpteTick = 0;
    if (division & 0x8000) {
        const int fps = -int(int8_t(division >> 8));
        const int perFrame = division & 0xFF;
        if (fps <= 0 || perFrame == 0) return MidiResult::Corrupt;
        smpteTick = 1.0 / ((fps == 29 ? 29.97 : double(fps)) * perFrame);
    }

    std::vector<Track> tracks;
    size_t budget = kMidiMaxEvents;
    size_t pos = 8 + size_t(headerLen);
    uint64_t formatTwoStart = 0;
    while (pos + 8 <= length && budget > 0) {
        const uint32_t size = be32(smf + pos + 4);
        const size_t body = pos + 8;
        const size_t avail = std::min<size_t>(size, length - body);
        if (std::memcmp(smf + pos, "MTrk", 4) == 0) {
            Track t;
            TrackReader r(smf + body, avail);
            r.read(t, format == 2 ? formatTwoStart : 0, budget);
            // Format 2 holds independent sequences: they play one after another.
            if (format == 2) formatTwoStart = t.endTick;
            tracks.push_back(std::move(t));
        }
        pos = body + avail;
    }
    if (tracks.empty()) return MidiResult::Corrupt;

    // Merge the tracks in time order (earlier tracks first at equal times),
    // following the tempo map as it goes.
    using Head = std::pair<uint64_t, size_t>; // tick, track
    std::priority_queue<Head, std::vector<Head>, std::greater<>> heads;
    std::vector<size_t> next(tracks.size(), 0);
    size_t total = 0;
    uint64_t endTick = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].events.empty()) heads.push({tracks[i].events[0].tick, i});
        total += tracks[i].events.size();
        endTick = std::max(endTick, tracks[i].endTick);
    }
    out.events.reserve(total);
    const double ticksPerQuarter = division & 0x8000 ? 1.0 : double(division);
    double secondsPerTick = smpteTick > 0 ? smpteTick : kDefaultTempo * 1e-6 / ticksPerQuarter;
    uint64_t lastTick = 0;
    double seconds = 0;
    auto advance = [&](uint64_t tick) {
        seconds += double(tick - lastTick) * secondsPerTick;
        lastTick = tick;
        return seconds <= kMidiMaxSeconds;
    };
    while (!heads.empty()) {
        const auto [tick, ti] = heads.top();
        heads.pop();
        const TrackEvent& e = tracks[ti].events[next[ti]];
        if (!advance(tick)) break;
        if (e.status == kTempo) {
            if (smpteTick == 0) secondsPerTick = e.tempo * 1e-6 / ticksPerQuarter;
        } else {
            out.events.push_back({uint32_t(std::llround(seconds * sampleRate)), e.status, e.data1, e.data2});
        }
        if (++next[ti] < tracks[ti].events.size()) heads.push({tracks[ti].events[next[ti]].tick, ti});
    }
    if (endTick >= lastTick) advance(endTick);
    seconds = std::min(seconds, kMidiMaxSeconds);
    out.endFrame = uint32_t(std::llround(seconds * sampleRate));
    if (!out.events.empty()) out.endFrame = std::max(out.endFrame, out.events.back().frame);
    return MidiResult::Ok;
}

} // namespace audiolib
