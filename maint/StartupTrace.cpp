#include "maint/StartupTrace.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace maint {
namespace {

struct Mark {
    const wchar_t* phase;
    LONGLONG ticks;
};

struct Trace {
    std::wstring file;
    std::vector<Mark> marks;
    bool on = false;
};

Trace& trace() {
    static Trace t = [] {
        Trace made;
        wchar_t path[MAX_PATH];
        const DWORD n = GetEnvironmentVariableW(L"SB_STARTUP_TRACE", path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            made.file = path;
            made.on = true;
            made.marks.reserve(16);
        }
        return made;
    }();
    return t;
}

} // namespace

void markStartup(const wchar_t* phase) {
    Trace& t = trace();
    if (!t.on) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    t.marks.push_back({phase, now.QuadPart});
}

void finishStartupTrace(const wchar_t* phase) {
    Trace& t = trace();
    if (!t.on) return;
    markStartup(phase);
    t.on = false;
    FILE* f = _wfopen(t.file.c_str(), L"w");
    if (!f) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    fprintf(f, "frequency %lld\n", frequency.QuadPart);
    for (const Mark& m : t.marks) fprintf(f, "%ls %lld\n", m.phase, m.ticks);
    fclose(f);
}

} // namespace maint
