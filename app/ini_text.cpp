#include "app/ini_text.h"

#include <climits>

#include "app/gbk_codec.h"

namespace app {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::u16string_view kLineBreak = u"\r\n";
constexpr char16_t kEscapeBase = 0xDC00; // same lossless byte escape as the GBK codec

bool isProfileSpace(char16_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1A;
}
bool isLineBreak(char16_t c) {
    return c == '\r' || c == '\n';
}

std::u16string_view trimLeft(std::u16string_view s) {
    while (!s.empty() && isProfileSpace(s.front()))
        s.remove_prefix(1);
    return s;
}
std::u16string_view trim(std::u16string_view s) {
    s = trimLeft(s);
    while (!s.empty() && isProfileSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

char16_t asciiLower(char16_t c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char16_t>(c + ('a' - 'A')) : c;
}

bool namesMatch(std::u16string_view stored, std::u16string_view wanted) {
    stored = trim(stored);
    wanted = trim(wanted);
    if (stored.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (asciiLower(stored[i]) != asciiLower(wanted[i])) return false;
    }
    return true;
}

std::u16string_view stripQuotes(std::u16string_view s) {
    if (s.size() > 1 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// UTF-8 for files with a BOM; undecodable bytes use the codec's escape.
std::u16string utf8Decode(std::string_view bytes) {
    std::u16string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        int length = b0 < 0x80                  ? 1
                     : b0 >= 0xC2 && b0 <= 0xDF ? 2
                     : b0 >= 0xE0 && b0 <= 0xEF ? 3
                     : b0 >= 0xF0 && b0 <= 0xF4 ? 4
                                                : 0;
        char32_t cp = length == 1 ? b0 : length == 2 ? (b0 & 0x1F) : length == 3 ? (b0 & 0x0F) : (b0 & 0x07);
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            valid = (b & 0xC0) == 0x80;
            cp = cp << 6 | (b & 0x3F);
        }
        const char32_t minimum = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0;
        valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!valid) {
            text.push_back(b0 < 0x80 ? b0 : static_cast<char16_t>(kEscapeBase + b0));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            text.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return text;
}

std::string utf8Encode(std::u16string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xDC80 && cp <= 0xDCFF) {
            bytes.push_back(static_cast<char>(cp - kEscapeBase));
            continue;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';
        }
        if (cp < 0x80) {
            bytes.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | cp >> 6));
            bytes.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | cp >> 12));
            bytes.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | cp >> 18));
            bytes.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return bytes;
}

struct Line {
    std::size_t begin; // first unit of the line
    std::size_t end;   // end of its content, before the line break
    std::size_t next;  // start of the next line
};

Line lineAt(std::u16string_view text, std::size_t begin) {
    std::size_t end = begin;
    while (end < text.size() && !isLineBreak(text[end]))
        ++end;
    std::size_t next = end;
    if (next < text.size())
        next += text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n' ? 2 : 1;
    return {begin, end, next};
}

enum class LineKind { Blank, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::u16string_view name;
    std::optional<std::u16string_view> value;
};

ParsedLine parseLine(std::u16string_view content) {
    content = trim(content);
    if (content.empty()) return {};
    if (content.front() == '[') {
        const std::size_t close = content.rfind(u']');
        if (close != std::u16string_view::npos && close > 0)
            return {LineKind::Section, trim(content.substr(1, close - 1)), std::nullopt};
    }
    const std::size_t equals = content.find(u'=');
    if (equals == std::u16string_view::npos) return {LineKind::Key, content, std::nullopt};
    return {LineKind::Key, trim(content.substr(0, equals)), trimLeft(content.substr(equals + 1))};
}

} // namespace

struct IniText::Match {
    bool sectionFound = false;
    bool hasLastLine = false; // the section has a line after which a new key goes
    Line lastLine{};
    bool keyFound = false;
    Line keyLine{};
    ParsedLine key;
};

IniText IniText::parse(std::string_view fileBytes) {
    IniText ini;
    if (fileBytes.starts_with(kUtf8Bom)) {
        ini.encoding_ = IniEncoding::Utf8Bom;
        ini.text_ = utf8Decode(fileBytes.substr(kUtf8Bom.size()));
    } else if (fileBytes.starts_with(kUtf16LeBom)) {
        ini.encoding_ = IniEncoding::Utf16LeBom;
        const std::string_view body = fileBytes.substr(kUtf16LeBom.size());
        for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
            ini.text_.push_back(static_cast<char16_t>(static_cast<unsigned char>(body[i]) |
                                                      static_cast<unsigned char>(body[i + 1]) << 8));
        }
        if (body.size() % 2 != 0) ini.oddByte_ = body.substr(body.size() - 1);
    } else {
        ini.text_ = gbkDecode(fileBytes);
    }
    return ini;
}

std::string IniText::serialize() const {
    switch (encoding_) {
    case IniEncoding::Utf8Bom:
        return std::string(kUtf8Bom) + utf8Encode(text_);
    case IniEncoding::Utf16LeBom: {
        std::string bytes(kUtf16LeBom);
        for (const char16_t unit : text_) {
            bytes.push_back(static_cast<char>(unit & 0xFF));
            bytes.push_back(static_cast<char>(unit >> 8));
        }
        return bytes + oddByte_;
    }
    case IniEncoding::Gbk:
        break;
    }
    return gbkEncode(text_);
}

IniText::Match IniText::locate(std::u16string_view section, std::u16string_view key) const {
    Match match;
    // Keys before the first section header belong to the unnamed section.
    bool inSection = trim(section).empty();
    match.sectionFound = inSection;
    for (std::size_t pos = 0; pos < text_.size();) {
        const Line line = lineAt(text_, pos);
        pos = line.next;
        const ParsedLine parsed =
            parseLine(std::u16string_view(text_).substr(line.begin, line.end - line.begin));
        if (parsed.kind == LineKind::Blank) continue;
        if (parsed.kind == LineKind::Section) {
            if (inSection) break; // only the first matching section counts
            if (namesMatch(parsed.name, section)) {
                inSection = true;
                match.sectionFound = true;
                match.hasLastLine = true;
                match.lastLine = line;
            }
            continue;
        }
        if (!inSection) continue;
        match.hasLastLine = true;
        match.lastLine = line;
        if (namesMatch(parsed.name, key)) {
            match.keyFound = true;
            match.keyLine = line;
            match.key = parsed;
            break;
        }
    }
    return match;
}

std::optional<std::u16string> IniText::find(std::u16string_view section, std::u16string_view key) const {
    const Match match = locate(section, key);
    if (!match.keyFound || !match.key.value) return std::nullopt;
    return std::u16string(*match.key.value);
}

namespace {

// What GetPrivateProfileString hands back for a stored value or, without one, the default.
std::u16string profileRead(const std::optional<std::u16string>& stored, std::u16string_view def) {
    std::u16string_view result;
    if (stored) {
        result = stripQuotes(*stored);
    } else {
        while (!def.empty() && def.back() == ' ')
            def.remove_suffix(1);
        result = stripQuotes(def);
    }
    // The system hands the value over as a C string in a fixed buffer.
    result = result.substr(0, result.find(u'\0'));
    return std::u16string(gbkPrefixWithin(result, kReadBufferBytes - 1));
}

std::u16string foldedName(std::u16string_view name) {
    name = trim(name);
    std::u16string folded(name);
    for (char16_t& c : folded)
        c = asciiLower(c);
    return folded;
}

} // namespace

std::u16string IniText::read(std::u16string_view section, std::u16string_view key,
                             std::u16string_view def) const {
    return profileRead(find(section, key), def);
}

std::u16string_view IniText::storedForm(std::u16string_view value) {
    value = trimLeft(value);
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (isLineBreak(value[i])) return value.substr(0, i);
    }
    return value;
}

bool IniText::set(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
    value = storedForm(value);
    section = trimLeft(section);
    key = trimLeft(key);
    const Match match = locate(section, key);
    if (match.keyFound) {
        if (match.key.value && *match.key.value == value) return false;
        std::u16string line(match.key.name);
        line += u'=';
        line += value;
        text_.replace(match.keyLine.begin, match.keyLine.end - match.keyLine.begin, line);
        return true;
    }
    std::u16string entry(key);
    entry += u'=';
    entry += value;
    entry += kLineBreak;
    if (match.sectionFound) {
        std::size_t at = match.hasLastLine ? match.lastLine.next : 0;
        if (match.hasLastLine && match.lastLine.next == match.lastLine.end) entry.insert(0, kLineBreak);
        text_.insert(at, entry);
        return true;
    }
    if (!text_.empty() && !isLineBreak(text_.back())) text_ += kLineBreak;
    text_ += u'[';
    text_ += section;
    text_ += u']';
    text_ += kLineBreak;
    text_ += entry;
    return true;
}

bool IniText::remove(std::u16string_view section, std::u16string_view key) {
    const Match match = locate(section, key);
    if (!match.keyFound) return false;
    text_.erase(match.keyLine.begin, match.keyLine.next - match.keyLine.begin);
    return true;
}

namespace {

// Comment lines are keys too, but only looked up by name when someone asks for
// a name that starts with ';'; they stay out of the hash table.
bool isComment(std::u16string_view trimmedName) {
    return !trimmedName.empty() && trimmedName.front() == ';';
}

// FNV-1a over the name as namesMatch compares it.
std::uint32_t foldedHash(std::u16string_view name) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char16_t c : trim(name))
        h = (h ^ asciiLower(c)) * 0x100000001B3ull;
    return static_cast<std::uint32_t>(h ^ h >> 32);
}

} // namespace

IniIndex::IniIndex(const IniText& ini) : ini_(ini) {
    const std::u16string_view text = ini.text();
    const auto spanOf = [&text](std::u16string_view part) {
        return Span{static_cast<std::uint32_t>(part.data() - text.data()),
                    static_cast<std::uint32_t>(part.size())};
    };
    // Keys before the first header belong to the unnamed section, number 0; a
    // header whose name is empty never reopens it, as with IniText::locate.
    sections_.emplace(u"", 0);
    sectionNames_.push_back({});
    std::optional<std::uint32_t> current = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        // The common line, a key, is parsed here in one pass (files padded with
        // comment lines run to megabytes); headers take the general road. Both
        // follow parseLine.
        std::size_t i = pos;
        while (i < text.size() && !isLineBreak(text[i]) && isProfileSpace(text[i]))
            ++i;
        if (i < text.size() && text[i] == '[') {
            const Line line = lineAt(text, pos);
            pos = line.next;
            const ParsedLine parsed = parseLine(text.substr(line.begin, line.end - line.begin));
            if (parsed.kind == LineKind::Section) {
                // Only the first section of a name counts.
                const auto [it, inserted] =
                    sections_.emplace(foldedName(parsed.name), static_cast<std::uint32_t>(sections_.size()));
                current = inserted ? std::optional<std::uint32_t>(it->second) : std::nullopt;
                if (inserted) sectionNames_.push_back(spanOf(parsed.name));
            } else if (current) {
                Entry entry{*current, foldedHash(parsed.name),  spanOf(parsed.name),
                            {},       parsed.value.has_value(), false};
                if (parsed.value) entry.value = spanOf(*parsed.value);
                keys_.push_back(entry);
            }
            continue;
        }
        const std::size_t nameBegin = i;
        while (i < text.size() && !isLineBreak(text[i]) && text[i] != '=')
            ++i;
        std::size_t nameEnd = i;
        while (nameEnd > nameBegin && isProfileSpace(text[nameEnd - 1]))
            --nameEnd;
        const bool hasValue = i < text.size() && text[i] == '=';
        std::size_t valueBegin = i, valueEnd = i;
        if (hasValue) {
            for (++i; i < text.size() && !isLineBreak(text[i]) && isProfileSpace(text[i]);)
                ++i;
            valueBegin = i;
            while (i < text.size() && !isLineBreak(text[i]))
                ++i;
            valueEnd = i;
            while (valueEnd > valueBegin && isProfileSpace(text[valueEnd - 1]))
                --valueEnd;
        }
        pos = lineAt(text, i).next;
        if (!hasValue && nameEnd == nameBegin) continue; // a blank line
        if (!current) continue;
        const auto span = [](std::size_t begin, std::size_t end) {
            return Span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end - begin)};
        };
        const std::u16string_view name = text.substr(nameBegin, nameEnd - nameBegin);
        const bool comment = isComment(name);
        keys_.push_back({*current, comment ? 0 : foldedHash(name), span(nameBegin, nameEnd),
                         span(valueBegin, valueEnd), hasValue, comment});
    }
    std::size_t hashed = 0;
    for (const Entry& entry : keys_)
        hashed += entry.comment ? 0 : 1;
    std::size_t slots = 16;
    while (slots < hashed * 2)
        slots *= 2;
    slots_.assign(slots, 0);
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].comment) continue;
        std::size_t slot = slotOf(keys_[i]);
        while (slots_[slot] != 0)
            slot = (slot + 1) & (slots_.size() - 1);
        slots_[slot] = static_cast<std::uint32_t>(i + 1);
    }
}

std::size_t IniIndex::slotOf(const Entry& entry) const {
    const std::uint64_t mixed =
        (entry.hash ^ (entry.section * 0x9E3779B97F4A7C15ull)) * 0xFF51AFD7ED558CCDull;
    return static_cast<std::size_t>(mixed >> 32) & (slots_.size() - 1);
}

IniIndex::Lookup IniIndex::lookup(std::u16string_view section, std::u16string_view key) const {
    const auto s = sections_.find(foldedName(section));
    if (s == sections_.end()) return {};
    const auto found = [this](const Entry& entry) {
        Lookup result{true, std::nullopt};
        if (entry.hasValue) result.value = std::u16string(at(entry.value));
        return result;
    };
    if (isComment(trim(key))) {
        for (const Entry& entry : keys_) {
            if (entry.comment && entry.section == s->second && namesMatch(at(entry.key), key))
                return found(entry);
        }
        return {};
    }
    const Entry wanted{s->second, foldedHash(key), {}, {}, false, false};
    for (std::size_t slot = slotOf(wanted); slots_[slot] != 0; slot = (slot + 1) & (slots_.size() - 1)) {
        const Entry& entry = keys_[slots_[slot] - 1];
        if (entry.section == wanted.section && entry.hash == wanted.hash && namesMatch(at(entry.key), key))
            return found(entry);
    }
    return {};
}

std::u16string IniIndex::read(std::u16string_view section, std::u16string_view key,
                              std::u16string_view def) const {
    return profileRead(find(section, key), def);
}

std::vector<std::pair<std::u16string, std::u16string>> IniIndex::names() const {
    std::vector<std::pair<std::u16string, std::u16string>> all;
    all.reserve(keys_.size());
    for (const Entry& entry : keys_)
        all.emplace_back(at(sectionNames_[entry.section]), at(entry.key));
    return all;
}

int atoiLike(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - L'0');
        if (magnitude > limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace app
