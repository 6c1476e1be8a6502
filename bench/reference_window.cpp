// The yardstick that isolates our own start-up work: the main window with
// every one of its child controls, made by the same form runtime from the
// same layout, and nothing else (no settings, no audio, no skin).
#include "runtime/Form.h"
#include "ui/MainWindowLayout.h"

#include <commctrl.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX),
                             ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    rt::Form window;
    if (!window.load(ui::mainWindowLayout(), {})) return 1;
    return rt::Form::runMessageLoop();
}
