#include "ui/WindowBehaviours.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"
#include "ui/AutoHide.h"

#include <optional>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace ui {
namespace {

constexpr wchar_t kOptionsSection[] = L"配置";
constexpr wchar_t kTrue[] = L"真";
constexpr wchar_t kFalse[] = L"假";
constexpr ULONGLONG kAutoHideRecheckMs = 1000;

bool isChecked(rt::Form& form, const wchar_t* name) {
    rt::Control* control = form.find(name);
    return control && control->checked();
}

// COM for the shell link, released again unless someone else had it running.
class ComApartment {
  public:
    ComApartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }

  private:
    HRESULT result_;
};

std::wstring desktopFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

// "name.exe" gives "name.lnk"; a name without a dot keeps it and gets ".lnk".
std::wstring linkName(const std::wstring& exeName) {
    const size_t dot = exeName.find_last_of(L'.');
    return (dot == std::wstring::npos ? exeName : exeName.substr(0, dot)) + L".lnk";
}

bool writeShellLink(const std::wstring& linkPath, const std::wstring& target) {
    ComApartment com;
    rt::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.put()))))
        return false;
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetShowCmd(SW_SHOW))) return false;
    rt::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) return false;
    return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

} // namespace

void restoreAutoHideCheckBox(rt::Form& form) {
    const std::wstring state =
        app::SettingsStore::read(app::settingsFile(app::kAutoHideSettings), kOptionsSection, L"选择框选中");
    rt::Control* checkBox = form.find(L"选择框1");
    if (!checkBox) return;
    // Anything but the two words keeps the box as designed.
    if (state == kTrue) checkBox->setChecked(true);
    else if (state == kFalse) checkBox->setChecked(false);
}

void onAutoHideTick(rt::Form& form) {
    // The timer runs from the window's creation; ticks that arrive while start-up
    // still shows a message box (the window not yet shown) leave everything alone,
    // so a start that fails writes no settings.
    if (!form.hwnd() || !IsWindowVisible(form.hwnd())) return;
    const bool enabled = isChecked(form, L"选择框1");
    // A change of the box reaches the file at the next tick. While the box stays
    // as it is, the file is looked at once a second, which puts right a value
    // changed behind our back: asking the file system ten times a second whether
    // the file still holds the value kept a program at rest busy. The store skips
    // the disk when the value is already there, and a folder we cannot write to
    // just loses the setting.
    static std::optional<bool> lastStored;
    static ULONGLONG lastStoredAt = 0;
    const ULONGLONG now = GetTickCount64();
    if (lastStored != enabled || now - lastStoredAt >= kAutoHideRecheckMs) {
        app::SettingsStore::write(app::settingsFile(app::kAutoHideSettings), kOptionsSection, L"选择框选中",
                                  enabled ? kTrue : kFalse);
        lastStored = enabled;
        lastStoredAt = now;
    }
    if (!enabled) return;

    POINT cursor{};
    if (!GetCursorPos(&cursor)) return;
    const RECT r = form.rect();
    const WindowBox window{r.left, r.top, r.right - r.left, r.bottom - r.top};
    const std::optional<ScreenPoint> target =
        autoHidePosition({cursor.x, cursor.y}, window, GetSystemMetrics(SM_CXSCREEN));
    if (target && (target->x != window.left || target->y != window.top)) form.moveTo(target->x, target->y);
}

void onTopmostOn(rt::Form& form) {
    if (!isChecked(form, L"单选框1")) return;
    app::SettingsStore::write(app::settingsFile(app::kTopmostSettings), kOptionsSection, L"单选框选中", kTrue);
    form.setTopmost(true);
}

void onTopmostOff(rt::Form& form) {
    if (!isChecked(form, L"单选框2")) return;
    app::SettingsStore::write(app::settingsFile(app::kTopmostSettings), kOptionsSection, L"单选框选中", kFalse);
    form.setTopmost(false);
}

void onDockLeft(rt::Form& form) { form.moveTo(0, form.rect().top); }

void onDockRight(rt::Form& form) {
    const RECT r = form.rect();
    form.moveTo(dockRightLeft(GetSystemMetrics(SM_CXSCREEN), r.right - r.left), r.top);
}

void createDesktopShortcut() {
    const std::wstring settings = app::settingsFile(app::kMainSettings);
    if (!app::SettingsStore::read(settings, L"init", L"writeFile").empty()) return;

    const std::wstring& exe = app::executablePath();
    const size_t slash = exe.find_last_of(L'\\');
    const std::wstring desktop = desktopFolder();
    if (!exe.empty() && slash != std::wstring::npos && !desktop.empty())
        writeShellLink(desktop + L"\\" + linkName(exe.substr(slash + 1)), exe);

    // Attempted once per settings file, whether or not the link could be made.
    app::SettingsStore::write(settings, L"init", L"writeFile", L"1");
    Sleep(10);
    // The desktop picks up the new icon.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

} // namespace ui
