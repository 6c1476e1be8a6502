#include "ui/ControlWrapper.h"

#include <commctrl.h>

#include <optional>
#include <unordered_map>

namespace ui {
namespace {

// Finds the wrapper of a window from the shared procedure.
std::unordered_map<HWND, ControlWrapper*>& wrappers() {
    static std::unordered_map<HWND, ControlWrapper*> map;
    return map;
}

std::optional<ControlWrapper::Event> eventOf(UINT msg) {
    using enum ControlWrapper::Event;
    switch (msg) {
    case WM_SETFOCUS: return FocusGained;
    case WM_KILLFOCUS: return FocusLost;
    case WM_PAINT: return Paint;
    case WM_ERASEBKGND: return EraseBackground;
    case WM_SETCURSOR: return SetCursor;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return KeyDown;
    case WM_KEYUP:
    case WM_SYSKEYUP: return KeyUp;
    case WM_CHAR: return Char;
    case WM_HSCROLL:
    case WM_VSCROLL: return Scroll;
    case WM_MOVE: return Moved;
    case WM_SIZE: return Sized;
    case WM_MOUSEMOVE: return MouseMove;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return Button;
    case WM_MOUSEWHEEL: return Wheel;
    case WM_MOUSELEAVE: return MouseLeave;
    case WM_DROPFILES: return DroppedFiles;
    default: return std::nullopt;
    }
}

} // namespace

ControlWrapper::ControlWrapper() {
    // The size field is the structure's 8 bytes on every architecture.
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&icc);
}

ControlWrapper::~ControlWrapper() {
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        wrappers().erase(window_);
    }
}

bool ControlWrapper::create(HWND parent, const wchar_t* className, DWORD addStyle, int left, int top, int width,
                            int height, DWORD exStyle) {
    if (window_) return false;
    const int id = ++app::childIdCounter;
    HWND hwnd = CreateWindowExW(exStyle, className, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | addStyle,
                                left, top, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                app::mainModule ? app::mainModule : GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    subclass(hwnd);
    return true;
}

bool ControlWrapper::adopt(HWND window) {
    if (window_ || !window || !IsWindow(window)) return false;
    subclass(window);
    return true;
}

void ControlWrapper::subclass(HWND window) {
    window_ = window;
    wrappers()[window] = this;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlWrapper::sharedProc)));
}

void ControlWrapper::forget() {
    wrappers().erase(window_);
    if (previous_) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    window_ = nullptr;
    previous_ = nullptr;
    callbacks_ = {};
}

void ControlWrapper::setCallback(Event event, Callback callback) {
    callbacks_[static_cast<size_t>(event)] = std::move(callback);
}

LRESULT ControlWrapper::send(UINT msg, WPARAM wParam, LPARAM lParam) const {
    return window_ ? SendMessageW(window_, msg, wParam, lParam) : 0;
}

bool ControlWrapper::createHotkeyField(HWND parent, DWORD addStyle, int left, int top, int width, int height,
                                       DWORD exStyle) {
    if (!create(parent, HOTKEY_CLASSW, addStyle, left, top, width, height, exStyle)) return false;
    send(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return true;
}

void ControlWrapper::setHotkey(const app::HotkeyValue& value) {
    send(HKM_SETHOTKEY, MAKEWORD(value.keyCode & 0xFF, value.modifiers & 0xFF), 0);
}

app::HotkeyValue ControlWrapper::getHotkey() const {
    const auto answer = static_cast<WORD>(send(HKM_GETHOTKEY, 0, 0));
    return {LOBYTE(answer), HIBYTE(answer)};
}

LRESULT CALLBACK ControlWrapper::sharedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = wrappers().find(hwnd);
    if (it == wrappers().end()) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return it->second->handle(hwnd, msg, wParam, lParam);
}

LRESULT ControlWrapper::handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (auto event = eventOf(msg)) {
        if (const Callback& callback = callbacks_[static_cast<size_t>(*event)]) {
            // No exception may leave through the window procedure.
            try {
                callback({hwnd, msg, wParam, lParam});
            } catch (...) {
            }
        }
    }
    WNDPROC previous = previous_;
    if (msg == WM_NCDESTROY) {
        // The window goes with its dialog; the next opening wraps a new one.
        forget();
    }
    return previous ? CallWindowProcW(previous, hwnd, msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool HotkeyField::create(HWND dialog) {
    return wrapper_.createHotkeyField(dialog, WS_BORDER, kLeft, kTop, kWidth, kHeight, WS_EX_CLIENTEDGE);
}

} // namespace ui
