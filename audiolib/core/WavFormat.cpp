#include "audiolib/core/WavFormat.h"

#include <algorithm>
#include <cstring>

namespace audiolib {
namespace {

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool plausibleChunkId(const uint8_t* id) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return true;
}

constexpr uint32_t kMaxFmtBytes = 4096;

} // namespace

bool looksLikeWav(const uint8_t* head, size_t n) noexcept {
    return n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

WavResult parseWav(ByteSource& src, WavInfo& out) {
    uint8_t head[12];
    if (src.readAt(0, head, 12) != 12 || !looksLikeWav(head, 12)) return WavResult::NotWav;
    const uint64_t fileSize = src.size();

    bool haveFmt = false;
    bool haveData = false;
    uint64_t pos = 12;
    while (pos + 8 <= fileSize && !(haveFmt && haveData)) {
        uint8_t ch[8];
        if (src.readAt(pos, ch, 8) != 8) break;
        if (!plausibleChunkId(ch)) {
            // A writer that skipped the pad byte after an odd chunk: the real
            // header starts one byte earlier.
            if (pos > 12 && (pos & 1) == 0) {
                uint8_t alt[8];
                if (src.readAt(pos - 1, alt, 8) == 8 && plausibleChunkId(alt)) {
                    pos -= 1;
                    std::memcpy(ch, alt, 8);
                } else {
                    break;
                }
            } else {
                break;
            }
        }
        const uint32_t declared = le32(ch + 4);
        const uint64_t bodyStart = pos + 8;
        const uint64_t available = fileSize - bodyStart;
        if (std::memcmp(ch, "fmt ", 4) == 0) {
            if (declared < 16 || declared > kMaxFmtBytes || declared > available) return WavResult::Corrupt;
            out.fmt.resize(declared);
            if (src.readAt(bodyStart, out.fmt.data(), declared) != declared) return WavResult::Corrupt;
            haveFmt = true;
        } else if (std::memcmp(ch, "fact", 4) == 0 && declared >= 4 && declared <= available) {
            uint8_t f[4];
            if (src.readAt(bodyStart, f, 4) == 4) out.factFrames = le32(f);
        } else if (std::memcmp(ch, "data", 4) == 0) {
            out.dataOffset = bodyStart;
            // Streaming writers leave 0 or 0xFFFFFFFF; truncated copies claim
            // more than is there. Either way the data runs to the end.
            uint64_t size = declared;
            if (size == 0 || size == 0xFFFFFFFFu || size > available) size = available;
            out.dataBytes = size;
            haveData = true;
            if (!haveFmt) {
                pos = bodyStart + size + (size & 1);
                continue;
            }
            break;
        }
        uint64_t body = std::min<uint64_t>(declared, available);
        pos = bodyStart + body + (body & 1);
    }
    if (!haveFmt || !haveData) return WavResult::Corrupt;

    const uint8_t* f = out.fmt.data();
    out.formatTag = le16(f);
    out.channels = le16(f + 2);
    out.sampleRate = le32(f + 4);
    out.blockAlign = le16(f + 12);
    out.bitsPerSample = le16(f + 14);
    if (out.channels == 0 || out.channels > 8) return WavResult::Corrupt;
    if (out.sampleRate < 1000 || out.sampleRate > 768000) return WavResult::Corrupt;

    if (out.formatTag == kWaveFormatExtensible) {
        // cbSize(2) validBits(2) channelMask(4) then the sub-format GUID whose
        // first two bytes are the classic format tag.
        if (out.fmt.size() < 40) return WavResult::Corrupt;
        out.formatTag = le16(f + 24);
    }
    if (out.formatTag == kWaveFormatPcm || out.formatTag == kWaveFormatFloat) {
        const uint16_t bits = out.bitsPerSample;
        const bool intOk =
            out.formatTag == kWaveFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
        const bool floatOk = out.formatTag == kWaveFormatFloat && (bits == 32 || bits == 64);
        if (!intOk && !floatOk) return WavResult::Unsupported;
        out.kind = out.formatTag == kWaveFormatFloat ? SampleKind::Float : SampleKind::Int;
        // The block size follows from the sample format; a wrong field is ignored.
        out.blockAlign = static_cast<uint16_t>(out.channels * bits / 8);
    } else {
        out.kind = SampleKind::Encoded;
        if (out.blockAlign == 0) return WavResult::Corrupt;
    }
    out.dataBytes -= out.dataBytes % out.blockAlign;
    return WavResult::Ok;
}

} // namespace audiolib
