// File paths the settings files keep (custom sounds, custom skins). The files
// are GBK, so a path is stored as it is when GBK can hold it, else in its
// short form; a path with neither cannot be remembered.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace app {

// The form of the path the settings files can hold; nothing when there is none.
std::optional<std::wstring> pathForSettings(std::wstring_view path);

// The stored form of a path the user just chose; when there is none, tells the
// user (owned by `owner`) that this choice lasts only until the program closes.
std::optional<std::wstring> rememberChosenPath(std::wstring_view path, HWND owner);

} // namespace app
