#include "ui/SkinChoice.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "app/StoredPath.h"
#include "runtime/Dialogs.h"
#include "runtime/Form.h"
#include "runtime/Resources.h"
#include "skin/SkinEngine.h"
#include "ui/AutoHide.h"

#include <array>

namespace ui {
namespace {

struct BuiltInSkin {
    std::wstring_view code;
    const wchar_t* resource;
};
// In the order of their menu entries; the custom skin's entry follows them.
constexpr std::array<BuiltInSkin, 5> kBuiltInSkins{
    {{L"0", L"SKIN_0"}, {L"2", L"SKIN_2"}, {L"3", L"SKIN_3"}, {L"4", L"SKIN_4"}, {L"6", L"SKIN_6"}}};
constexpr size_t kCustomEntry = 5;

SkinChoiceContext context;

void checkOnly(size_t entry) {
    for (size_t i = 0; i < skinMenu().size(); ++i) skinMenu().setChecked(i, i == entry);
}

void writeSkinSetting(const std::wstring& value) {
    app::SettingsStore::write(app::settingsFile(app::kSkinSettings), L"皮肤选项", L"当前皮肤", value.c_str());
}

} // namespace

std::span<const std::byte> builtInSkinImage(std::wstring_view code) {
    for (const BuiltInSkin& s : kBuiltInSkins)
        if (s.code == code) return rt::resourceBytes(s.resource);
    return {};
}

void setUpSkinChoice(SkinChoiceContext c) {
    context = std::move(c);
    for (size_t i = 0; i < kBuiltInSkins.size(); ++i) {
        const std::wstring_view code = kBuiltInSkins[i].code;
        skinMenu().setHandler(i, [code] {
            applyBuiltInSkin(code);
            if (context.refreshStrip) context.refreshStrip();
        });
    }
    skinMenu().setHandler(kCustomEntry, onCustomSkin);
}

void applyBuiltInSkin(std::wstring_view code) {
    for (size_t i = 0; i < kBuiltInSkins.size(); ++i) {
        if (kBuiltInSkins[i].code != code) continue;
        if (context.engine) context.engine->setSkin({.image = builtInSkinImage(code), .mode = 0});
        checkOnly(i);
        writeSkinSetting(std::wstring(code));
        return;
    }
}

void applySkinFile(const std::wstring& path, HWND owner) {
    if (context.engine) context.engine->setSkin({.fileName = path, .mode = 0});
    checkOnly(kCustomEntry);
    const std::optional<std::wstring> stored = owner ? app::rememberChosenPath(path, owner) : app::pathForSettings(path);
    if (stored) writeSkinSetting(*stored);
}

void onCustomSkin() {
    HWND owner = app::mainWindow ? app::mainWindow->hwnd() : nullptr;
    const std::optional<std::wstring> path = rt::openFileDialog(owner, L"", L"", app::programDir + L"自定义皮肤");
    if (!path) return;
    applySkinFile(*path, owner);
    if (context.refreshStrip) context.refreshStrip();
}

void onTransparencyChanged(rt::Form& form) {
    rt::Control* slider = form.find(L"滑块条2");
    rt::Control* board = form.find(L"高级选择夹1");
    if (!slider) return;
    const int opacity = slider->position();
    if (context.engine && board) context.engine->setContainerAlpha(board->hwnd(), opacity);
    app::SettingsStore::write(app::settingsFile(app::kTransparencySettings), L"背景色", L"透明度",
                              std::to_wstring(opacity).c_str());
    if (context.refreshStrip) context.refreshStrip();
}

void restoreTransparencySlider(rt::Form& form) {
    const int opacity =
        app::SettingsStore::readInt(app::settingsFile(app::kTransparencySettings), L"背景色", L"透明度", L"255");
    if (rt::Control* slider = form.find(L"滑块条2")) slider->setPosition(opacity);
}

void applySavedSkin(rt::Form&, const std::wstring& value) {
    if (value == L"1" || value == L"5") return; // codes of no skin: the start-up picture stays
    for (const BuiltInSkin& s : kBuiltInSkins)
        if (s.code == value) return applyBuiltInSkin(value);
    skinMenu().setChecked(kCustomEntry, true);
    applySkinFile(value);
}

rt::PopupMenu& skinMenu() {
    static rt::PopupMenu menu = [] {
        rt::PopupMenu m;
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
