#pragma once
// The text of one settings file and the private-profile rules the program relies
// on, as the system's GetPrivateProfileString/WritePrivateProfileString apply them
// (checked against Wine's implementation; the cases are in ini_cases.h):
//  - lines end at CR, LF or CRLF; blank lines are ignored; "whitespace" is
//    tab, LF, VT, FF, CR, space and ^Z (a DOS end-of-file mark);
//  - a line that starts with '[' and holds a ']' opens a section named by the text
//    up to the last ']'; any other line is a key, "name=value" or a bare name with
//    no value; comment lines are keys too (";x=1" is the key ";x");
//  - section and key names match with ASCII letters compared without case and
//    whitespace trimmed on both sides; only the first matching section and the
//    first matching key in it count;
//  - a value is read with whitespace trimmed and one pair of matching quotes
//    (' or ") around it removed; it ends at a NUL.
// Unlike the system, which rewrites the whole file from its parsed form, an edit
// touches only the line of its key, so comments, blank lines and damaged bytes
// elsewhere survive.
//
// Files are GBK unless they start with a UTF-8 or UTF-16LE byte order mark, which
// the system honours too; they are written back in the encoding they came in.
// Pure logic; an IniText is a value and not shared between threads.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace app {

// The system's read buffer is 10240 bytes: a value keeps at most 10239 GBK bytes.
inline constexpr std::size_t kReadBufferBytes = 10240;

enum class IniEncoding { Gbk, Utf8Bom, Utf16LeBom };

class IniText {
  public:
    static IniText parse(std::string_view fileBytes);
    std::string serialize() const;

    const std::u16string& text() const { return text_; }
    IniEncoding encoding() const { return encoding_; }

    // The stored value with whitespace trimmed, nullopt when the section or key is
    // absent or the key has no '='.
    std::optional<std::u16string> find(std::u16string_view section, std::u16string_view key) const;

    // What GetPrivateProfileString returns: the value with its quotes removed, or
    // the default (trailing spaces and quotes removed), cut to the read buffer.
    std::u16string read(std::u16string_view section, std::u16string_view key, std::u16string_view def) const;

    // Sets key=value, creating the section at the end when needed. The value loses
    // its leading whitespace, as with the system, and ends at its first line break
    // (a value is one line). Returns false when the stored value already matches
    // and the text is unchanged.
    bool set(std::u16string_view section, std::u16string_view key, std::u16string_view value);

    // Deletes the key's line; false when there was no such key.
    bool remove(std::u16string_view section, std::u16string_view key);

    // The form in which set() stores a value: leading whitespace gone, cut at the
    // first line break.
    static std::u16string_view storedForm(std::u16string_view value);

  private:
    struct Match;
    Match locate(std::u16string_view section, std::u16string_view key) const;

    IniEncoding encoding_ = IniEncoding::Gbk;
    std::u16string text_;
    std::string oddByte_; // a UTF-16 file's incomplete last unit, kept as it was
};

// Every readable key of an IniText in hash tables, so that a read costs no scan
// of the file: the answers are exactly those of IniText::find and IniText::read.
// It keeps offsets into the text it was built from; that IniText must outlive it
// unchanged.
class IniIndex {
  public:
    explicit IniIndex(const IniText& ini);

    struct Lookup {
        bool keyFound = false;               // the key has a line (with or without '=')
        std::optional<std::u16string> value; // as IniText::find gives it
    };
    Lookup lookup(std::u16string_view section, std::u16string_view key) const;
    std::optional<std::u16string> find(std::u16string_view section, std::u16string_view key) const {
        return lookup(section, key).value;
    }
    std::u16string read(std::u16string_view section, std::u16string_view key, std::u16string_view def) const;

    // Every (section, key) a read can reach, as written in the file.
    std::vector<std::pair<std::u16string, std::u16string>> names() const;

  private:
    // Files are at most a few million units long.
    struct Span {
        std::uint32_t begin = 0;
        std::uint32_t size = 0;
    };
    struct Entry {
        std::uint32_t section = 0; // number of the section's first header
        std::uint32_t hash = 0;    // of the folded key name
        Span key;
        Span value;
        bool hasValue = false;
        bool comment = false; // a name starting with ';': found by a scan, not the table
    };
    std::u16string_view at(Span span) const {
        return std::u16string_view(ini_.text()).substr(span.begin, span.size);
    }

    const IniText& ini_;
    // Folded section name -> its number.
    std::unordered_map<std::u16string, std::uint32_t> sections_;
    std::vector<Span> sectionNames_; // by number, as the header wrote it
    // Key lines of first sections in file order, and an open-addressing table of
    // them (index + 1, 0 for free) by section and hash; probing from a key's slot
    // meets the first key of its name before any later one.
    std::vector<Entry> keys_;
    std::vector<std::uint32_t> slots_;
    std::size_t slotOf(const Entry& entry) const;
};

// atoi as the C library does it: leading whitespace, an optional sign, decimal
// digits up to the first other character; 0 when there are none; clamped to the
// int range like the Windows runtime's atoi.
int atoiLike(std::wstring_view text);

} // namespace app
