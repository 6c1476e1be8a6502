// Skinned edits, combo boxes, list boxes, list views, tree views, IP-address
// and date-time pickers: the frame ring and the washed skin background
// behind the control's own text and items.
#include "skin/SkinEngine.h"

namespace skin {

void SkinEngine::attachEditsAndCombos(HWND, int) {}

void SkinEngine::attachLists(HWND, int) {}

} // namespace skin
