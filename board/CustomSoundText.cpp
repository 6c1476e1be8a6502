#include "board/CustomSoundText.h"

#include "app/gbk_codec.h"
#include "app/ini_text.h"

namespace board {

int customSlot(std::wstring_view buttonName) {
    const std::wstring_view prefix = kCustomButtonPrefix;
    if (!buttonName.starts_with(prefix)) return 0;
    return app::atoiLike(buttonName.substr(prefix.size(), 2));
}

std::u16string suggestedName(std::u16string_view path) {
    const size_t slash = path.find_last_of(u"\\/");
    const std::u16string_view fileName = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    // Cutting at a character keeps the offered name from ending in half a GBK character.
    return std::u16string(app::gbkPrefixWithin(fileName, kSuggestionBytes));
}

} // namespace board
