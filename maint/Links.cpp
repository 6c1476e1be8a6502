#include "maint/Links.h"

#include <windows.h>

#include <shellapi.h>

#include <iterator>
#include <string>

namespace maint {
namespace {

void openInBrowser(std::wstring_view address) {
    const std::wstring a(address);
    ShellExecuteW(nullptr, nullptr, a.c_str(), nullptr, L"", SW_SHOWNORMAL);
}

} // namespace

void openWebSite() noexcept { openInBrowser(kWebSiteAddress); }

void openShopPage() noexcept { openInBrowser(kShopAddress); }

void openContactLink(int account) noexcept {
    if (account < 0 || account >= static_cast<int>(std::size(kContactAddresses))) return;
    const std::wstring a(kContactAddresses[account]);
    // Messaging clients of old opened their chat through a running browser
    // window when there was one; giving it as owner keeps that working.
    HWND owner = FindWindowW(nullptr, L"Microsoft Internet Explorer");
    ShellExecuteW(owner, L"open", a.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace maint
