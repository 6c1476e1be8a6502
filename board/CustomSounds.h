// The thirty custom buttons of the last page: bound to the user's own files
// through a file dialog and a name box, played like the built-in clips.
#pragma once

namespace app {
class SettingsView;
}

namespace rt {
class Form;
class Control;
} // namespace rt

namespace board {

// Start-up: each custom button's file and name from settings (a view of the
// main settings file), in layout order.
void setUpCustomButtons(rt::Form& form, const app::SettingsView& settings);
void onCustomButtonRightDown(rt::Control& button);
void onCustomButtonClicked(rt::Control& button);

} // namespace board
