// Behaviours of the main window: edge auto-hide, always on top, docking and
// the first-run desktop shortcut.
#pragma once

namespace rt {
class Form;
}

namespace ui {

// Restores the auto-hide check box from its settings file at start-up.
void restoreAutoHideCheckBox(rt::Form& form);
// Every tick of the 100 ms timer: stores the check box's state and, while it is
// checked, slides the window into the screen edge it is docked at or back out.
void onAutoHideTick(rt::Form& form);
// Clicks on the two radio buttons: store the choice, then change the Z-order only.
void onTopmostOn(rt::Form& form);
void onTopmostOff(rt::Form& form);
// The arrow buttons: left edge at 0, or half the window beyond the right edge.
void onDockLeft(rt::Form& form);
void onDockRight(rt::Form& form);
// On the first run, puts a shortcut to the program on the desktop.
void createDesktopShortcut();

} // namespace ui
