#include "app/App.h"

#include <windows.h>

#include <cstdio>
#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // No exception may leave the program through a window procedure or here.
    try {
        return app::run();
    } catch (const std::exception& e) {
        // Nobody sees this on a desktop; under a test harness it says why the program ended.
        std::fprintf(stderr, "start-up failed: %s\n", e.what());
        return 1;
    } catch (...) {
        return 1;
    }
}
