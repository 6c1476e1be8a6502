// Builders of small WAV and MP3 byte images for the parser tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace audiolib::test {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}
inline void putTag(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(id[i]));
}

inline Bytes fmtChunk(uint16_t tag, uint16_t ch, uint32_t rate, uint16_t bits) {
    Bytes b;
    put16(b, tag);
    put16(b, ch);
    put32(b, rate);
    put32(b, rate * ch * bits / 8);
    put16(b, uint16_t(ch * bits / 8));
    put16(b, bits);
    return b;
}

struct Chunk {
    std::string id;
    Bytes body;
    int64_t declared = -1;
    bool pad = true;
};

inline Bytes riff(const std::vector<Chunk>& chunks, int64_t riffSize = -1) {
    Bytes b;
    putTag(b, "RIFF");
    put32(b, 0);
    putTag(b, "WAVE");
    for (const auto& c : chunks) {
        putTag(b, c.id.c_str());
        put32(b, uint32_t(c.declared >= 0 ? c.declared : int64_t(c.body.size())));
        b.insert(b.end(), c.body.begin(), c.body.end());
        if (c.pad && (c.body.size() & 1)) b.push_back(0);
    }
    const uint32_t size = uint32_t(riffSize >= 0 ? riffSize : int64_t(b.size() - 8));
    std::memcpy(&b[4], &size, 4);
    return b;
}

// An MPEG-1 Layer III stereo frame header at 128 kbit/s 44.1 kHz, no padding:
// 417 bytes a frame.
inline Bytes mp3Frame(uint8_t b2 = 0x90, uint8_t b3 = 0x40) {
    Bytes f(417, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = b2;
    f[3] = b3;
    return f;
}

} // namespace audiolib::test
