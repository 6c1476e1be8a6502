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

template <typename Fn>
Fn function(const char* name) {
    // The same module the flat functions are bound from; it stays loaded for the process's life.
    HMODULE m = GetModuleHandleW(L"gdiplus.dll");
    if (!m) m = LoadLibraryW(L"gdiplus.dll");
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
