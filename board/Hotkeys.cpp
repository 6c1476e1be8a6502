#include "board/Hotkeys.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "board/HotkeyCodes.h"
#include "board/SoundBoard.h"
#include "runtime/Form.h"
#include "ui/ControlWrapper.h"
#include "ui/HotkeyDialog.h"

namespace board {
namespace {

constexpr wchar_t kSection[] = L"hotkey";

HWND targetOf(rt::Form& form) {
    rt::Control* label = form.find(kHotkeyLabel);
    return label ? label->hwnd() : nullptr;
}

std::wstring tipFor(int keyCode, int modifierBits) { return kHotkeyTipPrefix + hotkeyText(keyCode, modifierBits); }

// The confirm of the hotkey dialog for `target`; returns whether the dialog closes.
bool onHotkeyDialogOk(rt::Control& target, rt::Form& dialog, ui::HotkeyField& field) {
    rt::Form& form = target.form();
    const app::HotkeyValue value = field.get();
    if (app::hotkeyValue) *app::hotkeyValue = value;
    const std::wstring file = app::settingsFile(app::kMainSettings);
    const std::wstring key = hotkeyKey(target.name());
    const HotkeyTag current = parseHotkeyTag(target.tag());
    const int keyCode = static_cast<int>(value.keyCode & 0xFF);

    if (keyCode == 0) {
        // Cleared: the key leaves the file and the combination is released.
        app::SettingsStore::write(file, kSection, key, nullptr);
        if (current.id != 0) hotkeyRegistry().unregisterHotkey(form.hwnd(), current.id);
        target.setTag({});
        form.setTooltip(target, kNoHotkeyTip);
        return true;
    }
    const int modifierBits = bitsFromFieldFlags(value.modifiers);
    // Registering the button's own combination again would fail against its
    // own registration; the existing one already does what the user asks.
    if (current.id != 0 && current.keyCode == keyCode &&
        (current.modifierBits & (kCtrlBit | kShiftBit | kAltBit)) == modifierBits)
        return true;

    const int id = hotkeyRegistry().registerHotkey(form.hwnd(), targetOf(form), modifierBits, keyCode);
    if (id == 0) {
        // Owned by the dialog so that it stands above the topmost dialog.
        rt::messageBox(L"注册快捷键失败！", L"错误", MB_ICONERROR | MB_TASKMODAL, dialog.hwnd());
        return false;
    }
    if (current.id != 0) hotkeyRegistry().unregisterHotkey(form.hwnd(), current.id);
    const std::wstring stored = storedHotkeyValue(keyCode, modifierBits);
    app::SettingsStore::write(file, kSection, key, stored.c_str());
    target.setTag(hotkeyTag(id, std::to_wstring(keyCode), std::to_wstring(modifierBits)));
    form.setTooltip(target, tipFor(keyCode, modifierBits));
    return true;
}

void openFor(rt::Control& button) {
    if (!button.hwnd()) return;
    ui::openHotkeyDialog(button.form(), button,
                         [&button](rt::Form& dialog, ui::HotkeyField& field) { return onHotkeyDialogOk(button, dialog, field); });
}

} // namespace

HotkeyRegistry& hotkeyRegistry() {
    static HotkeyRegistry registry;
    return registry;
}

int HotkeyRegistry::registerHotkey(HWND window, HWND target, int modifierBits, int keyCode) {
    target_ = target;
    const int id = nextId_++;
    lastId_ = id;
    return RegisterHotKey(window, id, systemFlagsFromBits(modifierBits), static_cast<UINT>(keyCode)) ? id : 0;
}

void HotkeyRegistry::unregisterHotkey(HWND window, int id) { UnregisterHotKey(window, id); }

void setUpHotkey(rt::Form& form, rt::Control& button, const app::SettingsView& settings) {
    const std::wstring value = settings.read(kSection, hotkeyKey(button.name()));
    const StoredHotkey stored = parseStoredHotkey(value);
    // A number beyond a byte names no key either: such a button has no hotkey.
    if (!isKeyCode(stored.keyCode)) {
        form.setTooltip(button, kNoHotkeyTip);
        return;
    }
    const int id = hotkeyRegistry().registerHotkey(form.hwnd(), targetOf(form), stored.modifierBits, stored.keyCode);
    // Refused (taken by an earlier button or another program): no tag, no tooltip; the stored value stays.
    if (id == 0) return;
    button.setTag(hotkeyTag(id, stored.keyField, stored.modifierField));
    form.setTooltip(button, tipFor(stored.keyCode, stored.modifierBits));
}

void onSoundButtonRightUp(rt::Control& button) { openFor(button); }

void onStopRightUp(rt::Control& button) { openFor(button); }

void onHotkeyFired(rt::Form& form, int id) {
    if (!hotkeyRegistry().handedOut(id)) return;
    rt::Control* stop = form.find(kStopButton);
    if (stop && parseHotkeyTag(stop->tag()).id == id) {
        onStopClicked(*stop);
        return;
    }
    for (rt::Control* button : form.withPrefix(kSoundButtonPrefix)) {
        if (parseHotkeyTag(button->tag()).id != id) continue;
        playClip(clipPath(*button));
        return;
    }
}

} // namespace board
