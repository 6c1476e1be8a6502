// Plain text rules of the custom buttons: the slot number in a button's name
// and the name offered for a chosen file. No Windows.
#pragma once

#include <string>
#include <string_view>

namespace board {

inline constexpr wchar_t kCustomButtonPrefix[] = L"按钮_自定义音效_";
inline constexpr wchar_t kFirstCustomButton[] = L"按钮_自定义音效_1";
// The name box offers at most this many bytes of GBK.
inline constexpr std::size_t kSuggestionBytes = 30;

// N of 按钮_自定义音效_N: at most two characters after the prefix, read like atoi; 0 when none.
int customSlot(std::wstring_view buttonName);

// The file name of a chosen path ("\" and "/" both separate folders), cut to at
// most 30 bytes of GBK without splitting a character.
std::u16string suggestedName(std::u16string_view path);

} // namespace board
