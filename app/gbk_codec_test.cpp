#include "app/gbk_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>

namespace app {
namespace {

using namespace std::string_view_literals;

TEST(GbkCodec, EveryDoubleByteCodeDecodesToOneDistinctUnitAndBack) {
    std::set<char16_t> seen;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string text = gbkDecode(bytes);
            ASSERT_EQ(text.size(), 1u) << std::hex << lead << ' ' << trail;
            EXPECT_TRUE(seen.insert(text[0]).second) << "two codes give U+" << std::hex << int(text[0]);
            EXPECT_EQ(gbkEncode(text), bytes) << std::hex << lead << ' ' << trail;
            EXPECT_TRUE(gbkCanEncode(text));
        }
    }
    EXPECT_EQ(seen.size(), 126u * 190u);
}

TEST(GbkCodec, KnownCodes) {
    struct Case {
        std::string_view bytes;
        std::u16string_view text;
    };
    const Case cases[] = {
        {"abc =[]\r\n", u"abc =[]\r\n"},
        {"\xC5\xE4\xD6\xC3", u"配置"},
        {"\xD5\xE6\xBC\xD9", u"真假"},
        {"\xD7\xD4\xB6\xA8\xD2\xE5", u"自定义"},
        {"\x80", u"\u20AC"}, // euro sign, a single byte in code page 936
        {"\xFF", u"\uF8F5"},
        {"\xA3\xC1", u"\uFF21"}, // fullwidth A
        {"\xA1\xA1", u"\u3000"},
        {"\xAA\xA1", u"\uE000"}, // user-defined rows map to the Private Use Area
        {"\xF8\xA1", u"\uE234"},
        {"\xA1\x40", u"\uE4C6"},
        {"\xA2\xE3", u"\uE76C"}, // not the euro sign in Windows' table
        {"\xFE\xFE", u"\uE4C5"},
        {"\xFE\x50", u"\uE815"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbkDecode(c.bytes), c.text) << c.bytes;
        EXPECT_EQ(gbkEncode(c.text), c.bytes) << c.bytes;
    }
}

TEST(GbkCodec, DamagedBytesDecodeToEscapesThatEncodeBack) {
    struct Case {
        std::string_view bytes;
        std::u16string_view text;
    };
    const Case cases[] = {
        {"\x81", u"\xDC81"},           // lead byte at the end
        {"\x81\x7F", u"\xDC81\x7F"},   // 0x7F never trails
        {"\xFE\x20z", u"\xDCFE z"},    // nor does anything below 0x40
        {"\x81\xFF", u"\xDC81\uF8F5"}, // nor 0xFF
        {"\x81\x81\x40", u"\u4E96@"},  // 0x81 trails as well as leads
        {"a\x81\r\n", u"a\xDC81\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbkDecode(c.bytes), c.text);
        EXPECT_EQ(gbkEncode(gbkDecode(c.bytes)), c.bytes);
    }
}

TEST(GbkCodec, ArbitraryBytesSurviveDecodeAndEncode) {
    std::mt19937 random(936);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 64, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random() % 256);
        ASSERT_EQ(gbkEncode(gbkDecode(bytes)), bytes) << round;
    }
}

TEST(GbkCodec, UnrepresentableCharactersBecomeOneQuestionMarkEach) {
    struct Case {
        std::u16string_view text;
        std::string_view bytes;
    };
    const Case cases[] = {
        {u"\u00A2", "?"},                        // the system's best fit would be a fullwidth cent
        {u"\u00E9t\u00E9", "\xA8\xA6t\xA8\xA6"}, // é is in GBK (pinyin)
        {u"\u00C9", "?"},                        // É is not
        {u"\U0001F600x", "?x"},                  // a surrogate pair is one character
        {u"\xD800x", "?x"},                      // lone high surrogate
        {u"\xDC00x", "?x"},                      // lone low surrogate outside the escapes
        {u"\u0E01", "?"},                        // Thai
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbkEncode(c.text), c.bytes);
        EXPECT_EQ(gbkCanEncode(c.text), c.bytes.find('?') == std::string_view::npos);
    }
    EXPECT_TRUE(gbkCanEncode(u"C:\\程序\\掌声 欢呼.mp3"));
    EXPECT_FALSE(gbkCanEncode(u"C:\\Ærø\\x.mp3"));
}

TEST(GbkCodec, PrefixWithinNeverSplitsACharacter) {
    struct Case {
        std::u16string_view text;
        std::size_t maxBytes;
        std::u16string_view prefix;
    };
    const Case cases[] = {
        {u"abc", 2, u"ab"},
        {u"a真假", 2, u"a"},
        {u"a真假", 3, u"a真"},
        {u"a真假", 5, u"a真假"},
        {u"\U0001F600\U0001F600", 1, u"\U0001F600"}, // written as one '?'
        {u"\xDC81\xDC82", 1, u"\xDC81"},
        {u"", 0, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gbkPrefixWithin(c.text, c.maxBytes), c.prefix);
}

} // namespace
} // namespace app
