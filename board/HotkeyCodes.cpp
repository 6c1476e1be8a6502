#include "board/HotkeyCodes.h"

#include "app/ini_text.h"

#include <array>
#include <string>

namespace board {
namespace {

constexpr std::wstring_view kClipPrefix = L"按钮_音效";
constexpr std::wstring_view kStopButton = L"按钮_停止播放";

struct NamedKey {
    int code;
    std::wstring_view name;
};

// Keys whose character code would mislead: F5 is 116, a lower-case 't'.
constexpr NamedKey kNamedKeys[] = {
    {0x03, L"Break"},          {0x08, L"Backspace"},     {0x09, L"Tab"},           {0x0C, L"Clear"},
    {0x0D, L"Enter"},          {0x10, L"Shift"},         {0x11, L"Ctrl"},          {0x12, L"Alt"},
    {0x13, L"Pause"},          {0x14, L"Caps Lock"},     {0x1B, L"Esc"},           {0x20, L"Space"},
    {0x21, L"Page Up"},        {0x22, L"Page Down"},     {0x23, L"End"},           {0x24, L"Home"},
    {0x25, L"Left"},           {0x26, L"Up"},            {0x27, L"Right"},         {0x28, L"Down"},
    {0x29, L"Select"},         {0x2A, L"Print"},         {0x2B, L"Execute"},       {0x2C, L"Print Screen"},
    {0x2D, L"Insert"},         {0x2E, L"Delete"},        {0x2F, L"Help"},          {0x5B, L"Left Win"},
    {0x5C, L"Right Win"},      {0x5D, L"Menu"},          {0x5F, L"Sleep"},         {0x6A, L"Num *"},
    {0x6B, L"Num +"},          {0x6C, L"Num Separator"}, {0x6D, L"Num -"},         {0x6E, L"Num ."},
    {0x6F, L"Num /"},          {0x90, L"Num Lock"},      {0x91, L"Scroll Lock"},   {0xA0, L"Left Shift"},
    {0xA1, L"Right Shift"},    {0xA2, L"Left Ctrl"},     {0xA3, L"Right Ctrl"},    {0xA4, L"Left Alt"},
    {0xA5, L"Right Alt"},      {0xA6, L"Browser Back"},  {0xA7, L"Browser Forward"}, {0xA8, L"Browser Refresh"},
    {0xA9, L"Browser Stop"},   {0xAA, L"Browser Search"}, {0xAB, L"Browser Favorites"}, {0xAC, L"Browser Home"},
    {0xAD, L"Volume Mute"},    {0xAE, L"Volume Down"},   {0xAF, L"Volume Up"},     {0xB0, L"Next Track"},
    {0xB1, L"Previous Track"}, {0xB2, L"Stop Media"},    {0xB3, L"Play/Pause"},    {0xB4, L"Mail"},
    {0xB5, L"Media Select"},   {0xB6, L"App 1"},         {0xB7, L"App 2"},         {0xBA, L";"},
    {0xBB, L"="},              {0xBC, L","},             {0xBD, L"-"},             {0xBE, L"."},
    {0xBF, L"/"},              {0xC0, L"`"},             {0xDB, L"["},             {0xDC, L"\\"},
    {0xDD, L"]"},              {0xDE, L"'"},             {0xE2, L"OEM 102"},       {0xF6, L"Attn"},
    {0xFA, L"Play"},           {0xFB, L"Zoom"},
};

int atoiOf(std::wstring_view text) { return app::atoiLike(text); }

} // namespace

unsigned systemFlagsFromBits(int modifierBits) {
    unsigned flags = 0;
    if (modifierBits & kCtrlBit) flags |= kSystemControl;
    if (modifierBits & kShiftBit) flags |= kSystemShift;
    if (modifierBits & kAltBit) flags |= kSystemAlt;
    return flags;
}

int bitsFromFieldFlags(unsigned fieldFlags) {
    return (fieldFlags & kFieldControl ? kCtrlBit : 0) + (fieldFlags & kFieldShift ? kShiftBit : 0) +
           (fieldFlags & kFieldAlt ? kAltBit : 0);
}

unsigned fieldFlagsFromBits(int modifierBits) {
    unsigned flags = 0;
    if (modifierBits & kCtrlBit) flags |= kFieldControl;
    if (modifierBits & kShiftBit) flags |= kFieldShift;
    if (modifierBits & kAltBit) flags |= kFieldAlt;
    return flags;
}

StoredHotkey parseStoredHotkey(std::wstring_view value) {
    StoredHotkey stored;
    const size_t comma = value.find(L',');
    stored.keyField = std::wstring(value.substr(0, comma));
    if (comma != std::wstring_view::npos) stored.modifierField = std::wstring(value.substr(comma + 1));
    stored.keyCode = atoiOf(stored.keyField);
    stored.modifierBits = atoiOf(stored.modifierField);
    return stored;
}

std::wstring storedHotkeyValue(int keyCode, int modifierBits) {
    return std::to_wstring(keyCode) + L"," + std::to_wstring(modifierBits);
}

HotkeyTag parseHotkeyTag(std::wstring_view tag) {
    std::array<int, 3> fields{};
    for (int& field : fields) {
        const size_t comma = tag.find(L',');
        field = atoiOf(tag.substr(0, comma));
        if (comma == std::wstring_view::npos) break;
        tag.remove_prefix(comma + 1);
    }
    return {fields[0], fields[1], fields[2]};
}

std::wstring hotkeyTag(int id, std::wstring_view keyField, std::wstring_view modifierField) {
    return std::to_wstring(id) + L"," + std::wstring(keyField) + L"," + std::wstring(modifierField);
}

std::wstring keyName(int keyCode) {
    if ((keyCode >= L'0' && keyCode <= L'9') || (keyCode >= L'A' && keyCode <= L'Z'))
        return std::wstring(1, static_cast<wchar_t>(keyCode));
    if (keyCode >= 0x60 && keyCode <= 0x69) return L"Num " + std::to_wstring(keyCode - 0x60);
    if (keyCode >= 0x70 && keyCode <= 0x87) return L"F" + std::to_wstring(keyCode - 0x70 + 1);
    for (const NamedKey& key : kNamedKeys)
        if (key.code == keyCode) return std::wstring(key.name);
    return L"Key " + std::to_wstring(keyCode);
}

std::wstring hotkeyText(int keyCode, int modifierBits) {
    if (keyCode == 0) return {};
    std::wstring text;
    if (modifierBits & kCtrlBit) text += L"Ctrl + ";
    if (modifierBits & kShiftBit) text += L"Shift + ";
    if (modifierBits & kAltBit) text += L"Alt + ";
    return text + keyName(keyCode);
}

std::wstring hotkeyKey(std::wstring_view buttonName) {
    if (buttonName == kStopButton) return L"btn_stop";
    if (!buttonName.starts_with(kClipPrefix)) return {};
    std::wstring_view digits = buttonName.substr(kClipPrefix.size());
    size_t n = 0;
    while (n < digits.size() && digits[n] >= L'0' && digits[n] <= L'9') ++n;
    if (n == 0) return {};
    return L"btn" + std::wstring(digits.substr(0, n));
}

} // namespace board
