#include "board/HotkeyCodes.h"

#include <gtest/gtest.h>

#include <string>

namespace board {
namespace {

std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

TEST(HotkeyCodes, ModifierEncodingsMeetAtEveryCombination) {
    struct Case {
        int bits;          // Ctrl 1, Shift 2, Alt 4
        unsigned system;   // MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4
        unsigned field;    // HOTKEYF_SHIFT 1, HOTKEYF_CONTROL 2, HOTKEYF_ALT 4
    };
    const Case cases[] = {
        {0, 0, 0}, {1, 2, 2}, {2, 4, 1}, {3, 6, 3}, {4, 1, 4}, {5, 3, 6}, {6, 5, 5}, {7, 7, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(systemFlagsFromBits(c.bits), c.system) << c.bits;
        EXPECT_EQ(fieldFlagsFromBits(c.bits), c.field) << c.bits;
        EXPECT_EQ(bitsFromFieldFlags(c.field), c.bits) << c.bits;
    }
    // HOTKEYF_EXT (8) marks an extended key, not a modifier.
    EXPECT_EQ(bitsFromFieldFlags(8 | 2), 1);
    // Bits beyond Alt are no modifier of any encoding: 99 is Ctrl + Shift + 96.
    EXPECT_EQ(systemFlagsFromBits(99), 6u);
    EXPECT_EQ(fieldFlagsFromBits(99), 3u);
}

TEST(HotkeyCodes, StoredValues) {
    struct Case {
        std::wstring value;
        int keyCode, bits;
        std::wstring keyField, modifierField;
    };
    const Case cases[] = {
        {L"65,3", 65, 3, L"65", L"3"},
        {L"80,4", 80, 4, L"80", L"4"},
        {L"abc", 0, 0, L"abc", L""},
        {L"65", 65, 0, L"65", L""},
        {L"65,", 65, 0, L"65", L""},
        {L",3", 0, 3, L"", L"3"},
        {L"300,1", 300, 1, L"300", L"1"},
        {L"65,99", 65, 99, L"65", L"99"},
        {L" 116 , 1", 116, 1, L" 116 ", L" 1"},
        {L"65,3,7", 65, 3, L"65", L"3,7"}, // two fields at most: the rest stays in the second
        {L"", 0, 0, L"", L""},
        {L"99999999999999,3", 2147483647, 3, L"99999999999999", L"3"},
    };
    for (const Case& c : cases) {
        const StoredHotkey s = parseStoredHotkey(c.value);
        EXPECT_EQ(s.keyCode, c.keyCode) << narrow(c.value);
        EXPECT_EQ(s.modifierBits, c.bits) << narrow(c.value);
        EXPECT_EQ(s.keyField, c.keyField) << narrow(c.value);
        EXPECT_EQ(s.modifierField, c.modifierField) << narrow(c.value);
    }
    const std::wstring huge(10000, L'7');
    EXPECT_EQ(parseStoredHotkey(huge).keyCode, 2147483647);
    EXPECT_FALSE(isKeyCode(parseStoredHotkey(huge).keyCode));
    EXPECT_EQ(storedHotkeyValue(65, 3), L"65,3");
}

TEST(HotkeyCodes, KeyCodesNameKeysOnlyWithinAByte) {
    EXPECT_FALSE(isKeyCode(0));
    EXPECT_TRUE(isKeyCode(1));
    EXPECT_TRUE(isKeyCode(255));
    EXPECT_FALSE(isKeyCode(256));
    EXPECT_FALSE(isKeyCode(300));
    EXPECT_FALSE(isKeyCode(-65));
}

TEST(HotkeyCodes, Tags) {
    struct Case {
        std::wstring tag;
        int id, keyCode, bits;
    };
    const Case cases[] = {
        {L"33004,65,3", 33004, 65, 3}, {L"", 0, 0, 0},        {L"33001", 33001, 0, 0},
        {L"33001,65", 33001, 65, 0},   {L"33001,,3", 33001, 0, 3}, {L"33002,65,", 33002, 65, 0},
        {L"33003,65,3,7", 33003, 65, 3},
    };
    for (const Case& c : cases) {
        const HotkeyTag t = parseHotkeyTag(c.tag);
        EXPECT_EQ(t.id, c.id) << narrow(c.tag);
        EXPECT_EQ(t.keyCode, c.keyCode) << narrow(c.tag);
        EXPECT_EQ(t.modifierBits, c.bits) << narrow(c.tag);
    }
    EXPECT_EQ(hotkeyTag(33002, L"65", L""), L"33002,65,");
}

TEST(HotkeyCodes, TooltipTextNamesKeys) {
    struct Case {
        int keyCode, bits;
        std::wstring text;
    };
    const Case cases[] = {
        {0, 3, L""},
        {65, 3, L"Ctrl + Shift + A"},
        {80, 4, L"Alt + P"},
        {90, 7, L"Ctrl + Shift + Alt + Z"},
        {48, 0, L"0"},
        {57, 1, L"Ctrl + 9"},
        {116, 0, L"F5"},
        {116, 1, L"Ctrl + F5"},
        {0x70, 0, L"F1"},
        {0x87, 2, L"Shift + F24"},
        {0x20, 0, L"Space"},
        {0x63, 0, L"Num 3"},
        {0x60, 4, L"Alt + Num 0"},
        {0x6B, 0, L"Num +"},
        {0x0D, 1, L"Ctrl + Enter"},
        {0x1B, 0, L"Esc"},
        {0x2E, 0, L"Delete"},
        {0x25, 0, L"Left"},
        {0xBA, 1, L"Ctrl + ;"},
        {0xC0, 0, L"`"},
        {0xDC, 0, L"\\"},
        {0xB3, 0, L"Play/Pause"},
        {0x07, 0, L"Key 7"},
        {0xFF, 0, L"Key 255"},
        {65, 99, L"Ctrl + Shift + A"},
    };
    for (const Case& c : cases) EXPECT_EQ(hotkeyText(c.keyCode, c.bits), c.text) << c.keyCode << "," << c.bits;
    // No key of a byte reads as a lone lower-case letter, as a character code would.
    for (int code = 1; code <= 255; ++code) {
        const std::wstring name = keyName(code);
        ASSERT_FALSE(name.empty());
        EXPECT_FALSE(name.size() == 1 && name[0] >= L'a' && name[0] <= L'z') << code;
    }
}

TEST(HotkeyCodes, SettingsKeysOfButtons) {
    struct Case {
        std::wstring name, key;
    };
    const Case cases[] = {
        {L"按钮_音效136", L"btn136"}, {L"按钮_音效13", L"btn13"},   {L"按钮_音效1", L"btn1"},
        {L"按钮_音效234", L"btn234"}, {L"按钮_停止播放", L"btn_stop"}, {L"按钮_自定义音效_1", L""},
        {L"按钮_音效", L""},          {L"标签_热键", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(hotkeyKey(c.name), c.key) << narrow(c.key);
}

} // namespace
} // namespace board
