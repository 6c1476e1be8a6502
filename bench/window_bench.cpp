// Cost of one auto-hide timer tick (it rewrites 配置.ini ten times a second)
// and the effect of the working-set trimming, in this process with the
// program's own code. Run it from a folder of its own: once writable, once
// read-only (tools/bench window does both).
#include "maint/WorkingSet.h"
#include "runtime/Form.h"
#include "ui/MainWindowLayout.h"
#include "ui/WindowBehaviours.h"

#include <windows.h>

#include "bench/BenchClock.h"
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::now;
using bench::percentile;

void tickFigures(rt::Form& form, bool checked) {
    form.find(L"选择框1")->setChecked(checked);
    std::vector<double> us;
    for (int i = 0; i < 1000; ++i) {
        const double t = now();
        ui::onAutoHideTick(form);
        us.push_back((now() - t) * 1e6);
    }
    std::sort(us.begin(), us.end());
    std::printf("tick, auto-hide %-3s: median %7.1f us, p99 %7.1f us, max %7.1f us (%.2f%% of a 100 ms period)\n",
                checked ? "on" : "off", us[us.size() / 2], us[us.size() * 99 / 100], us.back(),
                us[us.size() / 2] / 1000.0);
}

SIZE_T workingSet() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return c.WorkingSetSize;
}

} // namespace

int wmain() {
    rt::Form form;
    if (!form.load(ui::mainWindowLayout(), {})) return 1;
    // Far from every screen edge, so the tick never moves the window.
    form.moveTo(400, 70);
    tickFigures(form, false);
    tickFigures(form, true);

    std::vector<char> touched(64u << 20);
    for (size_t i = 0; i < touched.size(); i += 4096) touched[i] = 1;
    const SIZE_T before = workingSet();
    const double t = now();
    maint::trimWorkingSet();
    const double returned = (now() - t) * 1e6;
    Sleep(300);
    std::printf("trim: caller back after %.1f us; working set %zu KiB before, %zu KiB 300 ms after\n", returned,
                before / 1024, workingSet() / 1024);
    return 0;
}
