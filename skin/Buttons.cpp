// Skinned push buttons, icon and image buttons, check boxes and radio buttons.
#include "skin/SkinEngine.h"

namespace skin {

void SkinEngine::attachPushButtons(HWND, int) {}
void SkinEngine::attachCheckAndRadio(HWND, int) {}
void SkinEngine::onDrawItem(int, const DRAWITEMSTRUCT&) {}
void SkinEngine::repaintButton(HWND, UINT, bool) {}
void SkinEngine::makeIconButton(HWND, std::span<const std::byte>, int, std::wstring_view) {}
void SkinEngine::makeImageButton(HWND, std::span<const std::byte>, std::span<const std::byte>,
                                 std::span<const std::byte>, std::span<const std::byte>, std::wstring_view) {}

} // namespace skin
