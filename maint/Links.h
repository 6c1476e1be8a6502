// The main window's links to the project's web pages and contact accounts.
#pragma once

#include <string_view>

namespace maint {

// Every address the program opens, in one place.
inline constexpr std::wstring_view kWebSiteAddress = L"https://mingchuan-soundboard.example.org/";
inline constexpr std::wstring_view kShopAddress = L"https://mingchuan-soundboard.example.org/shop?item=soundboard";
// Contact links in the messaging client's own protocol (XMPP), each opening a
// chat with one account: the first for 图片框3, the second for 图片框1.
inline constexpr std::wstring_view kContactAddresses[] = {
    L"xmpp:support@mingchuan-soundboard.example.org?message",
    L"xmpp:hosts@mingchuan-soundboard.example.org?message",
};

// 按钮2 "官方网站" and 按钮1 "官方淘宝": the default browser.
void openWebSite() noexcept;
void openShopPage() noexcept;
// 图片框3 (account 0) and 图片框1 (account 1): the messaging client.
void openContactLink(int account) noexcept;

} // namespace maint
