// Skinned window painting: a full render of a window of the main window's
// size with the default skin, and the repaint of one caption button's hover
// step, each against a plain BitBlt of the same area in the same run.
// Usage: skin_bench <skin picture>
#include "draw/GdiplusRuntime.h"
#include "skin/SkinEngine.h"

#include <windows.h>

#include "bench/BenchClock.h"

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using bench::now;
using bench::percentile;

struct Figures {
    double median, p99;
};

Figures time(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const double t = now();
        work();
        GdiFlush();
        ms.push_back((now() - t) * 1000.0);
    }
    return {percentile(ms, 0.5), percentile(ms, 0.99)};
}

void print(const char* what, Figures f, Figures reference) {
    std::printf("%-44s median %7.3f ms (%5.1fx), 99th percentile %7.3f ms (%5.1fx)\n", what, f.median,
                f.median / reference.median, f.p99, f.p99 / reference.p99);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: skin_bench <skin picture>\n");
        return 2;
    }
    const uintptr_t token = draw::startGdiplus();
    {
        skin::SkinEngine engine;
        engine.gdiplusToken = token;
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SkinBench";
        RegisterClassW(&wc);
        HWND hwnd = CreateWindowExW(0, L"SkinBench", L"鸣川声板,支持多通道选择播放，支持音量大小调节！",
                                    WS_POPUP | WS_MINIMIZEBOX | WS_VISIBLE, 100, 50, 472, 658, nullptr, nullptr,
                                    wc.hInstance, nullptr);
        const skin::Bytes picture = skin::readImageFile(argv[1]);
        const skin::SkinSource source{.image = picture, .backgroundColour = GetSysColor(COLOR_BTNFACE),
                                      .accentColour = 0x51AE51, .mode = 0};
        const Figures setSkin = time(20, [&] { engine.setSkin(source); });
        const skin::Picture decoded = skin::decodePicture(picture);
        const Figures decode = time(20, [&] { skin::decodePicture(picture); });
        const Figures average = time(20, [&] { skin::averageColour(decoded.get()); });
        engine.setControlTransparency(true, 0);
        engine.attachWindow(hwnd, {.resizable = false});
        engine.addCaptionButton(hwnd, {}, L"换皮肤", [] {});
        engine.renderWindow(1, true);

        HDC screen = GetDC(hwnd);
        const HDC buffer = engine.window(1)->backBuffer.dc();
        const Figures blitWindow = time(300, [&] { BitBlt(screen, 0, 0, 472, 658, buffer, 0, 0, SRCCOPY); });
        const Figures blitCell = time(300, [&] { BitBlt(screen, 433, 1, 38, 18, buffer, 433, 1, SRCCOPY); });
        const Figures render = time(100, [&] { engine.renderWindow(1, true); });
        int step = 0;
        const Figures hover = time(300, [&] {
            engine.drawCaptionButton(1, 3, false, false, 30 * (1 + step++ % 8));
        });
        ReleaseDC(hwnd, screen);
        std::printf("plain BitBlt of the window (472 x 658):      median %7.3f ms, 99th percentile %7.3f ms\n",
                    blitWindow.median, blitWindow.p99);
        print("full render of the window, ratio to the blit:", render, blitWindow);
        std::printf("plain BitBlt of a caption button (38 x 18):  median %7.3f ms, 99th percentile %7.3f ms\n",
                    blitCell.median, blitCell.p99);
        print("hover step of the close button, ratio:", hover, blitCell);
        print("hover step of the close button, to window blit:", hover, blitWindow);
        print("setting the default skin (no window shown):", setSkin, blitWindow);
        print("  of which decoding the picture:", decode, blitWindow);
        print("  of which its average colour:", average, blitWindow);
        DestroyWindow(hwnd);
        engine.gdiplusToken = 0;
    }
    draw::shutdownGdiplus(token);
    return 0;
}
