#include "maint/WorkingSet.h"

#include "runtime/Handles.h"

#include <windows.h>

namespace maint {
namespace {

DWORD WINAPI trimThread(void*) {
    // (-1, -1) asks the system to take every page it can out of the working set;
    // the pages come back on demand. Done in process: no helper program, no
    // write into the Windows folder, no administrator rights.
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
    return 0;
}

} // namespace

void trimWorkingSet() noexcept {
    // CreateThread rather than SHCreateThread: the latter makes its caller wait
    // until the new thread has started, and the window must not wait at all.
    // The handle is closed at once; the thread ends by itself.
    rt::UniqueKernelHandle thread(CreateThread(nullptr, 0, trimThread, nullptr, 0, nullptr));
}

} // namespace maint
