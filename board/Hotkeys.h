// Global hotkeys on the clip buttons and the stop button: registration with
// the system, start-up from the settings, the hotkey dialog's confirm, and
// dispatch of a pressed hotkey.
#pragma once

#include <windows.h>

#include <string>

namespace app {
class SettingsView;
}

namespace rt {
class Form;
class Control;
} // namespace rt

namespace board {

inline constexpr wchar_t kStopButton[] = L"按钮_停止播放";
inline constexpr wchar_t kHotkeyLabel[] = L"标签_热键";
inline constexpr wchar_t kNoHotkeyTip[] = L"右键设置快捷键";
inline constexpr wchar_t kHotkeyTipPrefix[] = L"快捷键:";

// Hands out hotkey ids from 33001, one per registration attempt whether it
// succeeds or not, so an id is never reused within a run.
class HotkeyRegistry {
  public:
    static constexpr int kFirstId = 33001;

    // Returns the id, or 0 when the system refuses the combination.
    int registerHotkey(HWND window, HWND target, int modifierBits, int keyCode);
    void unregisterHotkey(HWND window, int id);
    // Whether id was handed out by this registry.
    [[nodiscard]] bool handedOut(int id) const { return id >= kFirstId && id <= lastId_; }
    [[nodiscard]] int nextId() const { return nextId_; }

  private:
    int nextId_ = kFirstId;
    int lastId_ = 0;
    HWND target_ = nullptr; // told about pressed hotkeys: the hidden label
};

HotkeyRegistry& hotkeyRegistry();

// Start-up: registers the button's stored hotkey (from settings, a view of the
// main settings file) and sets its tag and tooltip.
void setUpHotkey(rt::Form& form, rt::Control& button, const app::SettingsView& settings);
void onSoundButtonRightUp(rt::Control& button);
void onStopRightUp(rt::Control& button);
void onHotkeyFired(rt::Form& form, int id);

} // namespace board
