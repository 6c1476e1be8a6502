#include "draw/GdiplusRuntime.h"

#include <windows.h>

namespace draw {
namespace {

struct StartupInput {
    UINT32 gdiplusVersion;
    void* debugEventCallback;
    BOOL suppressBackgroundThread;
    BOOL suppressExternalCodecs;
};

using StartupFn = int(WINAPI*)(ULONG_PTR*, const StartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);

HMODULE gdiplus() {
    // Loaded once for the life of the process; GDI+ must outlive every drawing object.
    static HMODULE module = LoadLibraryW(L"gdiplus.dll");
    return module;
}

template <typename Fn>
Fn function(const char* name) {
    HMODULE m = gdiplus();
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

} // namespace

uintptr_t startGdiplus() {
    auto startup = function<StartupFn>("GdiplusStartup");
    if (!startup) return 0;
    const StartupInput input{1, nullptr, FALSE, FALSE};
    ULONG_PTR token = 0;
    return startup(&token, &input, nullptr) == 0 ? token : 0;
}

void shutdownGdiplus(uintptr_t token) {
    if (!token) return;
    if (auto shutdown = function<ShutdownFn>("GdiplusShutdown")) shutdown(token);
}

} // namespace draw
