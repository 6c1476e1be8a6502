#include "SoundFonts.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FileSource.h"
#include "WinUtil.h"

namespace audiolib {
namespace {

// The General MIDI set the build lays beside the library.
constexpr const wchar_t* kShippedFont = L"TimGM6mb.sf2";

struct BankState {
    std::mutex lock;
    std::condition_variable ready;
    bool started = false;
    std::shared_ptr<const SoundBank> bank;
    std::thread loader;
};

BankState& state() {
    // Never destroyed: the loader may still run while the process exits.
    static BankState* s = new BankState;
    return *s;
}

std::wstring libraryFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&libraryFolder), &self))
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(self, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// The user's fonts first (in name order), ours last.
std::vector<std::wstring> candidates(const std::wstring& folder) {
    std::vector<std::wstring> user;
    WIN32_FIND_DATAW fd;
    win::UniqueFind find(FindFirstFileW((folder + L"*.sf2").c_str(), &fd));
    if (find) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            if (lstrcmpiW(fd.cFileName, kShippedFont) != 0) user.push_back(folder + fd.cFileName);
        } while (FindNextFileW(find.get(), &fd));
    }
    std::sort(user.begin(), user.end());
    user.push_back(folder + kShippedFont);
    return user;
}

std::shared_ptr<const SoundBank> load() noexcept {
    try {
        const std::wstring folder = libraryFolder();
        if (!folder.empty()) {
            for (const std::wstring& path : candidates(folder)) {
                int err = 0;
                auto file = FileSource::open(win::narrow(path), &err);
                if (!file) continue;
                auto bank = std::make_shared<SoundBank>();
                if (loadSoundFont(*file, *bank) == SoundFontResult::Ok) return bank;
            }
        }
    } catch (...) {
        // Out of memory for a huge font, say: the fallback is small.
    }
    return makeFallbackBank();
}

} // namespace

void startLoadingSoundBank() {
    BankState& s = state();
    std::lock_guard guard(s.lock);
    if (s.started) return;
    s.started = true;
    s.loader = std::thread([&s] {
        auto bank = load();
        std::lock_guard done(s.lock);
        s.bank = std::move(bank);
        s.ready.notify_all();
    });
}

std::shared_ptr<const SoundBank> soundBank() {
    startLoadingSoundBank();
    BankState& s = state();
    std::unique_lock guard(s.lock);
    s.ready.wait(guard, [&] { return s.bank != nullptr; });
    return s.bank;
}

} // namespace audiolib
