// The three encodings of a hotkey's modifiers, the stored "key,modifiers"
// value, button tags and the text the tooltips show. Plain C++, no Windows.
#pragma once

#include <string>
#include <string_view>

namespace board {

// The program's own modifier bits, used in the settings file, in tags and for display.
inline constexpr int kCtrlBit = 1, kShiftBit = 2, kAltBit = 4;
// RegisterHotKey's flags (MOD_ALT, MOD_CONTROL, MOD_SHIFT).
inline constexpr unsigned kSystemAlt = 1, kSystemControl = 2, kSystemShift = 4;
// The hotkey field's flags (HOTKEYF_SHIFT, HOTKEYF_CONTROL, HOTKEYF_ALT); HOTKEYF_EXT is ignored.
inline constexpr unsigned kFieldShift = 1, kFieldControl = 2, kFieldAlt = 4;

unsigned systemFlagsFromBits(int modifierBits);
int bitsFromFieldFlags(unsigned fieldFlags);
unsigned fieldFlagsFromBits(int modifierBits);

// A virtual-key code names a key only within 1..255.
[[nodiscard]] constexpr bool isKeyCode(int keyCode) { return keyCode >= 1 && keyCode <= 255; }

// A [hotkey] value "key,modifiers", split at the first comma; each field read like atoi.
struct StoredHotkey {
    std::wstring keyField, modifierField; // as read, for the tag
    int keyCode = 0;
    int modifierBits = 0;
};
StoredHotkey parseStoredHotkey(std::wstring_view value);
std::wstring storedHotkeyValue(int keyCode, int modifierBits);

// A button's tag "id,key,modifiers"; missing or empty fields are 0.
struct HotkeyTag {
    int id = 0;
    int keyCode = 0;
    int modifierBits = 0;
};
HotkeyTag parseHotkeyTag(std::wstring_view tag);
std::wstring hotkeyTag(int id, std::wstring_view keyField, std::wstring_view modifierField);

// The name of a key as the tooltip shows it: letters and digits as themselves,
// every other key by its name (F5, Space, Num 3, ...).
std::wstring keyName(int keyCode);
// "Ctrl + Shift + Alt + " as set, then the key's name; empty for key code 0.
std::wstring hotkeyText(int keyCode, int modifierBits);

// The [hotkey] key of a button: "btn" + the digits after the clip button prefix,
// "btn_stop" for the stop button; empty for any other control.
std::wstring hotkeyKey(std::wstring_view buttonName);

} // namespace board
