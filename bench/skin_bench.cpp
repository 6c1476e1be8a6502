// Skinned window painting: a full render of a window of the main window's
// size with the default skin, and the repaint of one caption button's hover
// step, each against a plain BitBlt of the same area in the same run.
// Usage: skin_bench <skin picture> [<another skin picture> <a large custom picture>]
#include "draw/GdiplusRuntime.h"
#include "draw/PathShapes.h"
#include "skin/PageStrip.h"
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
        // The board: a panel with two pages of 36 buttons, the second hidden.
        HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 16, 88, 440, 360, hwnd, nullptr,
                                     wc.hInstance, nullptr);
        std::vector<HWND> pages[2];
        HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, L"宋体");
        for (int page = 0; page < 2; ++page)
            for (int i = 0; i < 36; ++i) {
                HWND b = CreateWindowExW(0, L"BUTTON", L"掌声雷动", WS_CHILD | (page ? 0 : WS_VISIBLE) | BS_PUSHBUTTON,
                                         8 + (i % 6) * 72, 32 + (i / 6) * 40, 64, 32, panel, nullptr, wc.hInstance,
                                         nullptr);
                SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
                pages[page].push_back(b);
            }
        const double attachStart = now();
        engine.attachWindow(hwnd, {.resizable = false});
        engine.attachContainer(panel, {.fillColour = GetSysColor(COLOR_BTNFACE), .fillAlpha = 100});
        const double attachMs = (now() - attachStart) * 1000.0;
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
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const Figures blitButton = time(300, [&] { BitBlt(screen, 24, 120, 64, 32, buffer, 24, 120, SRCCOPY); });
        int hot = 0;
        {
            HDC cap = engine.captureBackground(pages[0][5], RECT{0, 0, 64, 32});
            const Figures textOnly = time(200, [&] {
                draw::Graphics g;
                g.create(cap);
                draw::StringFormat f;
                f.create();
                draw::Brush ink;
                ink.createSolid(0xFF000000);
                g.drawString(L"掌声雷动", engine.font(L"宋体", 12, 0), {0, 2, 64, 32}, f, ink);
            });
            const Figures fillsOnly = time(200, [&] {
                draw::Graphics g;
                g.create(cap);
                for (int k = 0; k < 5; ++k) {
                    draw::Brush b;
                    b.createLinear({0, 0}, {0, 32}, 0x80FFFFFF, 0x10000000);
                    g.fillPath(b, draw::makePath(draw::addRoundedRect, 0, 0, 63, 31, 5));
                }
            });
            const Figures captureOnly = time(200, [&] { engine.releaseCaptureDC(engine.captureBackground(pages[0][5], RECT{0, 0, 64, 32})); });
            engine.releaseCaptureDC(cap);
            std::printf("button parts: text %.3f ms, five gradient fills %.3f ms, capture %.3f ms\n", textOnly.median,
                        fillsOnly.median, captureOnly.median);
        }
        const Figures buttonHover = time(300, [&] { engine.repaintButton(pages[0][5], 0, hot++ % 2 == 0); });
        const Figures blitPanel = time(300, [&] { BitBlt(screen, 16, 88, 440, 360, buffer, 16, 88, SRCCOPY); });
        int shown = 0;
        const Figures pageSwitch = time(60, [&] {
            for (HWND b : pages[shown]) ShowWindow(b, SW_HIDE);
            shown = 1 - shown;
            for (HWND b : pages[shown]) ShowWindow(b, SW_SHOWNA);
            RedrawWindow(panel, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        });
        ReleaseDC(hwnd, screen);
        std::printf("plain BitBlt of the window (472 x 658):      median %7.3f ms, 99th percentile %7.3f ms\n",
                    blitWindow.median, blitWindow.p99);
        print("full render of the window, ratio to the blit:", render, blitWindow);
        std::printf("plain BitBlt of a caption button (38 x 18):  median %7.3f ms, 99th percentile %7.3f ms\n",
                    blitCell.median, blitCell.p99);
        print("hover step of the close button, ratio:", hover, blitCell);
        print("hover step of the close button, to window blit:", hover, blitWindow);
        std::printf("plain BitBlt of a board button (64 x 32):   median %7.3f ms, 99th percentile %7.3f ms\n",
                    blitButton.median, blitButton.p99);
        print("hover repaint of one board button, ratio:", buttonHover, blitButton);
        std::printf("plain BitBlt of the board (440 x 360):      median %7.3f ms, 99th percentile %7.3f ms\n",
                    blitPanel.median, blitPanel.p99);
        print("page switch (36 buttons out, 36 in), ratio:", pageSwitch, blitPanel);
        std::printf("attaching the window and the board (72 buttons): %.1f ms\n", attachMs);
        print("setting the default skin (no window shown):", setSkin, blitWindow);
        if (argc >= 4) {
            // Skin changes with the window shown: each re-renders it.
            const skin::Bytes other = skin::readImageFile(argv[2]);
            int which = 0;
            const Figures switching = time(20, [&] {
                engine.setSkin({.image = which++ % 2 ? other : picture, .mode = 0});
                UpdateWindow(hwnd);
            });
            const std::wstring large = argv[3];
            const Figures custom = time(5, [&] {
                engine.setSkin({.fileName = large, .mode = 0});
                UpdateWindow(hwnd);
            });
            print("switching between two built-in skins, ratio to a full render:", switching, render);
            print("applying a 4000 x 3000 custom JPEG, ratio to a full render:", custom, render);
        }
        print("  of which decoding the picture:", decode, blitWindow);
        print("  of which its average colour:", average, blitWindow);
        DestroyWindow(hwnd);
        engine.gdiplusToken = 0;
    }
    draw::shutdownGdiplus(token);
    return 0;
}
