// Start-up cost of the program against a bare Win32 window program, in one run:
//   startup_bench PROGRAM.exe BARE.exe [runs]
// For each run it starts the program, waits until its first window is shown
// and its message loop is idle (the window has painted), records the time and
// the working set, then ends it. Prints medians and the ratios.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/ProgramRun.h"

namespace {

struct Sample {
    double visibleMs;
    double ms;
    double workingSetKb;
};

bool measure(const std::wstring& exe, Sample& out) {
    bench::ProgramRun run;
    if (!run.start(exe)) return false;
    out.visibleMs = run.visibleMs();
    out.ms = run.idleMs();
    Sleep(300); // let the working set settle after start-up
    PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
    GetProcessMemoryInfo(run.process(), &pmc, sizeof pmc);
    out.workingSetKb = static_cast<double>(pmc.WorkingSetSize) / 1024.0;
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: startup_bench PROGRAM.exe BARE.exe [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? _wtoi(argv[3]) : 7;
    std::vector<double> progMs, progWs, bareMs, bareWs, progVis, bareVis;
    for (int i = 0; i < runs; ++i) {
        Sample s{};
        if (measure(argv[1], s)) {
            progMs.push_back(s.ms);
            progVis.push_back(s.visibleMs);
            progWs.push_back(s.workingSetKb);
        }
        if (measure(argv[2], s)) {
            bareMs.push_back(s.ms);
            bareVis.push_back(s.visibleMs);
            bareWs.push_back(s.workingSetKb);
        }
    }
    const double pm = median(progMs), bm = median(bareMs), pw = median(progWs), bw = median(bareWs);
    printf("start-up to first painted window: program %.1f ms, bare window %.1f ms, ratio %.2fx (%zu runs)\n", pm, bm,
           bm > 0 ? pm / bm : 0.0, progMs.size());
    printf("  of which until the window is visible: program %.1f ms, bare window %.1f ms\n", median(progVis),
           median(bareVis));
    printf("working set after start: program %.0f KB, bare window %.0f KB, ratio %.2fx\n", pw, bw,
           bw > 0 ? pw / bw : 0.0);
    return 0;
}
