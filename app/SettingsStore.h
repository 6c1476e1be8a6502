// The program's settings files: private-profile access with the files kept in
// GBK on disk whatever the system's code page.
#pragma once

#include <string>
#include <string_view>

namespace app {

struct SettingsStore {
    // file: a full path. Leading characters 1..32 of file, section and key are
    // skipped; when any is then empty the result is "" and no file is touched.
    static std::wstring read(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                             std::wstring_view def = {});
    // value == nullptr deletes the key. Returns false on failure; callers ignore it.
    static bool write(std::wstring_view file, std::wstring_view section, std::wstring_view key, const wchar_t* value);
    // read, then converted like atoi.
    static int readInt(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                       std::wstring_view def);
};

// atoi: leading spaces, an optional sign, then decimal digits up to the first other character.
int atoiLike(std::wstring_view text);

// The path itself when GBK can represent it, else its short (8.3) form, else the path.
std::wstring storablePath(std::wstring_view path);

} // namespace app
