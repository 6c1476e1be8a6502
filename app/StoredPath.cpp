#include "app/StoredPath.h"

#include "app/SettingsStore.h"
#include "app/gbk_codec.h"
#include "runtime/Form.h"

namespace app {
namespace {

// The settings layer speaks UTF-16 as the program does; the codec takes code units.
std::u16string units(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

} // namespace

std::optional<std::wstring> pathForSettings(std::wstring_view path) {
    const std::wstring stored = storablePath(path);
    if (!gbkCanEncode(units(stored))) return std::nullopt;
    return stored;
}

std::optional<std::wstring> rememberChosenPath(std::wstring_view path, HWND owner) {
    std::optional<std::wstring> stored = pathForSettings(path);
    if (!stored)
        rt::messageBox(L"该文件的路径含有无法保存的字符，本次运行中有效，下次启动时不会恢复此选择。\r\n"
                       L"请把文件移到路径只含中文、英文和数字的文件夹后再选择。",
                       L"鸣川声板", MB_OK | MB_ICONWARNING, owner);
    return stored;
}

} // namespace app
