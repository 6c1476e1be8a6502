#include "ui/SkinChoice.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "runtime/Dialogs.h"
#include "runtime/Form.h"
#include "runtime/Resources.h"
#include "ui/AutoHide.h"

namespace ui {

std::span<const std::byte> builtInSkinImage(std::wstring_view code) {
    static constexpr std::pair<std::wstring_view, const wchar_t*> kSkins[] = {
        {L"0", L"SKIN_0"}, {L"2", L"SKIN_2"}, {L"3", L"SKIN_3"}, {L"4", L"SKIN_4"}, {L"6", L"SKIN_6"}};
    for (const auto& [skinCode, resource] : kSkins)
        if (skinCode == code) return rt::resourceBytes(resource);
    return {};
}

void restoreTransparencySlider(rt::Form& form) {
    const int opacity =
        app::SettingsStore::readInt(app::settingsFile(app::kTransparencySettings), L"背景色", L"透明度", L"255");
    if (rt::Control* slider = form.find(L"滑块条2")) slider->setPosition(opacity);
}

void applySavedSkin(rt::Form&, const std::wstring&) {
    // The skin images and the menu's check marks arrive with the skin choice;
    // until then the start-up skin stays.
}

rt::PopupMenu& skinMenu() {
    static rt::PopupMenu menu = [] {
        rt::PopupMenu m;
        // The entries' skins arrive with the skin choice; until then choosing one does nothing.
        for (const wchar_t* text : {L"系统默认", L"蓝天白云", L"绚彩紫色", L"悠然百合", L"琴随心声", L"自定义皮肤"})
            m.add(text, [] {});
        return m;
    }();
    return menu;
}

void showSkinMenuFor(HWND owner) {
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return;
    const ScreenPoint corner = skinMenuCorner({cursor.x, cursor.y});
    skinMenu().show(owner, POINT{corner.x, corner.y});
}

void showSkinMenu() { showSkinMenuFor(app::mainWindow ? app::mainWindow->hwnd() : nullptr); }

} // namespace ui
