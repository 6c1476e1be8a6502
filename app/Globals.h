// State shared by the parts of the program for its whole run.
#pragma once

#include "bass.h"

#include <windows.h>

#include <memory>
#include <string>

namespace audio {
class AudioPlayer;
}
namespace skin {
class SkinEngine;
class PageStrip;
} // namespace skin
namespace ui {
class ControlWrapper;
}
namespace rt {
class Form;
}

namespace app {

// The last value read from or given to the hotkey field: virtual-key code and
// the field's modifier flags, each an 8-bit value in a 32-bit field.
struct HotkeyValue {
    uint32_t keyCode = 0;
    uint32_t modifiers = 0;
};

// The executable's folder with one trailing backslash; empty until the main
// window's created handler computes it.
extern std::wstring programDir;
// The stream created by the last play request; 0 when none.
extern HSTREAM currentStream;
extern HMODULE mainModule;
extern int childIdCounter;

// The global objects, created in this order before any window exists and
// destroyed in the same order after the message loop.
extern audio::AudioPlayer* audioPlayer;
extern skin::SkinEngine* skinEngine;
extern skin::PageStrip* pageStrip;
extern HotkeyValue* hotkeyValue;
extern ui::ControlWrapper* controlWrapper;

extern rt::Form* mainWindow;

// The running executable's full path.
const std::wstring& executablePath();

// A settings file in the program's folder.
std::wstring settingsFile(std::wstring_view name);

inline constexpr wchar_t kMainSettings[] = L"xnKxConfig.ini";
inline constexpr wchar_t kAutoHideSettings[] = L"配置.ini";
inline constexpr wchar_t kTopmostSettings[] = L"配置1.ini";
inline constexpr wchar_t kTransparencySettings[] = L"skin.ini";
inline constexpr wchar_t kSkinSettings[] = L"ski.ini";

} // namespace app
