// GDI+ is bound at run time from gdiplus.dll, so a system without it still
// starts (without the skin's pictures) instead of failing to load.
#pragma once

#include <cstdint>

namespace draw {

// GdiplusStartup with version 1 and default options; returns the token, 0 on failure.
uintptr_t startGdiplus();
void shutdownGdiplus(uintptr_t token);

} // namespace draw
