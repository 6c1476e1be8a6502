// The skin menu's choices and the panel opacity setting.
#pragma once

#include <string>

namespace rt {
class Form;
}

namespace ui {

// Sets the transparency slider from its settings file at start-up.
void restoreTransparencySlider(rt::Form& form);
// Applies the skin saved in ski.ini: "0", "2", "3", "4", "6" are the built-in
// skins, "1" and "5" select nothing, anything else is an image file.
void applySavedSkin(rt::Form& form, const std::wstring& value);
void showSkinMenu();

} // namespace ui
