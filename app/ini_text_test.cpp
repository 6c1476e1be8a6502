#include "app/ini_text.h"

#include <gtest/gtest.h>

#include <random>

#include "app/gbk_codec.h"
#include "app/ini_cases.h"

namespace app {
namespace {

using app::testing::showBytes;

// Readable form of UTF-16 text for failure messages.
std::string show(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char buffer[12];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out;
}

TEST(IniText, ReadCases) {
    for (const testing::IniReadCase& c : testing::kIniReadCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(show(IniText::parse(c.file).read(c.section, c.key, c.def)), show(c.expected));
    }
}

TEST(IniText, WriteCases) {
    for (const testing::IniWriteCase& c : testing::kIniWriteCases) {
        SCOPED_TRACE(c.name);
        IniText ini = IniText::parse(c.before);
        const bool changed = c.value ? ini.set(c.section, c.key, c.value) : ini.remove(c.section, c.key);
        EXPECT_EQ(showBytes(ini.serialize()), showBytes(c.after));
        EXPECT_EQ(changed, c.before != c.after);
    }
}

TEST(IniText, WrittenValuesReadBack) {
    IniText ini = IniText::parse("");
    const std::u16string_view values[] = {u"1",    u"自定义", u"C:\\音效\\掌声 欢呼.mp3",
                                          u"65,3", u"",       u"a=b;c"};
    for (const std::u16string_view value : values) {
        ini.set(u"music", u"name1", value);
        EXPECT_EQ(show(IniText::parse(ini.serialize()).read(u"MUSIC", u"Name1", u"DEF")), show(value));
    }
    ini.remove(u"music", u"name1");
    EXPECT_EQ(show(IniText::parse(ini.serialize()).read(u"music", u"name1", u"DEF")), "DEF");
}

TEST(IniText, LongValuesAreCutToTheReadBufferAtACharacterBoundary) {
    struct Case {
        const char* name;
        std::u16string value;
        std::size_t expectedUnits;
    };
    const Case cases[] = {
        {"10000 ASCII fit", std::u16string(10000, u'x'), 10000},
        {"10239 ASCII fit", std::u16string(10239, u'x'), 10239},
        {"10240 ASCII lose one", std::u16string(10240, u'x'), 10239},
        {"20000 ASCII", std::u16string(20000, u'x'), 10239},
        {"double-byte never split", std::u16string(6000, u'真'), 5119},
        {"odd start", u"x" + std::u16string(6000, u'真'), 5120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IniText ini = IniText::parse("");
        ini.set(u"a", u"k", c.value);
        const std::u16string got = IniText::parse(ini.serialize()).read(u"a", u"k", u"");
        EXPECT_EQ(got.size(), c.expectedUnits);
        EXPECT_EQ(got, c.value.substr(0, c.expectedUnits));
        EXPECT_LE(gbkEncode(got).size(), kReadBufferBytes - 1);
    }
    // The default goes through the same buffer.
    EXPECT_EQ(IniText::parse("").read(u"a", u"k", std::u16string(12000, u'd')).size(), 10239u);
}

TEST(IniText, GarbageSurvivesParsingAndEditing) {
    std::mt19937 random(1252);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(random() % 300, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 256);
        if (round % 3 == 0 && !bytes.empty()) bytes[0] = '\xFF'; // sometimes a UTF-16 BOM
        if (round % 3 == 0 && bytes.size() > 1) bytes[1] = '\xFE';
        IniText ini = IniText::parse(bytes);
        ASSERT_EQ(ini.serialize(), bytes) << round;
        // Whatever the file held, a read gives something and a write keeps it.
        (void)ini.read(u"music", u"volume", u"100");
        ini.set(u"sb_new_section", u"k", u"v");
        EXPECT_EQ(IniText::parse(ini.serialize()).read(u"sb_new_section", u"k", u""), u"v") << round;
        if (ini.encoding() == IniEncoding::Gbk) {
            EXPECT_EQ(ini.serialize().substr(0, bytes.size()), bytes) << round;
        }
    }
}

TEST(IniIndex, AnswersEveryReadCaseLikeTheText) {
    for (const testing::IniReadCase& c : testing::kIniReadCases) {
        SCOPED_TRACE(c.name);
        const IniText ini = IniText::parse(c.file);
        const IniIndex index(ini);
        EXPECT_EQ(show(index.read(c.section, c.key, c.def)), show(c.expected));
        EXPECT_EQ(index.find(c.section, c.key), ini.find(c.section, c.key));
    }
}

// Files of random lines built from a few names, so that sections and keys repeat,
// differ in case and spacing, lack values and come before any header.
TEST(IniIndex, AgreesWithTheTextOnRandomFilesForEveryName) {
    const std::u16string_view names[] = {u"a", u"A ", u" b", u"", u"\u914d\u7f6e", u"k=1", u"[x"};
    const std::u16string_view shapes[] = {u"[%]", u"%=v%", u"%", u" %\t= ' q ' ", u"", u";%=c", u"[%]junk", u"%=\0z"};
    std::mt19937 random(936);
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        for (int line = random() % 30; line > 0; --line) {
            std::u16string shape(shapes[random() % std::size(shapes)]);
            for (std::size_t at; (at = shape.find(u'%')) != std::u16string::npos;)
                shape.replace(at, 1, names[random() % std::size(names)]);
            text += shape;
            text += random() % 4 == 0 ? u"\n" : u"\r\n";
        }
        const IniText ini = IniText::parse(gbkEncode(text));
        const IniIndex index(ini);
        for (const std::u16string_view section : names) {
            for (const std::u16string_view key : names) {
                ASSERT_EQ(index.find(section, key), ini.find(section, key)) << round << show(text);
                ASSERT_EQ(index.read(section, key, u"D"), ini.read(section, key, u"D")) << round;
            }
        }
        for (const auto& [section, key] : index.names())
            ASSERT_TRUE(index.lookup(section, key).keyFound) << round;
    }
}

TEST(IniText, StoredFormIsWhatSetWrites) {
    const std::u16string_view values[] = {u"v", u"  v ", u"a\r\nb", u"\tx\ny", u"", u" "};
    for (const std::u16string_view value : values) {
        IniText ini = IniText::parse("[a]\r\n");
        ini.set(u"a", u"k", value);
        EXPECT_EQ(show(ini.text()), show(u"[a]\r\nk=" + std::u16string(IniText::storedForm(value)) + u"\r\n"));
    }
}

TEST(IniText, AtoiLike) {
    struct Case {
        std::wstring_view text;
        int value;
    };
    const Case cases[] = {
        {L"100", 100},
        {L"0", 0},
        {L"", 0},
        {L"abc", 0},
        {L"  42", 42},
        {L"\t\n7", 7},
        {L"-5", -5},
        {L"+8", 8},
        {L"12abc", 12},
        {L"3.9", 3},
        {L"65,3", 65},
        {L"- 5", 0},
        {L"007", 7},
        {L"2147483647", 2147483647},
        {L"2147483648", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"-99999999999", -2147483647 - 1},
        {L"\u3000"
         L"5",
         0}, // only ASCII whitespace is skipped
    };
    for (const Case& c : cases)
        EXPECT_EQ(atoiLike(c.text), c.value) << std::string(c.text.begin(), c.text.end());
}

} // namespace
} // namespace app
