#include "ui/SkinChoice.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "runtime/Form.h"

namespace ui {

void restoreTransparencySlider(rt::Form& form) {
    const int opacity =
        app::SettingsStore::readInt(app::settingsFile(app::kTransparencySettings), L"背景色", L"透明度", L"255");
    if (rt::Control* slider = form.find(L"滑块条2")) slider->setPosition(opacity);
}

void applySavedSkin(rt::Form&, const std::wstring&) {
    // The skin images and the menu's check marks arrive with the skin choice;
    // until then the start-up skin stays.
}

void showSkinMenu() {}

} // namespace ui
