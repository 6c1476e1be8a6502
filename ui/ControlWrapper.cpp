#include "ui/ControlWrapper.h"

#include <commctrl.h>

namespace ui {

ControlWrapper::ControlWrapper() {
    // The size field is the structure's 8 bytes on every architecture.
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&icc);
}

} // namespace ui
