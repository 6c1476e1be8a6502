// The program's settings files: private-profile access with the files kept in
// GBK on disk whatever the system's code page.
//
// Every read sees the file as it is now: the last parse of a file is reused only
// while the file provably has not changed (see file_stamp.h). A write changes one
// key and leaves every other key as the file holds it at that moment, also when
// other running copies write the same file: the write is prepared from the file,
// and replaces it only if no other copy replaced it meanwhile, otherwise it is
// prepared again. Copies take turns through a named mutex held only for that
// final check and replace, so a copy waits a few milliseconds at a time (longer
// only when the one holding it is held back), and a copy that dies holding it
// releases it.
//
// Called from the GUI thread; safe from other threads too.
#pragma once

#include <memory>
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

// Many reads of one file as it was at one moment, for start-up, which reads
// hundreds of keys in a row: the file is opened once, when the view is made.
// Each read answers exactly what SettingsStore::read would have answered then.
class SettingsView {
  public:
    explicit SettingsView(std::wstring_view file);
    std::wstring read(std::wstring_view section, std::wstring_view key, std::wstring_view def = {}) const;
    int readInt(std::wstring_view section, std::wstring_view key, std::wstring_view def) const;

  private:
    struct Contents;
    std::shared_ptr<const Contents> contents_;
};

// The name of the mutex through which copies take turns to replace file; a tool
// that writes the files beside the program may take it too.
std::wstring settingsLockName(std::wstring_view file);

// A copy of the program that ends in the middle of a write leaves its sibling
// file "<file>.<process id>.tmp". Removes those of file whose process is gone,
// or is this one (call it before this process's first write), never one that a
// running copy may still be writing.
void removeStaleTemporaries(std::wstring_view file);

// atoi: leading spaces, an optional sign, then decimal digits up to the first other character.
int atoiLike(std::wstring_view text);

// The path itself when GBK can represent it, else its short (8.3) form, else the path.
std::wstring storablePath(std::wstring_view path);

} // namespace app
