#include "audiolib/core/Mp3Format.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace audiolib {
namespace {

constexpr uint32_t kBitratesV1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr uint32_t kBitratesV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr uint32_t kRatesV1[3] = {44100, 48000, 32000};

// Headers of one stream keep version, layer, rate and channel mode.
bool sameStream(const uint8_t* a, const uint8_t* b) {
    return a[1] == b[1] && (a[2] & 0x0C) == (b[2] & 0x0C) && (a[3] & 0xC0) == (b[3] & 0xC0);
}

uint32_t be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

constexpr size_t kSearchWindow = 256 * 1024;
constexpr int kFramesToConfirm = 3;

} // namespace

std::optional<Mp3FrameHeader> parseMp3Header(const uint8_t* h) noexcept {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return std::nullopt;
    const int versionBits = (h[1] >> 3) & 3;
    const int layerBits = (h[1] >> 1) & 3;
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    Mp3FrameHeader fh;
    fh.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const int shift = fh.version == 1 ? 0 : fh.version == 2 ? 1 : 2;
    fh.sampleRate = kRatesV1[rateIndex] >> shift;
    fh.bitrate = (fh.version == 1 ? kBitratesV1 : kBitratesV2)[bitrateIndex] * 1000;
    const bool mono = (h[3] >> 6) == 3;
    fh.channels = mono ? 1 : 2;
    fh.samplesPerFrame = fh.version == 1 ? 1152 : 576;
    const uint32_t padding = (h[2] >> 1) & 1;
    fh.frameBytes = (fh.samplesPerFrame / 8) * fh.bitrate / fh.sampleRate + padding;
    fh.sideInfoBytes = fh.version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return fh;
}

uint64_t id3v2TagSize(const uint8_t* head, size_t n) noexcept {
    if (n < 10 || std::memcmp(head, "ID3", 3) != 0) return 0;
    if (head[3] == 0xFF || head[4] == 0xFF) return 0;
    for (int i = 6; i < 10; ++i)
        if (head[i] & 0x80) return 0;
    const uint64_t body = (static_cast<uint64_t>(head[6]) << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
    const bool footer = (head[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

bool parseMp3Layout(ByteSource& src, Mp3Layout& out) {
    const uint64_t size = src.size();
    uint64_t start = 0;
    // Some files carry more than one ID3v2 tag in a row.
    for (int i = 0; i < 4; ++i) {
        uint8_t head[10];
        if (src.readAt(start, head, 10) != 10) break;
        const uint64_t tag = id3v2TagSize(head, 10);
        if (tag == 0) break;
        start += tag;
    }
    if (start >= size) return false;

    out.audioEnd = size;
    if (size >= start + 128) {
        uint8_t tag[3];
        if (src.readAt(size - 128, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0) {
            out.audioEnd = size - 128;
            out.hasId3v1 = true;
        }
    }

    std::vector<uint8_t> window(static_cast<size_t>(std::min<uint64_t>(kSearchWindow, out.audioEnd - start)));
    const size_t got = src.readAt(start, window.data(), window.size());
    window.resize(got);

    for (size_t i = 0; i + 4 <= window.size(); ++i) {
        auto fh = parseMp3Header(&window[i]);
        if (!fh) continue;
        // A lone sync pattern is common in other data; demand a run of
        // frames that agree with each other, or one that ends the file.
        size_t p = i;
        int confirmed = 1;
        bool ok = true;
        bool reachedEnd = false;
        auto cur = fh;
        while (confirmed < kFramesToConfirm) {
            const size_t next = p + cur->frameBytes;
            if (start + next >= out.audioEnd) {
                reachedEnd = true;
                break;
            }
            if (next + 4 > window.size()) {
                ok = false;
                break;
            }
            auto nh = parseMp3Header(&window[next]);
            if (!nh || !sameStream(&window[i], &window[next])) {
                ok = false;
                break;
            }
            cur = nh;
            p = next;
            ++confirmed;
        }
        if (!ok) continue;
        // A file too short for the run is accepted only when its audio
        // starts right away; random data ends in a sync pattern too often.
        if (confirmed < kFramesToConfirm && !(reachedEnd && i == 0)) continue;

        out.first = *fh;
        out.audioOffset = start + i;
        // A Xing/Info frame holds no audio: it describes the file.
        const size_t x = i + 4 + fh->sideInfoBytes;
        if (x + 8 <= window.size() &&
            (std::memcmp(&window[x], "Xing", 4) == 0 || std::memcmp(&window[x], "Info", 4) == 0)) {
            const uint32_t flags = be32(&window[x + 4]);
            size_t q = x + 8;
            uint64_t frames = 0;
            if ((flags & 1) && q + 4 <= window.size()) {
                frames = be32(&window[q]);
                q += 4;
            }
            if (flags & 2) q += 4;
            if (flags & 4) q += 100;
            if (flags & 8) q += 4;
            // LAME extension: 9-byte version string, then at +21 the 12-bit
            // delay and 12-bit padding.
            if (q + 24 <= window.size() &&
                (std::memcmp(&window[q], "LAME", 4) == 0 || std::memcmp(&window[q], "Lavc", 4) == 0 ||
                 std::memcmp(&window[q], "Lavf", 4) == 0)) {
                const uint8_t* d = &window[q + 21];
                out.encoderDelay = (d[0] << 4) | (d[1] >> 4);
                out.encoderPadding = ((d[1] & 0x0F) << 8) | d[2];
                out.hasGaplessInfo = true;
            }
            if (frames > 0) {
                const uint64_t samples = frames * fh->samplesPerFrame;
                const uint64_t trim =
                    out.hasGaplessInfo ? uint64_t(out.encoderDelay) + out.encoderPadding : 0;
                out.totalFrames = samples > trim ? samples - trim : 0;
            }
            // A file cut inside its Info frame holds no audio at all.
            out.audioOffset = std::min(out.audioOffset + fh->frameBytes, out.audioEnd);
        }
        return true;
    }
    return false;
}

} // namespace audiolib
