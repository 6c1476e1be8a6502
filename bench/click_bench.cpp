// Click-to-sound: from a mouse-button release reaching the program to the
// clip's first sample in the device buffer, over 200 clicks across the five
// clip pages. The program itself runs in this process (its own code, its own
// window); a second thread plays the user. Run it from a copy of the program
// folder so that data\music and plugins\bass.dll are beside it.
#include "app/App.h"
#include "app/Globals.h"
#include "board/Catalogue.h"
#include "runtime/Form.h"

#include "bass.h"

#include <windows.h>

#include "bench/BenchClock.h"

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using bench::now;
using bench::percentile;

using StartDelayFn = BASS_BOOL(BASSAPI*)(HSTREAM, double*);
using OutputInfoFn = BASS_BOOL(BASSAPI*)(BASSX_OUTPUTINFO*);

void user() {
    while (!app::mainWindow || !IsWindowVisible(app::mainWindow->hwnd())) Sleep(10);
    Sleep(500);
    HMODULE bass = GetModuleHandleW(L"bass.dll");
    auto startDelay = reinterpret_cast<StartDelayFn>(reinterpret_cast<void*>(GetProcAddress(bass, "BASSX_ChannelGetStartDelay")));
    auto outputInfo = reinterpret_cast<OutputInfoFn>(reinterpret_cast<void*>(GetProcAddress(bass, "BASSX_GetOutputInfo")));
    rt::Form& form = *app::mainWindow;

    std::vector<double> delays, libraryDelays;
    const auto entries = board::catalogue();
    for (int i = 0; i < 200; ++i) {
        const board::CatalogueEntry& e = entries[(static_cast<size_t>(i) * 37) % entries.size()];
        form.selectPage(L"高级选择夹1", e.page - 1);
        rt::Control* button = form.find(L"按钮_音效" + std::to_wstring(e.number));
        if (!button || !startDelay) continue;
        const HSTREAM before = app::currentStream;
        PostMessageW(button->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        Sleep(40); // a press lasts a while; its own handling is not part of the measure
        const double released = now();
        PostMessageW(button->hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        double seconds = 0;
        double heard = 0;
        for (const double limit = released + 2.0; now() < limit;) {
            const HSTREAM stream = app::currentStream;
            if (stream != before && stream && startDelay(stream, &seconds)) {
                heard = now();
                break;
            }
        }
        if (heard > 0) {
            delays.push_back((heard - released) * 1000.0);
            libraryDelays.push_back(seconds * 1000.0);
        }
        Sleep(30);
    }
    BASSX_OUTPUTINFO info{};
    if (outputInfo) outputInfo(&info);
    const double periodMs = info.rate ? 1000.0 * info.periodFrames / info.rate : 0;
    printf("click to first sample in the device buffer (%zu of 200 clicks): median %.2f ms, 99th percentile %.2f ms;"
           " device period %.2f ms\n",
           delays.size(), percentile(delays, 0.5), percentile(delays, 0.99), periodMs);
    printf("  of which play to first sample inside the library: median %.2f ms, 99th percentile %.2f ms\n",
           percentile(libraryDelays, 0.5), percentile(libraryDelays, 0.99));
    fflush(stdout);
    PostMessageW(form.hwnd(), WM_CLOSE, 0, 0);
}

} // namespace

int wmain() {
    std::thread driver(user);
    const int code = app::run();
    driver.join();
    return code;
}
