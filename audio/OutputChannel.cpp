#include "audio/OutputChannel.h"

#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "audio/AudioPlayer.h"
#include "audio/BassLibrary.h"
#include "runtime/Form.h"

#include <windows.h>

#include <array>

namespace audio {
namespace {

constexpr wchar_t kChannelList[] = L"组合框1";
constexpr wchar_t kVolumeSlider[] = L"滑块条1";

void addEntry(HWND list, std::wstring_view text, int value) {
    const auto index = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::wstring(text).c_str()));
    if (index >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), value);
}

// A position beyond the last entry selects the last entry, as the list's own rule.
void selectPosition(HWND list, int position) {
    const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    if (position >= count) position = count - 1;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
}

int selectedValue(HWND list) {
    const auto index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index < 0) return -1;
    return static_cast<int>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

std::wstring selectedText(HWND list) {
    const auto index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index < 0) return {};
    const auto length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::wstring fromUtf8(const char* text) {
    if (!text || !*text) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return out;
}

} // namespace

void fillOutputChannels(rt::Form& form, int passage) {
    rt::Control* control = form.find(kChannelList);
    HWND list = control ? control->hwnd() : nullptr;
    AudioPlayer& player = *app::audioPlayer;
    player.init();
    addEntry(list, L"不输出音效", 0);
    const auto device = static_cast<int>(SB_BASS(BASS_GetDevice)());
    if (device <= 0) {
        // No default device: name the output pairs of a multi-channel card and ask for them anyway.
        constexpr std::array<const wchar_t*, 4> kFallback{L"系统音源", L"4/5", L"6/7", L"8/9"};
        for (int i = 0; i < static_cast<int>(kFallback.size()); ++i) addEntry(list, kFallback[i], i + 1);
        selectPosition(list, passage > 0 ? passage : 1);
    } else {
        for (BASS_DWORD n = 1; n <= 5; ++n) {
            BASS_DEVICEINFO info{};
            if (SB_BASS(BASS_GetDeviceInfo)(n, &info)) addEntry(list, fromUtf8(info.name), 0);
        }
        const auto count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
        for (int i = 1; i <= count; ++i) {
            SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(i - 1), i - 1);
            if (passage == i) selectPosition(list, i);
        }
        if (SendMessageW(list, CB_GETCURSEL, 0, 0) < 0) selectPosition(list, 1);
    }
    player.free();
    player.init(selectedValue(list));
}

void onOutputChannelChanged(rt::Control& list) {
    AudioPlayer& player = *app::audioPlayer;
    player.free();
    const int value = selectedValue(list.hwnd());
    if (!player.init(value)) {
        rt::messageBox(L"设备初始化失败！", L"失败", MB_ICONEXCLAMATION | MB_SYSTEMMODAL);
        return;
    }
    app::SettingsStore::write(app::settingsFile(app::kMainSettings), L"music", L"passage",
                              std::to_wstring(value).c_str());
    rt::messageBox(L"设备" + selectedText(list.hwnd()) + L"初始化成功！", L"信息：", MB_OK | MB_TASKMODAL);
}

void onVolumeChanged(rt::Control& slider) {
    app::SettingsStore::write(app::settingsFile(app::kMainSettings), L"music", L"volume",
                              std::to_wstring(slider.position()).c_str());
    applyVolume();
}

void applyVolume() {
    rt::Control* slider = app::mainWindow ? app::mainWindow->find(kVolumeSlider) : nullptr;
    const int position = slider ? slider->position() : 100;
    app::audioPlayer->setStreamVolume(app::currentStream, static_cast<float>(position) / 100.0f);
}

} // namespace audio
