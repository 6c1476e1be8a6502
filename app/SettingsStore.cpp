#include "app/SettingsStore.h"

#include <windows.h>

#include <string>

#include "app/gbk_codec.h"
#include "app/ini_text.h"
#include "runtime/Handles.h"

namespace app {
namespace {

// Settings files are a few hundred bytes; anything far larger is not ours and is
// treated like an unreadable file rather than loaded into memory.
constexpr LONGLONG kMaxFileBytes = 16 * 1024 * 1024;

// Leading characters 1..32 are skipped, and like the system's C strings a name
// ends at its first NUL.
std::wstring_view trimmedName(std::wstring_view name) {
    name = name.substr(0, name.find(L'\0'));
    while (!name.empty() && name.front() >= 1 && name.front() <= 32)
        name.remove_prefix(1);
    return name;
}

std::u16string toU16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}
std::wstring toWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

enum class ReadResult { Ok, Missing, Failed };

// Other readers and writers (a second copy of the program, an editor) are never
// locked out: every share mode is granted.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

ReadResult readFile(const std::wstring& path, std::string& bytes) {
    rt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileBytes) return ReadResult::Failed;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                      nullptr)) {
            return ReadResult::Failed;
        }
        if (got == 0) break; // the file shrank meanwhile
        done += got;
    }
    bytes.resize(done);
    return ReadResult::Ok;
}

bool writeAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) ||
            put == 0) {
            return false;
        }
        done += put;
    }
    return true;
}

// A crash in the middle must leave either the old or the new file, never half of
// one: write a sibling file, flush it, and move it over the original.
bool replaceViaTemporary(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    {
        rt::UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        if (!writeAll(file.get(), bytes) || !FlushFileBuffers(file.get())) {
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return false;
}

// When no sibling file can be made or moved (a folder that lets us change the
// file but not add one, a file another program holds open without delete
// sharing), rewrite the file in place.
bool rewriteInPlace(const std::wstring& path, const std::string& bytes) {
    rt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    return writeAll(file.get(), bytes) && SetEndOfFile(file.get()) != FALSE;
}

} // namespace

std::wstring SettingsStore::read(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                                 std::wstring_view def) {
    try {
        file = trimmedName(file);
        section = trimmedName(section);
        key = trimmedName(key);
        if (file.empty() || section.empty() || key.empty()) return {};
        std::string bytes;
        // An unreadable file reads like a missing one: every key has its default.
        if (readFile(std::wstring(file), bytes) != ReadResult::Ok) bytes.clear();
        const IniText ini = IniText::parse(bytes);
        return toWide(ini.read(toU16(section), toU16(key), toU16(def.substr(0, def.find(L'\0')))));
    } catch (...) {
        return {};
    }
}

bool SettingsStore::write(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                          const wchar_t* value) {
    try {
        file = trimmedName(file);
        section = trimmedName(section);
        key = trimmedName(key);
        // Such a key could never be read back; the system would put it in the
        // unnamed section or make an empty name.
        if (file.empty() || section.empty() || key.empty()) return false;
        const std::wstring path(file);
        // The system refuses to change a read-only file; replacing it with a new
        // file would get round that, so refuse first.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
            return false;
        }
        std::string bytes;
        const ReadResult state = readFile(path, bytes);
        // Never overwrite a file we could not read: its settings would be lost.
        if (state == ReadResult::Failed) return false;
        IniText ini = IniText::parse(bytes);
        const bool changed = value ? ini.set(toU16(section), toU16(key), toU16(value))
                                   : ini.remove(toU16(section), toU16(key));
        // An unchanged value costs no disk write (the auto-hide state is written
        // ten times a second), and deleting from a missing file creates nothing.
        if (!changed) return true;
        const std::string updated = ini.serialize();
        return replaceViaTemporary(path, updated) || rewriteInPlace(path, updated);
    } catch (...) {
        return false;
    }
}

int SettingsStore::readInt(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                           std::wstring_view def) {
    return atoiLike(read(file, section, key, def));
}

std::wstring storablePath(std::wstring_view path) {
    try {
        if (gbkCanEncode(toU16(path))) return std::wstring(path);
        const std::wstring full(path);
        const DWORD needed = GetShortPathNameW(full.c_str(), nullptr, 0);
        if (needed == 0) return full;
        std::wstring shortPath(needed, L'\0');
        const DWORD length = GetShortPathNameW(full.c_str(), shortPath.data(), needed);
        if (length == 0 || length >= needed) return full;
        shortPath.resize(length);
        return gbkCanEncode(toU16(shortPath)) ? shortPath : full;
    } catch (...) {
        return std::wstring(path);
    }
}

} // namespace app
