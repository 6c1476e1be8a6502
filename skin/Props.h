// The engine's window properties. They stay on the windows, where anyone can
// read them by name; the engine's own lookups of the few it reads on every
// message (a control's indices and previous procedure, its text colour) are
// answered from a copy kept by this process. Under Wine every GetProp is a
// round trip to the window server, and a click on a clip button made half a
// dozen of them before the clip was asked to play.
#pragma once

#include <windows.h>

namespace skin {

// Sets the property on the window; false when the system refused it.
bool setProp(HWND hwnd, const wchar_t* name, HANDLE value);
HANDLE prop(HWND hwnd, const wchar_t* name);
// Removes the property from the window; answers what it held.
HANDLE removeProp(HWND hwnd, const wchar_t* name);
// The window is being destroyed: drops what this process kept of its properties.
void forgetProps(HWND hwnd);
// Passes a message on to the procedure whose address the property `procName`
// holds (the window's own default when none); at WM_NCDESTROY the kept copies go.
LRESULT callPreviousProc(HWND hwnd, const wchar_t* procName, UINT msg, WPARAM wParam, LPARAM lParam);

inline int intProp(HWND hwnd, const wchar_t* name) {
    return static_cast<int>(reinterpret_cast<INT_PTR>(prop(hwnd, name)));
}
inline bool setIntProp(HWND hwnd, const wchar_t* name, INT_PTR value) {
    return setProp(hwnd, name, reinterpret_cast<HANDLE>(value));
}

} // namespace skin
