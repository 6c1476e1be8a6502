#include "draw/Gdip.h"

namespace draw {
namespace {

Status status = kOk;

HMODULE gdiplusModule() {
    // Loaded once for the life of the process; GDI+ must outlive every drawing object.
    static HMODULE module = LoadLibraryW(L"gdiplus.dll");
    return module;
}

} // namespace

const GdipApi& gdip() {
    static const GdipApi api = [] {
        GdipApi a;
        HMODULE m = gdiplusModule();
        if (!m) return a;
#define SB_GDIP_BIND(name, ...) \
    a.name = reinterpret_cast<decltype(a.name)>(reinterpret_cast<void*>(GetProcAddress(m, #name)));
        SB_GDIP_FUNCTIONS(SB_GDIP_BIND)
#undef SB_GDIP_BIND
        return a;
    }();
    return api;
}

Status lastStatus() { return status; }
void setLastStatus(Status s) { status = s; }

} // namespace draw
