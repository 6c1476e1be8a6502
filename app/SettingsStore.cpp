#include "app/SettingsStore.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "app/file_stamp.h"
#include "app/gbk_codec.h"
#include "app/ini_text.h"
#include "runtime/Handles.h"

namespace app {
namespace {

// Settings files are a few hundred bytes; anything far larger is not ours and is
// treated like an unreadable file rather than loaded into memory.
constexpr std::uint64_t kMaxFileBytes = 16 * 1024 * 1024;

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

std::int64_t systemNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(now.dwHighDateTime) << 32 |
                                     now.dwLowDateTime);
}

bool stampOf(HANDLE file, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return false;
    stamp.exists = true;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.fileIndex = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    stamp.size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    stamp.lastWrite =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                                  info.ftLastWriteTime.dwLowDateTime);
    return true;
}

ReadResult openFailure() {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                          : ReadResult::Failed;
}

// The file's stamp as it is now; a missing file has the empty stamp.
ReadResult currentStamp(const std::wstring& path, FileStamp& stamp) {
    stamp = {};
    rt::UniqueFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return openFailure();
    return stampOf(file.get(), stamp) ? ReadResult::Ok : ReadResult::Failed;
}

bool readAll(HANDLE file, std::uint64_t size, std::string& bytes) {
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            return false;
        if (got == 0) break; // the file shrank meanwhile
        done += got;
    }
    bytes.resize(done);
    return true;
}

// One parsed state of a file, shared by the reads that find the file unchanged.
struct Snapshot {
    Snapshot(IniText text, const FileStamp& fileStamp, std::uint64_t bytesFingerprint,
             std::int64_t readStartedAt)
        : stamp(fileStamp), fingerprint(bytesFingerprint), verifiedAt(readStartedAt), ini(std::move(text)),
          index(ini) {}
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

    const FileStamp stamp;
    const std::uint64_t fingerprint;
    std::int64_t verifiedAt; // the clock before the last read that found these bytes; guarded by the cache
    const IniText ini;
    const IniIndex index; // refers to ini
};

struct Loaded {
    ReadResult state = ReadResult::Failed;
    std::shared_ptr<Snapshot> snapshot; // set when state is Ok or Missing
};

class SnapshotCache {
  public:
    Loaded load(const std::wstring& path) {
        const std::lock_guard<std::mutex> guard(mutex_);
        const std::int64_t readStartedAt = systemNow();
        rt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const ReadResult state = openFailure();
            if (state == ReadResult::Failed) return {};
            entries_.erase(path);
            return {state, missing()};
        }
        FileStamp stamp;
        if (!stampOf(file.get(), stamp) || stamp.size > kMaxFileBytes) return {};
        const auto cached = entries_.find(path);
        std::shared_ptr<Snapshot> known = cached != entries_.end() ? cached->second : nullptr;
        if (known && known->stamp == stamp && stampProvesContent(stamp.lastWrite, known->verifiedAt))
            return {ReadResult::Ok, known};
        std::string bytes;
        if (!readAll(file.get(), stamp.size, bytes)) return {};
        // The fingerprint serves a parse whose stamp proves nothing yet, and the
        // comparison with such a parse.
        const bool sameStamp = known && known->stamp == stamp;
        const bool proven = stampProvesContent(stamp.lastWrite, readStartedAt);
        const std::uint64_t fingerprint = sameStamp || !proven ? contentFingerprint(bytes) : 0;
        if (sameStamp && known->fingerprint == fingerprint) {
            known->verifiedAt = readStartedAt;
            return {ReadResult::Ok, known};
        }
        auto parsed = std::make_shared<Snapshot>(IniText::parse(bytes), stamp, fingerprint, readStartedAt);
        remember(path, parsed);
        return {ReadResult::Ok, parsed};
    }

    // What this process has just written: the stamp read back after the replace,
    // and the clock from before the bytes were written, so that the next reads
    // compare the bytes until the stamp proves them.
    void wrote(const std::wstring& path, IniText ini, const std::string& bytes, const FileStamp& stamp,
               std::int64_t writeStartedAt) {
        auto written =
            std::make_shared<Snapshot>(std::move(ini), stamp, contentFingerprint(bytes), writeStartedAt);
        const std::lock_guard<std::mutex> guard(mutex_);
        remember(path, std::move(written));
    }

    // The file that is not there.
    static std::shared_ptr<Snapshot> missing() {
        static const auto none = std::make_shared<Snapshot>(IniText::parse({}), FileStamp{}, 0, 0);
        return none;
    }

  private:
    void remember(const std::wstring& path, std::shared_ptr<Snapshot> snapshot) {
        // The program has five files; paths of tests and tools come and go.
        if (entries_.size() >= 16 && !entries_.contains(path)) entries_.clear();
        entries_[path] = std::move(snapshot);
    }

    std::mutex mutex_;
    std::unordered_map<std::wstring, std::shared_ptr<Snapshot>> entries_;
};

SnapshotCache& snapshots() {
    static SnapshotCache cache;
    return cache;
}

// The same file by whatever spelling of its path: full, one kind of separator,
// no doubled separators, upper case.
std::wstring canonicalPath(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) {
            full = path;
            break;
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);
    }
    std::wstring canonical;
    for (std::size_t i = 0; i < full.size(); ++i) {
        const wchar_t c = full[i] == L'/' ? L'\\' : full[i];
        // A UNC path keeps its leading pair.
        if (c == L'\\' && i > 1 && !canonical.empty() && canonical.back() == L'\\') continue;
        canonical.push_back(c);
    }
    if (!canonical.empty()) CharUpperBuffW(canonical.data(), static_cast<DWORD>(canonical.size()));
    return canonical;
}

// Serialises the final check and replace of one file between running copies.
// Held for a stat and a rename; a copy that dies holding it abandons it, which
// hands it to the next waiter at once.
class ReplaceLock {
  public:
    // waitMs: how long to wait for the copy that holds it.
    ReplaceLock(const std::wstring& path, DWORD waitMs) {
        mutex_.reset(CreateMutexW(nullptr, FALSE, settingsLockName(path).c_str()));
        if (!mutex_) return;
        const DWORD waited = WaitForSingleObject(mutex_.get(), waitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ReplaceLock(const ReplaceLock&) = delete;
    ReplaceLock& operator=(const ReplaceLock&) = delete;
    ~ReplaceLock() {
        if (held_) ReleaseMutex(mutex_.get());
    }
    bool held() const { return held_; }

  private:
    rt::UniqueKernelHandle mutex_;
    bool held_ = false;
};

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

std::wstring temporaryFor(const std::wstring& path, DWORD processId) {
    return path + L"." + std::to_wstring(processId) + L".tmp";
}

// A crash in the middle must leave either the old or the new file, never half of
// one: the bytes go to a sibling file, which is then moved over the original.
// The sibling stays open, unshared, while it is written, so that no clean-up of
// another copy can remove it under us.
bool stageTemporary(const std::wstring& temporary, const std::string& bytes, bool flush) {
    rt::UniqueFile file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (writeAll(file.get(), bytes) && (!flush || FlushFileBuffers(file.get()))) return true;
    file.reset();
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

void flushFile(const std::wstring& path) {
    rt::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) FlushFileBuffers(file.get());
}

struct Edit {
    std::u16string section;
    std::u16string key;
    std::optional<std::u16string> value; // none: delete the key
};

// The file after the edit, made from one state of it.
struct Prepared {
    std::shared_ptr<Snapshot> from;
    IniText ini;
    std::string bytes;
    std::int64_t startedAt = 0; // the clock before the bytes were written
};

// Nothing when the file already says what the edit would: an unchanged value
// costs no disk write (the auto-hide state is written ten times a second), and
// deleting from a missing file creates nothing.
std::optional<Prepared> prepare(std::shared_ptr<Snapshot> from, const Edit& edit) {
    const IniIndex::Lookup stored = from->index.lookup(edit.section, edit.key);
    if (edit.value ? stored.value && *stored.value == IniText::storedForm(*edit.value) : !stored.keyFound)
        return std::nullopt;
    Prepared next{from, from->ini, {}, 0};
    if (edit.value)
        next.ini.set(edit.section, edit.key, *edit.value);
    else
        next.ini.remove(edit.section, edit.key);
    next.bytes = next.ini.serialize();
    next.startedAt = systemNow();
    return next;
}

enum class Outcome { Done, Unchanged, Retry, Failed };

constexpr DWORD kLockWaitMs = 5;
constexpr DWORD kLastLockWaitMs = 2000;

// Puts the staged (or, failing that, the prepared) bytes in the file's place if
// the file is still the one they were made from, and remembers the result.
Outcome replace(const std::wstring& path, const std::wstring& temporary, bool staged, Prepared& next) {
    FileStamp now;
    if (currentStamp(path, now) == ReadResult::Failed || now != next.from->stamp) {
        if (staged) DeleteFileW(temporary.c_str());
        return Outcome::Retry;
    }
    bool replaced = staged && MoveFileExW(temporary.c_str(), path.c_str(),
                                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) {
        if (staged) DeleteFileW(temporary.c_str());
        replaced = rewriteInPlace(path, next.bytes);
    }
    if (!replaced) return Outcome::Failed;
    if (currentStamp(path, now) == ReadResult::Ok)
        snapshots().wrote(path, std::move(next.ini), next.bytes, now, next.startedAt);
    return Outcome::Done;
}

// One round of a write. The new file is prepared and flushed without the lock;
// under it, a check that no other copy replaced the file meanwhile and the
// rename. When one did, the edit is made again from the file as it is now while
// the lock keeps every other copy out, flushed once the lock is released.
Outcome writeOnce(const std::wstring& path, const Edit& edit, bool lastAttempt) {
    const Loaded loaded = snapshots().load(path);
    // Never overwrite a file we could not read: its settings would be lost.
    if (!loaded.snapshot) return Outcome::Failed;
    std::optional<Prepared> next = prepare(loaded.snapshot, edit);
    if (!next) return Outcome::Unchanged;
    const std::wstring temporary = temporaryFor(path, GetCurrentProcessId());
    bool staged = stageTemporary(temporary, next->bytes, true);
    bool flushAfter = false;
    Outcome outcome = Outcome::Retry;
    {
        // The GUI thread waits a few milliseconds per attempt. A copy that keeps the lock longer is slow
        // (a busy machine can hold a process back for tens of milliseconds) or stuck: the last attempt
        // waits for it much longer, and only then goes on without the lock, still checking the file
        // first. Going on early would let two copies check and replace at once, and one write be lost.
        const ReplaceLock lock(path, lastAttempt ? kLastLockWaitMs : kLockWaitMs);
        if (!lock.held() && !lastAttempt) {
            if (staged) DeleteFileW(temporary.c_str());
            return Outcome::Retry;
        }
        outcome = replace(path, temporary, staged, *next);
        if (outcome == Outcome::Retry && lock.held()) {
            const Loaded again = snapshots().load(path);
            if (!again.snapshot) return Outcome::Failed;
            next = prepare(again.snapshot, edit);
            if (!next) return Outcome::Unchanged;
            staged = stageTemporary(temporary, next->bytes, false);
            outcome = replace(path, temporary, staged, *next);
            flushAfter = outcome == Outcome::Done;
        }
    }
    if (flushAfter) flushFile(path);
    return outcome;
}

// The file's contents now; an unreadable file reads like a missing one: every key has its default.
std::shared_ptr<Snapshot> loadedContents(std::wstring_view file) {
    const Loaded loaded = snapshots().load(std::wstring(file));
    return loaded.snapshot ? loaded.snapshot : SnapshotCache::missing();
}

std::wstring readFrom(const Snapshot& contents, std::wstring_view section, std::wstring_view key,
                      std::wstring_view def) {
    const std::u16string defaultText = toU16(def.substr(0, def.find(L'\0')));
    return toWide(contents.index.read(toU16(section), toU16(key), defaultText));
}

} // namespace

std::wstring SettingsStore::read(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                                 std::wstring_view def) {
    try {
        file = trimmedName(file);
        section = trimmedName(section);
        key = trimmedName(key);
        if (file.empty() || section.empty() || key.empty()) return {};
        return readFrom(*loadedContents(file), section, key, def);
    } catch (...) {
        return {};
    }
}

struct SettingsView::Contents {
    std::shared_ptr<Snapshot> snapshot; // null when the file's name is empty: every read is ""
};

SettingsView::SettingsView(std::wstring_view file) {
    try {
        auto contents = std::make_shared<Contents>();
        file = trimmedName(file);
        if (!file.empty()) contents->snapshot = loadedContents(file);
        contents_ = std::move(contents);
    } catch (...) {
        contents_.reset();
    }
}

std::wstring SettingsView::read(std::wstring_view section, std::wstring_view key, std::wstring_view def) const {
    try {
        section = trimmedName(section);
        key = trimmedName(key);
        if (!contents_ || !contents_->snapshot || section.empty() || key.empty()) return {};
        return readFrom(*contents_->snapshot, section, key, def);
    } catch (...) {
        return {};
    }
}

int SettingsView::readInt(std::wstring_view section, std::wstring_view key, std::wstring_view def) const {
    return atoiLike(read(section, key, def));
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
        Edit edit{toU16(section), toU16(key), std::nullopt};
        if (value) edit.value = toU16(value);
        // Only a copy that keeps the lock for longer than a rename could make the
        // attempts run out.
        constexpr int kAttempts = 8;
        for (int attempt = 1; attempt <= kAttempts; ++attempt) {
            switch (writeOnce(path, edit, attempt == kAttempts)) {
            case Outcome::Done:
            case Outcome::Unchanged:
                return true;
            case Outcome::Failed:
                return false;
            case Outcome::Retry:
                break;
            }
        }
        return false;
    } catch (...) {
        return false;
    }
}

int SettingsStore::readInt(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                           std::wstring_view def) {
    return atoiLike(read(file, section, key, def));
}

namespace {

bool processIsRunning(DWORD processId) {
    rt::UniqueKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    // A process we may not open is still a process.
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// The process id in "<name>.<digits>.tmp", when found names a temporary of name.
bool temporaryOwner(std::wstring_view found, std::wstring_view name, DWORD& processId) {
    constexpr std::wstring_view kSuffix = L".tmp";
    if (found.size() <= name.size() + 1 + kSuffix.size() ||
        CompareStringOrdinal(found.data(), static_cast<int>(name.size()), name.data(),
                             static_cast<int>(name.size()), TRUE) != CSTR_EQUAL ||
        found[name.size()] != L'.' || !found.ends_with(kSuffix)) {
        return false;
    }
    const std::wstring_view digits =
        found.substr(name.size() + 1, found.size() - name.size() - 1 - kSuffix.size());
    if (digits.empty() || digits.size() > 10) return false;
    std::uint64_t id = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') return false;
        id = id * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (id > 0xFFFFFFFFull) return false;
    processId = static_cast<DWORD>(id);
    return true;
}

} // namespace

std::wstring settingsLockName(std::wstring_view file) {
    const std::wstring canonical = canonicalPath(std::wstring(trimmedName(file)));
    const std::uint64_t id = contentFingerprint(std::string_view(
        reinterpret_cast<const char*>(canonical.data()), canonical.size() * sizeof(wchar_t)));
    wchar_t name[64];
    swprintf(name, 64, L"Local\\SoundBoard.settings.%016llx", static_cast<unsigned long long>(id));
    return name;
}

void removeStaleTemporaries(std::wstring_view file) {
    try {
        const std::wstring path(trimmedName(file));
        const std::size_t slash = path.find_last_of(L"\\/");
        const std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
        const std::wstring name = path.substr(folder.size());
        if (name.empty()) return;
        WIN32_FIND_DATAW data;
        rt::UniqueFind find(FindFirstFileW((path + L".*.tmp").c_str(), &data));
        if (!find) return;
        do {
            DWORD owner = 0;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
                !temporaryOwner(data.cFileName, name, owner))
                continue;
            if (owner != GetCurrentProcessId() && processIsRunning(owner)) continue;
            // A file still open for writing refuses to go: it is not stale after all.
            DeleteFileW((folder + data.cFileName).c_str());
        } while (FindNextFileW(find.get(), &data));
    } catch (...) {
    }
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
