#pragma once
// Private-profile behaviour as a table, shared by the native test of IniText and
// the Wine test of SettingsStore, which also replays every case marked
// systemAgrees against GetPrivateProfileStringA/WritePrivateProfileStringA under
// code page 936. The expectations were taken from Wine's implementation; the
// cases marked false are where we deliberately differ, each saying why.
#include <cstdio>
#include <string>
#include <string_view>

namespace app::testing {

using namespace std::string_view_literals;

struct IniReadCase {
    const char* name;
    std::string_view file; // bytes on disk
    std::u16string_view section;
    std::u16string_view key;
    std::u16string_view expected;
    std::u16string_view def = u"DEF";
    bool systemAgrees = true;
};

// GBK bytes of the Chinese names used below.
#define SB_GBK_PEIZHI "\xC5\xE4\xD6\xC3"                              // 配置
#define SB_GBK_XUANZEKUANG "\xD1\xA1\xD4\xF1\xBF\xF2\xD1\xA1\xD6\xD0" // 选择框选中
#define SB_GBK_ZHEN "\xD5\xE6"                                        // 真

inline constexpr IniReadCase kIniReadCases[] = {
    {"names ignore ASCII case", "[Music]\r\nVolume=5\r\n", u"music", u"VOLUME", u"5"},
    {"only ASCII letters fold (fullwidth)", "[\xA3\xC1]\r\nk=1\r\n", u"\uFF41", u"k", u"DEF"},
    {"only ASCII letters fold (Greek)", "[a]\r\n\xA6\xB8=1\r\n", u"a", u"\u03C9", u"DEF"},
    {"spaces around name and value", "[a]\r\n  k  =  v v  \r\n", u"a", u"k", u"v v"},
    {"tab VT FF and ^Z are whitespace", "[a]\r\n\tk\x0B=\x0Cv\x1A\r\n", u"a", u"k", u"v"},
    {"other control characters are not", "[a]\r\n\x01k=v\r\n", u"a", u"k", u"DEF"},
    {"ideographic space is not", "[a]\r\n\xA1\xA1k=v\r\n", u"a", u"k", u"DEF"},
    {"trailing control char stays in value", "[a]\r\nk=v\x01\r\n", u"a", u"k", u"v\x01"},
    {"double quotes removed", "[a]\r\nk=\"v v\"\r\n", u"a", u"k", u"v v"},
    {"single quotes removed", "[a]\r\nk='v'\r\n", u"a", u"k", u"v"},
    {"spaces inside quotes kept", "[a]\r\nk= \" v \" \r\n", u"a", u"k", u" v "},
    {"only the outer pair goes", "[a]\r\nk=\"a\"b\"\r\n", u"a", u"k", u"a\"b"},
    {"unmatched quote kept", "[a]\r\nk=\"v\r\n", u"a", u"k", u"\"v"},
    {"mixed quotes kept", "[a]\r\nk=\"a'\r\n", u"a", u"k", u"\"a'"},
    {"empty quotes give empty", "[a]\r\nk=\"\"\r\n", u"a", u"k", u""},
    {"lone quote kept", "[a]\r\nk=\"\r\n", u"a", u"k", u"\""},
    {"quotes inside a value kept", "[a]\r\nk=a \"b\"\r\n", u"a", u"k", u"a \"b\""},
    {"empty value is not absent", "[a]\r\nk=\r\n", u"a", u"k", u""},
    {"value keeps later '='", "[a]\r\nk=a=b\r\n", u"a", u"k", u"a=b"},
    {"no inline comments", "[a]\r\nk=v ;c\r\n", u"a", u"k", u"v ;c"},
    {"first of duplicate sections", "[a]\r\nk=1\r\n[b]\r\nk=3\r\n[a]\r\nk=2\r\nj=4\r\n", u"a", u"k", u"1"},
    {"later duplicate section unseen", "[a]\r\nk=1\r\n[b]\r\nk=3\r\n[a]\r\nk=2\r\nj=4\r\n", u"a", u"j",
     u"DEF"},
    {"first of duplicate keys", "[a]\r\nk=1\r\nk=2\r\n", u"a", u"k", u"1"},
    {"bare name has no value", "[a]\r\nfoo\r\n", u"a", u"foo", u"DEF"},
    {"comment line is a key", "[a]\r\n;k=1\r\n", u"a", u";k", u"1"},
    {"commented key is absent", "[a]\r\n;k=1\r\n", u"a", u"k", u"DEF"},
    {"spaces inside brackets", "[ a ]\r\nk=1\r\n", u"a", u"k", u"1"},
    {"indented header", "  [a]  \r\nk=1\r\n", u"a", u"k", u"1"},
    {"text after ']' ignored", "[a]junk\r\nk=1\r\n", u"a", u"k", u"1"},
    {"unclosed '[' is a key line", "[a]\r\n[b\r\nk=1\r\n", u"a", u"k", u"1"},
    {"section names match whole", "[ab]\r\nk=1\r\n", u"a", u"k", u"DEF"},
    {"missing section", "[a]\r\n", u"b", u"k", u"DEF"},
    {"query names trimmed", "[a]\r\nk=1\r\n", u"a\t", u"k ", u"1"},
    {"LF line ends", "[a]\nk=1\nj=2\n", u"a", u"j", u"2"},
    {"CR line ends", "[a]\rk=1\rj=2\r", u"a", u"j", u"2"},
    {"no final line end", "[a]\r\nk=1", u"a", u"k", u"1"},
    {"NUL ends a value", "[a]\r\nk=v\0w\r\nj=2\r\n"sv, u"a", u"k", u"v"},
    {"NUL does not end the file", "[a]\r\nk=v\0w\r\nj=2\r\n"sv, u"a", u"j", u"2"},
    {"GBK names and value", "[" SB_GBK_PEIZHI "]\r\n" SB_GBK_XUANZEKUANG "=" SB_GBK_ZHEN "\r\n", u"配置",
     u"选择框选中", u"真"},
    {"UTF-8 with BOM", "\xEF\xBB\xBF[a]\r\nk=\xE7\x9C\x9F\r\n", u"a", u"k", u"真"},
    {"UTF-16LE with BOM", "\xFF\xFE[\0a\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0"sv, u"a", u"k", u"v"},
    {"default: trailing spaces go", "[a]\r\n", u"a", u"x", u"  d d", u"  d d  "},
    {"default: trailing tab stays", "[a]\r\n", u"a", u"x", u"d\t", u"d\t"},
    {"default: quotes removed", "[a]\r\n", u"a", u"x", u"d", u"\"d\""},
    {"default: unmatched quote kept", "[a]\r\n", u"a", u"x", u"'d", u"'d"},
    // The system turns a damaged byte pair into '?'; we keep the bytes as escapes
    // so that they survive a rewrite.
    {"damaged bytes kept", "[a]\r\nk=\x81\x7F\xFF\x80z\r\n", u"a", u"k", u"\xDC81\x7F\uF8F5\u20ACz", u"DEF",
     false},
};

struct IniWriteCase {
    const char* name;
    std::string_view before; // empty: no file
    std::u16string_view section;
    std::u16string_view key;
    const char16_t* value; // nullptr deletes the key
    std::string_view after;
    bool systemAgrees = true;
};

inline constexpr IniWriteCase kIniWriteCases[] = {
    {"new file", "", u"music", u"volume", u"5", "[music]\r\nvolume=5\r\n"},
    {"key added at the section's end", "[music]\r\nvolume=5\r\n[x]\r\n", u"music", u"passage", u"1",
     "[music]\r\nvolume=5\r\npassage=1\r\n[x]\r\n"},
    {"new section at the end, no blank line", "[music]\r\nvolume=5\r\n", u"hotkey", u"btn1", u"65,3",
     "[music]\r\nvolume=5\r\n[hotkey]\r\nbtn1=65,3\r\n"},
    {"new section after a last line without end", "[a]\r\nk=1", u"c", u"n", u"x",
     "[a]\r\nk=1\r\n[c]\r\nn=x\r\n"},
    {"new key after a last line without end", "[a]\r\nk=1", u"a", u"j", u"2", "[a]\r\nk=1\r\nj=2\r\n"},
    {"modify keeps the stored name", "[music]\r\nvolume=5\r\n", u"MUSIC", u"VOLUME", u"7",
     "[music]\r\nvolume=7\r\n"},
    {"delete a key", "[music]\r\nvolume=5\r\npassage=1\r\n", u"music", u"volume", nullptr,
     "[music]\r\npassage=1\r\n"},
    {"deleting the last key keeps the header", "[music]\r\npassage=1\r\n[hotkey]\r\nbtn1=65,3\r\n", u"music",
     u"passage", nullptr, "[music]\r\n[hotkey]\r\nbtn1=65,3\r\n"},
    {"delete the first of duplicate keys", "[a]\r\nk=1\r\nk=2\r\n", u"a", u"k", nullptr, "[a]\r\nk=2\r\n"},
    {"delete an absent key", "[a]\r\nk=1\r\n\r\n", u"a", u"j", nullptr, "[a]\r\nk=1\r\n\r\n"},
    {"delete in an absent section", "[a]\r\nk=1\r\n", u"b", u"k", nullptr, "[a]\r\nk=1\r\n"},
    {"same value leaves the line alone", "[a]\r\nk = 1  \r\n", u"a", u"k", u"1", "[a]\r\nk = 1  \r\n"},
    {"quoted value is a different value", "[a]\r\nk=\"1\"\r\n", u"a", u"k", u"1", "[a]\r\nk=1\r\n"},
    {"empty value written", "[a]\r\nk=1\r\n", u"a", u"k", u"", "[a]\r\nk=\r\n"},
    {"value loses leading whitespace only", "[a]\r\n", u"a", u"k", u"\t v\t ", "[a]\r\nk=v\t \r\n"},
    {"key loses leading whitespace only", "[a]\r\n", u"a", u"  k  ", u"v", "[a]\r\nk  =v\r\n"},
    {"section loses leading whitespace only", "[a]\r\n", u"  s  ", u"k", u"v", "[a]\r\n[s  ]\r\nk=v\r\n"},
    {"first of duplicate sections", "[a]\r\nk=1\r\n[a]\r\nk=2\r\n", u"a", u"k", u"3",
     "[a]\r\nk=3\r\n[a]\r\nk=2\r\n"},
    {"bare name gets a value", "[a]\r\nfoo\r\n", u"a", u"foo", u"2", "[a]\r\nfoo=2\r\n"},
    {"comment line is not the key", "[a]\r\n;k=1\r\n", u"a", u"k", u"2", "[a]\r\n;k=1\r\nk=2\r\n"},
    {"unclosed '[' stays a key line", "[a]\r\n[b\r\nk=1\r\n", u"a", u"k", u"2", "[a]\r\n[b\r\nk=2\r\n"},
    {"keys before any section kept", "junk\r\n; c\r\n[a]\r\nk=1\r\n", u"b", u"k", u"1",
     "junk\r\n; c\r\n[a]\r\nk=1\r\n[b]\r\nk=1\r\n"},
    {"GBK names and value", "", u"配置", u"选择框选中", u"真",
     "[" SB_GBK_PEIZHI "]\r\n" SB_GBK_XUANZEKUANG "=" SB_GBK_ZHEN "\r\n"},
    {"UTF-8 file stays UTF-8", "\xEF\xBB\xBF[a]\r\nk=v\r\n", u"a", u"k", u"真",
     "\xEF\xBB\xBF[a]\r\nk=\xE7\x9C\x9F\r\n"},
    // Where we differ: the system rewrites the whole file from its parsed form,
    // dropping blank lines, normalising spacing and line ends, and replacing
    // damaged bytes and everything after a NUL. We edit only the key's line.
    {"blank line before the next section kept", "[a]\r\nk=1\r\n\r\n[b]\r\nj=2\r\n", u"a", u"new", u"x",
     "[a]\r\nk=1\r\nnew=x\r\n\r\n[b]\r\nj=2\r\n", false},
    {"other lines untouched", "; top\r\n\r\n[a]\r\n  k  =  1  \r\n; c\r\nfoo\r\n\r\n[b]\r\nj=2\r\n", u"b",
     u"j", u"3", "; top\r\n\r\n[a]\r\n  k  =  1  \r\n; c\r\nfoo\r\n\r\n[b]\r\nj=3\r\n", false},
    {"edited line normalised", "; top\r\n[a]\r\n  k  =  1  \r\n; c\r\n", u"a", u"k", u"3",
     "; top\r\n[a]\r\nk=3\r\n; c\r\n", false},
    {"LF line ends kept", "[a]\nk=1\nj=2\n", u"a", u"k", u"9", "[a]\nk=9\nj=2\n", false},
    {"trailing blank lines kept", "[a]\r\nk=1\r\n\r\n", u"c", u"n", u"x", "[a]\r\nk=1\r\n\r\n[c]\r\nn=x\r\n",
     false},
    {"damaged bytes kept", "[a]\r\nk=\x81\x7F\xFF\x80z\r\nj=1\r\n", u"a", u"j", u"2",
     "[a]\r\nk=\x81\x7F\xFF\x80z\r\nj=2\r\n", false},
    {"NUL kept", "[a]\r\nk=v\0w\r\nj=2\r\n"sv, u"a", u"j", u"3", "[a]\r\nk=v\0w\r\nj=3\r\n"sv, false},
    // A value is one line: the system would write the rest as a line of its own,
    // which then reads as another key.
    {"value ends at a line break", "[a]\r\n", u"a", u"k", u"x\r\ny=1", "[a]\r\nk=x\r\n", false},
};

#undef SB_GBK_PEIZHI
#undef SB_GBK_XUANZEKUANG
#undef SB_GBK_ZHEN

// Bytes as readable text for failure messages: printable ASCII as is, the rest as \xNN.
inline std::string showBytes(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", b);
            out += buffer;
        }
    }
    return out;
}

} // namespace app::testing
