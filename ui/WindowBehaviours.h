// Behaviours of the main window: edge auto-hide, always on top, docking and
// the first-run desktop shortcut.
#pragma once

namespace rt {
class Form;
}

namespace ui {

// Restores the auto-hide check box from its settings file at start-up.
void restoreAutoHideCheckBox(rt::Form& form);
// On the first run, puts a shortcut to the program on the desktop.
void createDesktopShortcut();

} // namespace ui
