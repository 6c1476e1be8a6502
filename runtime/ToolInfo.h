// Tooltip tools are registered with the TOOLINFOW size that common controls
// version 5 accept: the program runs without the version 6 manifest, and
// version 5 refuses the full structure of today's headers (so its tooltips
// would never show on Windows, while Wine accepts any size).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>

namespace rt {

// TTTOOLINFOW_V2_SIZE, which the headers spell in a way no constant expression can use.
inline constexpr UINT kToolInfoSize = offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM);

} // namespace rt
