// The yardstick for start-up cost: the least Win32 program that shows a
// window of the main window's size and runs a message loop. With "tick" on
// its command line it also runs a 100 ms timer, like the program's auto-hide
// tick: the yardstick for the cost of a program at rest.
#include <windows.h>

#include <cwchar>

static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(h, m, w, l);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareWindow";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, L"BareWindow", L"bare", WS_POPUP | WS_VISIBLE, 100, 100, 472, 658, nullptr, nullptr,
                             instance, nullptr);
    UpdateWindow(h);
    if (std::wcsstr(commandLine, L"tick")) SetTimer(h, 1, 100, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
