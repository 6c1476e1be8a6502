#include "board/CustomSoundText.h"

#include "app/gbk_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace board {
namespace {

TEST(CustomSoundText, SlotNumbersFromNames) {
    struct Case {
        std::wstring name;
        int slot;
    };
    const Case cases[] = {
        {L"按钮_自定义音效_1", 1},   {L"按钮_自定义音效_7", 7},  {L"按钮_自定义音效_30", 30},
        {L"按钮_自定义音效_123", 12}, {L"按钮_自定义音效_", 0},   {L"按钮_自定义音效_x", 0},
        {L"按钮_音效17", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(customSlot(c.name), c.slot) << c.slot;
}

TEST(CustomSoundText, SuggestionIsTheFileNameWithinThirtyBytes) {
    struct Case {
        std::u16string path, suggestion;
    };
    const Case cases[] = {
        {u"C:\\音效\\掌声 欢呼.mp3", u"掌声 欢呼.mp3"},
        {u"Z:/tmp/a b/c.wav", u"c.wav"},
        {u"C:\\mixed/dir\\x.mid", u"x.mid"},
        {u"plain.mp3", u"plain.mp3"},
        {u"C:\\dir\\", u""},
        // 34 ASCII bytes: the first 30.
        {u"C:\\abcdefghijklmnopqrstuvwxyz0123.mp3", u"abcdefghijklmnopqrstuvwxyz0123"},
        // Fifteen characters of two bytes each fill the 30 bytes exactly.
        {u"D:\\一二三四五六七八九十甲乙丙丁戊己.mp3", u"一二三四五六七八九十甲乙丙丁戊"},
        // After one ASCII byte, the fifteenth Chinese character would straddle byte 30: it is left out.
        {u"D:\\a一二三四五六七八九十甲乙丙丁戊.mp3", u"a一二三四五六七八九十甲乙丙丁"},
    };
    for (const Case& c : cases) {
        const std::u16string got = suggestedName(c.path);
        EXPECT_EQ(got, c.suggestion) << app::gbkEncode(c.path);
        EXPECT_LE(app::gbkEncode(got).size(), kSuggestionBytes);
    }
}

} // namespace
} // namespace board
