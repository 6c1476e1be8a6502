#include "ui/BoardLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

// Page of every clip button number, from the catalogue's page ranges.
int expectedPage(int n) {
    auto in = [n](std::initializer_list<std::pair<int, int>> ranges) {
        return std::any_of(ranges.begin(), ranges.end(), [n](auto r) { return n >= r.first && n <= r.second; });
    };
    if (in({{1, 46}})) return 1;
    if (in({{47, 50}, {53, 57}, {61, 61}, {63, 65}, {68, 72}, {74, 74}, {77, 77}, {80, 81}, {87, 89}, {91, 91}}))
        return 2;
    if (in({{51, 51}, {94, 98}, {100, 124}, {126, 138}})) return 3;
    if (in({{52, 52}, {140, 142}, {144, 145}, {148, 181}, {183, 186}})) return 4;
    if (in({{58, 58}, {187, 210}, {212, 214}, {216, 217}, {219, 234}})) return 5;
    return 0;
}

TEST(BoardLayout, ClipButtonsAreTheCatalogueNumbersOnTheirPages) {
    std::map<int, int> perPage;
    std::set<int> numbers;
    for (const auto& b : ui::clipButtons()) {
        EXPECT_EQ(b.page, expectedPage(b.number)) << "button " << b.number;
        EXPECT_TRUE(numbers.insert(b.number).second) << "button " << b.number << " twice";
        ++perPage[b.page];
    }
    EXPECT_EQ(numbers.size(), 206u);
    EXPECT_EQ(perPage, (std::map<int, int>{{1, 46}, {2, 26}, {3, 44}, {4, 44}, {5, 46}}));
}

TEST(BoardLayout, ButtonsOfARowDoNotOverlapAndStayInsideTheBoard) {
    using ButtonList = std::span<const ui::BoardButton> (*)();
    for (ButtonList list : {ButtonList{ui::clipButtons}, ButtonList{ui::customButtons}}) {
        auto buttons = list();
        for (const auto& a : buttons) {
            EXPECT_GE(a.x, 8);
            EXPECT_LE(a.x + a.width, 440) << "button " << a.number;
            for (const auto& b : buttons) {
                if (&a == &b || a.page != b.page || a.y != b.y) continue;
                EXPECT_TRUE(a.x + a.width <= b.x || b.x + b.width <= a.x) << a.number << " overlaps " << b.number;
            }
        }
    }
}

TEST(BoardLayout, LayoutOrderListsEveryButtonOnce) {
    std::set<int> clips(ui::clipLayoutOrder().begin(), ui::clipLayoutOrder().end());
    std::set<int> placed;
    for (const auto& b : ui::clipButtons()) placed.insert(b.number);
    EXPECT_EQ(ui::clipLayoutOrder().size(), 206u);
    EXPECT_EQ(clips, placed);
    std::set<int> custom(ui::customLayoutOrder().begin(), ui::customLayoutOrder().end());
    EXPECT_EQ(ui::customLayoutOrder().size(), 30u);
    EXPECT_EQ(custom.size(), 30u);
    EXPECT_EQ(*custom.begin(), 1);
    EXPECT_EQ(*custom.rbegin(), 30);
}

} // namespace
