// The wrapper that creates or adopts one child window at a time, subclasses it
// and offers per-event callbacks before the control's own procedure; and the
// hotkey field of the hotkey dialog, its one use in the program.
#pragma once

#include "app/Globals.h"

#include <windows.h>

#include <array>
#include <functional>
#include <string>

namespace ui {

class ControlWrapper {
  public:
    // Events a caller may watch; the message always goes on to the control afterwards.
    enum class Event {
        FocusGained,
        FocusLost,
        Paint,
        EraseBackground,
        SetCursor,
        KeyDown,
        KeyUp,
        Char,
        Scroll,
        Moved,
        Sized,
        MouseMove,
        Button,
        Wheel,
        MouseLeave,
        DroppedFiles,
    };
    static constexpr size_t kEventCount = 16;
    struct Message {
        HWND window;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    using Callback = std::function<void(const Message&)>;

    ControlWrapper();
    ControlWrapper(const ControlWrapper&) = delete;
    ControlWrapper& operator=(const ControlWrapper&) = delete;
    virtual ~ControlWrapper();

    // A child window of any class with WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS
    // plus addStyle, its id taken from the program's control counter. Fails while a window is held.
    virtual bool create(HWND parent, const wchar_t* className, DWORD addStyle, int left, int top, int width,
                        int height, DWORD exStyle);
    // Wraps an existing window instead.
    virtual bool adopt(HWND window);
    virtual void setCallback(Event event, Callback callback);
    [[nodiscard]] virtual HWND window() const { return window_; }
    virtual LRESULT send(UINT msg, WPARAM wParam, LPARAM lParam) const;

    // The system hotkey field ("msctls_hotkey32") with the default GUI font.
    virtual bool createHotkeyField(HWND parent, DWORD addStyle, int left, int top, int width = 100, int height = 20,
                                   DWORD exStyle = WS_EX_CLIENTEDGE);
    // (virtual-key code, HOTKEYF_* flags), one byte each.
    virtual void setHotkey(const app::HotkeyValue& value);
    [[nodiscard]] virtual app::HotkeyValue getHotkey() const;

  private:
    static LRESULT CALLBACK sharedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void subclass(HWND window);
    void forget();

    HWND window_ = nullptr;
    WNDPROC previous_ = nullptr;
    std::array<Callback, kEventCount> callbacks_;
};

// The hotkey field of the hotkey dialog, made through the program's one wrapper.
class HotkeyField {
  public:
    static constexpr int kLeft = 96, kTop = 16, kWidth = 184, kHeight = 22;

    explicit HotkeyField(ControlWrapper& wrapper) : wrapper_(wrapper) {}
    // Visible, with a thin border and a sunken edge, at its place in the dialog.
    bool create(HWND dialog);
    void set(const app::HotkeyValue& value) { wrapper_.setHotkey(value); }
    [[nodiscard]] app::HotkeyValue get() const { return wrapper_.getHotkey(); }
    [[nodiscard]] HWND hwnd() const { return wrapper_.window(); }

  private:
    ControlWrapper& wrapper_;
};

} // namespace ui
