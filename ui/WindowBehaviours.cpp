#include "ui/WindowBehaviours.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "runtime/Form.h"

namespace ui {

void restoreAutoHideCheckBox(rt::Form& form) {
    const std::wstring state = app::SettingsStore::read(app::settingsFile(app::kAutoHideSettings), L"配置", L"选择框选中");
    rt::Control* checkBox = form.find(L"选择框1");
    if (!checkBox) return;
    // Anything but the two words keeps the box as designed.
    if (state == L"真") checkBox->setChecked(true);
    else if (state == L"假") checkBox->setChecked(false);
}

void createDesktopShortcut() {
    // The first-run shortcut arrives with the window behaviours; until then
    // writeFile stays unset so that the first run that has it still makes the link.
}

} // namespace ui
