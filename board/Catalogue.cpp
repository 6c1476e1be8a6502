#include "board/Catalogue.h"

#include <algorithm>

namespace board {
namespace {

// Generated at configure time from data/catalogue.tsv.
constexpr CatalogueEntry kEntries[] = {
#include "catalogue.inc"
};

} // namespace

std::span<const CatalogueEntry> catalogue() { return kEntries; }

std::wstring_view captionOf(int number) {
    auto it = std::lower_bound(std::begin(kEntries), std::end(kEntries), number,
                               [](const CatalogueEntry& e, int n) { return e.number < n; });
    return it != std::end(kEntries) && it->number == number ? it->caption : std::wstring_view{};
}

} // namespace board
