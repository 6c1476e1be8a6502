// The small modal dialog in which the user gives a clip button or the stop
// button its global hotkey.
#pragma once

#include "runtime/Layout.h"

#include <functional>

namespace rt {
class Form;
class Control;
} // namespace rt

namespace ui {

class HotkeyField;

inline constexpr uint32_t kHotkeyDialogId = 0x52010d88;
inline constexpr wchar_t kHotkeyDialogTitlePrefix[] = L"修改快捷键:";

const rt::WindowSpec& hotkeyDialogLayout();

// Runs when "确定" is clicked, with the field holding the user's combination;
// returns whether the dialog closes.
using HotkeyDialogOk = std::function<bool(rt::Form& dialog, HotkeyField& field)>;

// Shows the dialog for `button` modally, owned by `owner`, the field set to
// the button's stored combination; returns when the dialog is closed.
void openHotkeyDialog(rt::Form& owner, rt::Control& button, const HotkeyDialogOk& onOk);

} // namespace ui
