#include "board/CustomSounds.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "app/StoredPath.h"
#include "board/CustomSoundText.h"
#include "board/SoundBoard.h"
#include "runtime/Dialogs.h"
#include "runtime/Form.h"

#include <string>

namespace board {
namespace {

constexpr wchar_t kSection[] = L"music";
constexpr wchar_t kDialogTitle[] = L"选择自定义音效";
constexpr wchar_t kDialogFilter[] = L"支持的音效文件(*.mp3;*.wav;*.mid)|*.mp3;*.wav;*.mid|所有文件(*.*)|*.*";
constexpr wchar_t kDialogFolder[] = L"data/music";
constexpr wchar_t kDefaultName[] = L"自定义";

std::wstring fileKey(int slot) { return L"file" + std::to_wstring(slot); }
std::wstring nameKey(int slot) { return L"name" + std::to_wstring(slot); }

// wchar_t is UTF-16 on Windows: the units carry over one to one.
std::u16string toU16(std::wstring_view text) { return {text.begin(), text.end()}; }
std::wstring fromU16(std::u16string_view text) { return {text.begin(), text.end()}; }

// A playable file is there: no folder, and the name taken literally (no wildcards).
bool fileExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

void setUpCustomButtons(rt::Form& form, const app::SettingsView& settings) {
    for (rt::Control* button : form.withPrefix(kCustomButtonPrefix)) {
        const int slot = customSlot(button->name());
        button->setTag(settings.read(kSection, fileKey(slot)));
        button->setCaption(settings.read(kSection, nameKey(slot), kDefaultName));
        // They share the handlers of the first one, which act on the button that raised the event.
        if (button->name() != kFirstCustomButton) form.route(button->name(), kFirstCustomButton);
    }
}

void onCustomButtonRightDown(rt::Control& button) {
    const int slot = customSlot(button.name());
    if (slot == 0) return;
    HWND owner = button.form().hwnd();
    const std::optional<std::wstring> path = rt::openFileDialog(owner, kDialogTitle, kDialogFilter, kDialogFolder);
    if (!path) return;
    const std::wstring suggestion = fromU16(suggestedName(toU16(*path)));
    const std::optional<std::wstring> name = rt::inputBox(owner, L"请输入自定义音效名称", L"输入", suggestion);
    if (!name) return;
    // A path the settings cannot hold keeps the previous binding stored; this one lasts for the run.
    if (const std::optional<std::wstring> stored = app::rememberChosenPath(*path, owner)) {
        const std::wstring file = app::settingsFile(app::kMainSettings);
        app::SettingsStore::write(file, kSection, nameKey(slot), name->c_str());
        app::SettingsStore::write(file, kSection, fileKey(slot), stored->c_str());
    }
    if (!button.hwnd()) return;
    button.setTag(*path);
    button.setCaption(*name);
}

void onCustomButtonClicked(rt::Control& button) {
    const std::wstring path = button.tag();
    // Unlike a built-in clip, a missing file leaves the playing clip alone.
    if (fileExists(path)) playClip(path);
}

} // namespace board
