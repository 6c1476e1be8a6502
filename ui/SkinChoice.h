// The skin menu's choices and the panel opacity setting.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace rt {
class Form;
class PopupMenu;
} // namespace rt
namespace skin {
class SkinEngine;
}

namespace ui {

// The picture of a built-in skin by its code ("0", "2", "3", "4", "6"); empty for any other code.
std::span<const std::byte> builtInSkinImage(std::wstring_view code);

// What the skin choices act on: the engine that paints the windows, and the
// page strip's repaint after every change.
struct SkinChoiceContext {
    skin::SkinEngine* engine = nullptr;
    std::function<void()> refreshStrip;
};
// Binds the skin menu's entries to their handlers.
void setUpSkinChoice(SkinChoiceContext context);

// A built-in skin by its code: its picture, the check mark on its entry only, ski.ini written.
void applyBuiltInSkin(std::wstring_view code);
// An image file as skin: "自定义皮肤" checked, the path written to ski.ini. A path chosen by the user
// (owner given) that the settings cannot hold is applied for this run and reported; the stored skin stays.
void applySkinFile(const std::wstring& path, HWND owner = nullptr);
// "自定义皮肤": any file, from the program folder's 自定义皮肤 on.
void onCustomSkin();
// The transparency slider moved: the board panel's opacity, stored in skin.ini.
void onTransparencyChanged(rt::Form& form);

// Sets the transparency slider from its settings file at start-up.
void restoreTransparencySlider(rt::Form& form);
// Applies the skin saved in ski.ini: "0", "2", "3", "4", "6" are the built-in
// skins, "1" and "5" select nothing, anything else is an image file.
void applySavedSkin(rt::Form& form, const std::wstring& value);
// The window's skin menu: "系统默认", "蓝天白云", "绚彩紫色", "悠然百合",
// "琴随心声", "自定义皮肤", each with a check mark, all off at first.
rt::PopupMenu& skinMenu();
// Pops the skin menu up 3 pixels right of and below the mouse, owned by the
// main window; either mouse button chooses.
void showSkinMenu();
// The same, owned by a given window (tests).
void showSkinMenuFor(HWND owner);

} // namespace ui
