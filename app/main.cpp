#include "app/App.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // No exception may leave the program through a window procedure or here.
    try {
        return app::run();
    } catch (...) {
        return 1;
    }
}
