#include "app/gbk_codec.h"

#include <array>
#include <cstdint>
#include <memory>

namespace app {

namespace {

constexpr unsigned kLeadFirst = 0x81;
constexpr unsigned kLeadLast = 0xFE;
constexpr unsigned kTrailsPerLead = 190;
constexpr char16_t kEscapeBase = 0xDC00; // U+DC00 + byte for undecodable bytes
constexpr char16_t kEuro = 0x20AC;       // single byte 0x80 in code page 936
constexpr char16_t kByteFF = 0xF8F5;     // single byte 0xFF in code page 936

constexpr std::uint16_t kDoubleByte[] = {
#include "app/gbk_table.inc"
};
static_assert(std::size(kDoubleByte) == (kLeadLast - kLeadFirst + 1) * kTrailsPerLead);

int trailIndex(unsigned byte) {
    if (byte < 0x40 || byte == 0x7F || byte == 0xFF) return -1;
    return static_cast<int>(byte < 0x7F ? byte - 0x40 : byte - 0x41);
}

bool isEscape(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}
bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-16 unit -> GBK code (0 = none; codes below 0x100 are single bytes).
using EncodeTable = std::array<std::uint16_t, 0x10000>;

const EncodeTable& encodeTable() {
    static const std::unique_ptr<EncodeTable> table = [] {
        auto t = std::make_unique<EncodeTable>();
        t->fill(0);
        for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const int index = trailIndex(trail);
                if (index < 0) continue;
                const std::uint16_t unit = kDoubleByte[(lead - kLeadFirst) * kTrailsPerLead + index];
                if ((*t)[unit] == 0) (*t)[unit] = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
        (*t)[kEuro] = 0x80;
        (*t)[kByteFF] = 0xFF;
        return t;
    }();
    return *table;
}

// GBK code of one unit that is neither ASCII nor a surrogate; 0 when there is none.
std::uint16_t codeOf(char16_t unit) {
    return encodeTable()[unit];
}

} // namespace

std::u16string gbkDecode(std::string_view bytes) {
    // Never more units than bytes; written through a pointer, as settings files
    // padded by other tools run to megabytes.
    std::u16string text(bytes.size(), u'\0');
    char16_t* out = text.data();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned byte = in[i];
        if (byte < 0x80) {
            *out++ = static_cast<char16_t>(byte);
        } else if (byte == 0x80) {
            *out++ = kEuro;
        } else if (byte == 0xFF) {
            *out++ = kByteFF;
        } else {
            const int index = i + 1 < size ? trailIndex(in[i + 1]) : -1;
            if (index < 0) {
                *out++ = static_cast<char16_t>(kEscapeBase + byte);
            } else {
                *out++ = kDoubleByte[(byte - kLeadFirst) * kTrailsPerLead + index];
                ++i;
            }
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return text;
}

GbkCharSize gbkCharSize(std::u16string_view text, std::size_t index) {
    const char16_t unit = text[index];
    if (unit < 0x80 || isEscape(unit)) return {1, 1};
    if (isHighSurrogate(unit) && index + 1 < text.size() && isLowSurrogate(text[index + 1])) return {1, 2};
    if (isHighSurrogate(unit) || isLowSurrogate(unit)) return {1, 1};
    const std::uint16_t code = codeOf(unit);
    return {code > 0xFF ? 2u : 1u, 1};
}

std::string gbkEncode(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const char16_t unit = text[i];
        const GbkCharSize size = gbkCharSize(text, i);
        if (unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
        } else if (isEscape(unit)) {
            bytes.push_back(static_cast<char>(unit - kEscapeBase));
        } else if (size.units == 2 || isHighSurrogate(unit) || isLowSurrogate(unit)) {
            bytes.push_back('?');
        } else if (const std::uint16_t code = codeOf(unit); code == 0) {
            bytes.push_back('?');
        } else if (code <= 0xFF) {
            bytes.push_back(static_cast<char>(code));
        } else {
            bytes.push_back(static_cast<char>(code >> 8));
            bytes.push_back(static_cast<char>(code & 0xFF));
        }
        i += size.units;
    }
    return bytes;
}

bool gbkCanEncode(std::u16string_view text) {
    for (const char16_t unit : text) {
        if (unit < 0x80 || isEscape(unit)) continue;
        if (isHighSurrogate(unit) || isLowSurrogate(unit) || codeOf(unit) == 0) return false;
    }
    return true;
}

std::u16string_view gbkPrefixWithin(std::u16string_view text, std::size_t maxBytes) {
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const GbkCharSize size = gbkCharSize(text, i);
        if (used + size.bytes > maxBytes) break;
        used += size.bytes;
        i += size.units;
    }
    return text.substr(0, i);
}

} // namespace app
