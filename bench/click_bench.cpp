// Click and hotkey to sound: from a mouse-button release (click) or a hotkey
// message (hotkey) reaching the program to the clip's first sample in the
// device buffer, 200 times across the five clip pages, while one thread of
// this process spins at normal priority to keep the second core busy; then
// ten times more from rest (the clip stopped and the output left to rest).
//   click_bench.exe click|hotkey
// The program itself runs in this process (its own code, its own window).
// The user thread touches none of the program's windows or objects: it only
// posts input messages. What must be read on the program's side (window
// handles, hotkey ids, the stream a click started) is read on the UI thread by
// a message-only window of the benchmark's own, since the skinned windows
// must not be used from another thread. Run it from a copy of the program
// folder so that data\music and plugins\bass.dll are beside it.
#include "app/App.h"
#include "app/Globals.h"
#include "app/SettingsStore.h"
#include "board/Catalogue.h"
#include "board/HotkeyCodes.h"
#include "runtime/Form.h"
#include "runtime/Handles.h"

#include "bass.h"

#include <windows.h>

#include "bench/BenchClock.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::now;
using bench::percentile;

using StartTimesFn = BASS_BOOL(BASSAPI*)(HSTREAM, BASS_QWORD*, BASS_QWORD*);
using OutputInfoFn = BASS_BOOL(BASSAPI*)(BASSX_OUTPUTINFO*);

constexpr int kPresses = 200;
constexpr int kPressesFromRest = 10;
// The page strip (标签1): six items 70 px wide, 73 px apart, from x = 2.
constexpr int kStripItemStep = 73, kStripItemCentre = 2 + 35, kStripItemY = 20;
// Hotkeys bound for the benchmark: Ctrl+Shift+Alt with A, B, C...
constexpr int kHotkeyClips = 20;
constexpr int kHotkeyModifiers = board::kCtrlBit | board::kShiftBit | board::kAltBit;

// Messages the probe window answers on the UI thread.
enum ProbeMessage : UINT {
    kMainWindow = WM_APP + 1, // the main window once it is visible, else 0
    kControl,                 // lParam: const wchar_t* name; the control's window
    kHotkeyId,                // lParam: const wchar_t* name; the id of the control's hotkey
    kSync,                    // posted: records the current stream and sets the sync event
};

struct Probe {
    rt::UniqueKernelHandle synced{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    std::atomic<HSTREAM> stream{0};
};
Probe* probe = nullptr;

rt::Control* controlNamed(LPARAM name) {
    return app::mainWindow ? app::mainWindow->find(reinterpret_cast<const wchar_t*>(name)) : nullptr;
}

LRESULT CALLBACK probeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case kMainWindow:
        return app::mainWindow && IsWindowVisible(app::mainWindow->hwnd())
                   ? reinterpret_cast<LRESULT>(app::mainWindow->hwnd())
                   : 0;
    case kControl: {
        rt::Control* c = controlNamed(lParam);
        return c ? reinterpret_cast<LRESULT>(c->hwnd()) : 0;
    }
    case kHotkeyId: {
        rt::Control* c = controlNamed(lParam);
        return c ? board::parseHotkeyTag(c->tag()).id : 0;
    }
    case kSync:
        probe->stream.store(app::currentStream);
        SetEvent(probe->synced.get());
        return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

rt::UniqueWindow createProbeWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = probeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SoundBoardBenchProbe";
    RegisterClassExW(&wc);
    return rt::UniqueWindow(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            wc.hInstance, nullptr));
}

std::wstring buttonName(int number) { return L"按钮_音效" + std::to_wstring(number); }

// The clips the hotkeys are bound to, spread over the catalogue and so over the pages.
const board::CatalogueEntry& hotkeyClip(int k) {
    const auto entries = board::catalogue();
    return entries[(static_cast<size_t>(k) * 37) % entries.size()];
}

// Stored as the hotkey dialog stores them, so that start-up registers them.
void bindHotkeys() {
    const std::wstring file = app::settingsFile(app::kMainSettings);
    for (int k = 0; k < kHotkeyClips; ++k) {
        const std::wstring key = board::hotkeyKey(buttonName(hotkeyClip(k).number));
        const std::wstring value = board::storedHotkeyValue('A' + k, kHotkeyModifiers);
        app::SettingsStore::write(file, L"hotkey", key, value.c_str());
    }
}

// The other core's load: one thread spinning at normal priority.
class BusyCore {
  public:
    BusyCore()
        : thread_([this] {
              while (!stop_.load(std::memory_order_relaxed)) {
              }
          }) {}
    ~BusyCore() {
        stop_.store(true);
        thread_.join();
    }
    BusyCore(const BusyCore&) = delete;
    BusyCore& operator=(const BusyCore&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Sample {
    double total = 0;   // the input message posted -> first sample, ms
    double program = 0; // the input message posted -> the play request
    double library = 0; // the play request -> first sample
};

class User {
  public:
    // Once the main window is up: the program has loaded the library by then.
    explicit User(HWND probeWindow) : probe_(probeWindow) {
        while (!(main_ = reinterpret_cast<HWND>(SendMessageW(probe_, kMainWindow, 0, 0)))) Sleep(10);
        HMODULE bass = GetModuleHandleW(L"bass.dll");
        startTimes_ = reinterpret_cast<StartTimesFn>(
            reinterpret_cast<void*>(GetProcAddress(bass, "BASSX_ChannelGetStartTimes")));
        outputInfo_ =
            reinterpret_cast<OutputInfoFn>(reinterpret_cast<void*>(GetProcAddress(bass, "BASSX_GetOutputInfo")));
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        ticksPerMs_ = static_cast<double>(f.QuadPart) / 1000.0;
    }

    HWND mainWindow() const { return main_; }
    HWND control(const std::wstring& name) const {
        return reinterpret_cast<HWND>(SendMessageW(probe_, kControl, 0, reinterpret_cast<LPARAM>(name.c_str())));
    }
    int hotkeyId(const std::wstring& name) const {
        return static_cast<int>(SendMessageW(probe_, kHotkeyId, 0, reinterpret_cast<LPARAM>(name.c_str())));
    }

    // Waits until the UI thread has handled everything posted before; answers the current stream.
    HSTREAM sync() const {
        PostMessageW(probe_, kSync, 0, 0);
        WaitForSingleObject(probe->synced.get(), 5000);
        return probe->stream.load();
    }

    // Posts `release` (the last message of a press) and waits for the clip it starts.
    bool measure(HWND target, UINT release, WPARAM wParam, LPARAM lParam, HSTREAM before, std::vector<Sample>& out) {
        LARGE_INTEGER posted;
        QueryPerformanceCounter(&posted);
        PostMessageW(target, release, wParam, lParam);
        const HSTREAM stream = sync();
        if (!stream || stream == before || !startTimes_) return false;
        BASS_QWORD requested = 0, first = 0;
        for (const double limit = now() + 2.0; !startTimes_(stream, &requested, &first);) {
            if (now() > limit) return false;
            Sleep(1);
        }
        const auto ms = [this](double ticks) { return ticks / ticksPerMs_; };
        out.push_back({ms(double(first) - double(posted.QuadPart)), ms(double(requested) - double(posted.QuadPart)),
                       ms(double(first) - double(requested))});
        return true;
    }

    BASSX_OUTPUTINFO outputInfo() const {
        BASSX_OUTPUTINFO info{};
        if (outputInfo_) outputInfo_(&info);
        return info;
    }

    // Stops the clip with the stop button and waits until the output has
    // rested (nothing written to the device for a while); false if it did not.
    bool rest() const {
        const HWND stop = control(L"按钮_停止播放");
        PostMessageW(stop, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(stop, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        sync();
        uint64_t written = outputInfo().framesWritten;
        for (const double limit = now() + 10.0; now() < limit;) {
            Sleep(300);
            const uint64_t later = outputInfo().framesWritten;
            if (later == written) return true;
            written = later;
        }
        return false;
    }

  private:
    HWND probe_;
    HWND main_ = nullptr;
    StartTimesFn startTimes_ = nullptr;
    OutputInfoFn outputInfo_ = nullptr;
    double ticksPerMs_ = 1;
};

// Press number i: a clip played the way the benchmark measures, its figures added to `out`.
using Press = std::function<void(int i, std::vector<Sample>& out)>;

void pressAll(const User& user, const Press& press, std::vector<Sample>& running, std::vector<Sample>& fromRest) {
    for (int i = 0; i < kPresses; ++i) press(i, running);
    for (int i = 0; i < kPressesFromRest; ++i)
        if (user.rest()) press(kPresses + i, fromRest);
}

void clicks(User& user, std::vector<Sample>& running, std::vector<Sample>& fromRest) {
    const HWND strip = user.control(L"标签1");
    const auto entries = board::catalogue();
    int shownPage = 1;
    pressAll(user, [&](int i, std::vector<Sample>& out) {
        const board::CatalogueEntry& e = entries[(static_cast<size_t>(i) * 37) % entries.size()];
        if (e.page != shownPage) {
            // The strip's item for a page has the page's number.
            const LPARAM at = MAKELPARAM(kStripItemCentre + (e.page - 1) * kStripItemStep, kStripItemY);
            PostMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(strip, WM_LBUTTONUP, 0, at);
            user.sync();
            shownPage = e.page;
            Sleep(250); // the page paints while the pointer moves to a button
        }
        const HWND button = user.control(buttonName(e.number));
        const HSTREAM before = user.sync();
        PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        Sleep(40); // a press lasts a while; its own handling is not part of the measure
        user.measure(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5), before, out);
        Sleep(60);
    }, running, fromRest);
}

void hotkeys(User& user, std::vector<Sample>& running, std::vector<Sample>& fromRest) {
    std::vector<std::pair<int, int>> bound; // hotkey id, key
    for (int k = 0; k < kHotkeyClips; ++k)
        if (const int id = user.hotkeyId(buttonName(hotkeyClip(k).number))) bound.emplace_back(id, 'A' + k);
    if (bound.empty()) {
        std::printf("no hotkey could be registered\n");
        return;
    }
    const LPARAM modifiers = board::systemFlagsFromBits(kHotkeyModifiers);
    pressAll(user, [&](int i, std::vector<Sample>& out) {
        const auto [id, key] = bound[static_cast<size_t>(i) % bound.size()];
        const HSTREAM before = user.sync();
        user.measure(user.mainWindow(), WM_HOTKEY, static_cast<WPARAM>(id), MAKELPARAM(modifiers, key), before, out);
        Sleep(100);
    }, running, fromRest);
}

// Median and 99th percentile (the largest, for a handful) of each part, also in device periods.
void figures(const std::vector<Sample>& samples, double periodMs) {
    const bool few = samples.size() < 100;
    auto figure = [&](const char* label, double Sample::*field) {
        std::vector<double> v;
        for (const Sample& s : samples) v.push_back(s.*field);
        const double median = percentile(v, 0.5), high = percentile(v, few ? 1.0 : 0.99);
        std::printf("  %s: median %.2f ms (%.2f periods), %s %.2f ms (%.2f periods)\n", label, median,
                    periodMs > 0 ? median / periodMs : 0, few ? "largest" : "99th percentile", high,
                    periodMs > 0 ? high / periodMs : 0);
    };
    figure("total", &Sample::total);
    figure("  program, input to play request", &Sample::program);
    figure("  library, play request to first sample", &Sample::library);
}

void report(const char* what, const std::vector<Sample>& running, const std::vector<Sample>& fromRest,
            const BASSX_OUTPUTINFO& info) {
    const double periodMs = info.rate ? 1000.0 * info.periodFrames / info.rate : 0;
    std::printf("%s to first sample in the device buffer, the other core busy (one thread spinning at normal"
                " priority)\n",
                what);
    std::printf(" %zu of %d presses while a clip plays:\n", running.size(), kPresses);
    figures(running, periodMs);
    std::printf(" %zu of %d presses from rest (the clip stopped, the output rested):\n", fromRest.size(),
                kPressesFromRest);
    figures(fromRest, periodMs);
    std::printf("  device period in use %.2f ms (%u frames at %u Hz), buffer %u frames; bound one period + 2 ms = "
                "%.2f ms; device underruns %u, stream underruns %u\n",
                periodMs, info.periodFrames, info.rate, info.bufferFrames, periodMs + 2.0, info.deviceUnderruns,
                info.streamUnderruns);
}

void play(HWND probeWindow, bool byHotkey) {
    User user(probeWindow);
    Sleep(500);
    std::vector<Sample> running, fromRest;
    const BASSX_OUTPUTINFO before = user.outputInfo();
    {
        BusyCore load;
        if (byHotkey)
            hotkeys(user, running, fromRest);
        else
            clicks(user, running, fromRest);
    }
    BASSX_OUTPUTINFO info = user.outputInfo();
    info.deviceUnderruns -= before.deviceUnderruns;
    info.streamUnderruns -= before.streamUnderruns;
    report(byHotkey ? "hotkey" : "click", running, fromRest, info);
    std::fflush(stdout);
    PostMessageW(user.mainWindow(), WM_CLOSE, 0, 0);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool byHotkey = argc > 1 && std::wstring(argv[1]) == L"hotkey";
    if (byHotkey) bindHotkeys();
    Probe state;
    probe = &state;
    // On this thread, which becomes the program's UI thread.
    const rt::UniqueWindow probeWindow = createProbeWindow();
    std::thread user(play, probeWindow.get(), byHotkey);
    const int code = app::run();
    user.join();
    probe = nullptr;
    return code;
}
