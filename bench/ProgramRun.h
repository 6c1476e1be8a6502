// One run of a GUI program for the benchmarks: started, timed until its first
// window is visible and its message loop idle, and closed again.
#pragma once

#include <windows.h>

#include <string>

#include "bench/BenchClock.h"

namespace bench {

inline HWND visibleWindowOf(DWORD pid) {
    struct Find {
        DWORD pid;
        HWND found;
    } find{pid, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner == f->pid && IsWindowVisible(h)) {
                f->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

class ProgramRun {
  public:
    // Starts exe in its own folder; false when it could not start or showed no window.
    bool start(const std::wstring& exe) {
        std::wstring command = L"\"" + exe + L"\"";
        const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
        STARTUPINFOW si{sizeof si};
        begin_ = now();
        const double begin = begin_;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                            &info_))
            return false;
        started_ = true;
        // Slow starts (settings files of megabytes before they were indexed) get two minutes.
        while (!window_ && now() - begin < 120.0) {
            window_ = visibleWindowOf(info_.dwProcessId);
            if (!window_) Sleep(1);
        }
        visibleMs_ = (now() - begin) * 1000.0;
        WaitForInputIdle(info_.hProcess, 10000);
        idleMs_ = (now() - begin) * 1000.0;
        return window_ != nullptr;
    }
    ProgramRun() = default;
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;
    ~ProgramRun() {
        if (!started_) return;
        if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(info_.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(info_.hProcess, 0);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    HANDLE process() const { return info_.hProcess; }
    double begun() const { return begin_; } // on bench::now()'s clock
    double visibleMs() const { return visibleMs_; }
    double idleMs() const { return idleMs_; }

  private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
    HWND window_ = nullptr;
    double begin_ = 0;
    double visibleMs_ = 0;
    double idleMs_ = 0;
};

} // namespace bench
