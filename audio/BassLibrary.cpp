#include "audio/BassLibrary.h"

#include "app/Globals.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"

#include <windows.h>

namespace audio {
namespace {

constexpr wchar_t kLibraryName[] = L"bass.dll";

std::wstring searchFolder;
rt::UniqueModule library;
BassApi api;
bool bound = false;

std::wstring exeFolder() {
    const std::wstring& path = app::executablePath();
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

HMODULE loadLibrary() {
    // The plugins folder first, then the program's own folder, then the system search.
    for (const std::wstring& folder : {searchFolder, exeFolder()}) {
        if (folder.empty()) continue;
        const std::wstring path = folder + kLibraryName;
        if (HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return m;
    }
    return LoadLibraryW(kLibraryName);
}

std::wstring widen(const char* text) {
    std::wstring wide;
    for (; *text; ++text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
    return wide;
}

[[noreturn]] void failBinding(const char* function) {
    rt::messageBox(bindFailureMessage(kLibraryName, widen(function)), L"鸣川声板",
                   MB_OK | MB_ICONERROR | MB_SYSTEMMODAL);
    ExitProcess(static_cast<UINT>(-1));
}

} // namespace

void setBassSearchFolder(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder.push_back(L'\\');
    searchFolder = std::move(folder);
}

std::wstring bindFailureMessage(std::wstring_view libraryName, std::wstring_view function) {
    std::wstring text = L"运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件“";
    text += libraryName;
    text += L"”中的输出命令“";
    text += function;
    text += L"”";
    return text;
}

const BassApi& bass(const char* calling) {
    if (bound) return api;
    library.reset(loadLibrary());
    if (!library) failBinding(calling);
#define SB_BASS_BIND(name)                                                                                             \
    api.name = reinterpret_cast<decltype(api.name)>(                                                                   \
        reinterpret_cast<void*>(GetProcAddress(library.get(), #name)));                                                \
    if (!api.name) failBinding(#name);
    SB_BASS_FUNCTIONS(SB_BASS_BIND)
#undef SB_BASS_BIND
    bound = true;
    return api;
}

} // namespace audio
