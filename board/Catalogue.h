// The built-in clips: for each clip button number its page and caption. The
// caption is also the clip file's base name in data\music.
#pragma once

#include <span>
#include <string_view>

namespace board {

struct CatalogueEntry {
    int number;
    int page;
    std::wstring_view caption;
};

// Sorted by number.
std::span<const CatalogueEntry> catalogue();
// The caption of clip button N; empty when N is no clip button.
std::wstring_view captionOf(int number);

} // namespace board
