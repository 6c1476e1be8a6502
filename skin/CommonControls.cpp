// Skinned track bars, progress bars, up-down controls and headers, and the
// keyed painting of controls drawn straight on the skin (labels).
#include "skin/SkinEngine.h"

namespace skin {

void SkinEngine::attachTrackbars(HWND, int) {}

void SkinEngine::attachProgressBars(HWND, int) {}

void SkinEngine::attachUpDowns(HWND, int) {}

void SkinEngine::attachHeaders(HWND, int) {}

int SkinEngine::attachTransparentControl(HWND, std::optional<COLORREF>, const ContainerOptions&) { return 0; }

} // namespace skin
