// Start-up cost of the program against two yardsticks, in one run:
//   startup_bench PROGRAM.exe BARE.exe REFERENCE.exe [runs]
// BARE shows an empty window; REFERENCE makes the main window with all its
// child controls through the same form runtime and does nothing else, so the
// ratio to it is the cost of our own work (settings, audio library and device,
// skin, first paint) beyond what creating the windows costs under this system.
// Each run starts a program, waits until its first window is shown and its
// message loop is idle (the window has painted), records the time and the
// working set, then ends it. The program writes its phase marks to a file
// (SB_STARTUP_TRACE), printed as a per-phase breakdown.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "bench/ProgramRun.h"

namespace {

using bench::percentile;

struct Figures {
    std::vector<double> ms, visibleMs, workingSetKb;
};

// Phase name -> its end, in ms from the process being created.
using Marks = std::vector<std::pair<std::string, double>>;

Marks readMarks(const std::wstring& file, double begun) {
    Marks marks;
    FILE* f = _wfopen(file.c_str(), L"r");
    if (!f) return marks;
    char name[64];
    long long value = 0, frequency = 0;
    while (fscanf(f, "%63s %lld", name, &value) == 2) {
        if (std::string(name) == "frequency")
            frequency = value;
        else if (frequency > 0)
            marks.emplace_back(name, (double(value) / double(frequency) - begun) * 1000.0);
    }
    fclose(f);
    return marks;
}

bool measure(const std::wstring& exe, Figures& out, const std::wstring& traceFile, Marks* marks) {
    DeleteFileW(traceFile.c_str());
    bench::ProgramRun run;
    if (!run.start(exe)) return false;
    out.visibleMs.push_back(run.visibleMs());
    out.ms.push_back(run.idleMs());
    if (marks) {
        *marks = readMarks(traceFile, run.begun());
        marks->emplace_back("idle", run.idleMs());
    }
    Sleep(300); // let the working set settle after start-up
    PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
    GetProcessMemoryInfo(run.process(), &pmc, sizeof pmc);
    out.workingSetKb.push_back(static_cast<double>(pmc.WorkingSetSize) / 1024.0);
    return true;
}

double med(const std::vector<double>& v) { return percentile(v, 0.5); }
double p99(const std::vector<double>& v) { return percentile(v, 0.99); }

const char* describe(const std::string& phase) {
    static const std::map<std::string, const char*> text{
        {"main", "process start, until the program's own code runs"},
        {"globals", "global objects, graphics start-up, common controls"},
        {"controls", "the main window and its child controls"},
        {"skin", "skin: picture, attaching the window, panels, strip, saved skin"},
        {"audio", "audio library binding, device initialisation, channel list"},
        {"board", "volume, board routing, hotkeys, custom buttons"},
        {"shown", "showing the window (its own first render)"},
        {"painted", "the first paint of the controls"},
        {"idle", "until the message loop is idle"},
    };
    const auto it = text.find(phase);
    return it == text.end() ? "" : it->second;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: startup_bench PROGRAM.exe BARE.exe REFERENCE.exe [runs]\n");
        return 2;
    }
    const int runs = argc > 4 ? _wtoi(argv[4]) : 15;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring traceFile = std::wstring(temp) + L"sb-startup-trace.txt";
    SetEnvironmentVariableW(L"SB_STARTUP_TRACE", traceFile.c_str());

    Figures program, bare, reference;
    std::vector<Marks> traces;
    for (int i = 0; i < runs; ++i) {
        Marks marks;
        if (measure(argv[1], program, traceFile, &marks)) traces.push_back(marks);
        measure(argv[2], bare, traceFile, nullptr);
        measure(argv[3], reference, traceFile, nullptr);
    }
    DeleteFileW(traceFile.c_str());

    printf("start-up to first painted window, median / 99th percentile of %zu runs:\n", program.ms.size());
    printf("  program            %7.1f / %7.1f ms\n", med(program.ms), p99(program.ms));
    printf("  reference window   %7.1f / %7.1f ms  (the same window and child controls, nothing else)\n",
           med(reference.ms), p99(reference.ms));
    printf("  bare window        %7.1f / %7.1f ms\n", med(bare.ms), p99(bare.ms));
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    printf("  program / reference: %.2fx median, %.2fx 99th percentile\n", ratio(med(program.ms), med(reference.ms)),
           ratio(p99(program.ms), p99(reference.ms)));
    printf("  program / bare window: %.2fx median, %.2fx 99th percentile; reference / bare window: %.2fx median\n",
           ratio(med(program.ms), med(bare.ms)), ratio(p99(program.ms), p99(bare.ms)),
           ratio(med(reference.ms), med(bare.ms)));
    printf("  until the window is visible (median): program %.1f ms, reference %.1f ms, bare window %.1f ms\n",
           med(program.visibleMs), med(reference.visibleMs), med(bare.visibleMs));
    printf("working set after start (median): program %.0f KB, reference %.0f KB, bare window %.0f KB;"
           " program / bare window %.2fx, program / reference %.2fx\n",
           med(program.workingSetKb), med(reference.workingSetKb), med(bare.workingSetKb),
           ratio(med(program.workingSetKb), med(bare.workingSetKb)),
           ratio(med(program.workingSetKb), med(reference.workingSetKb)));

    // Each phase's length: its mark minus the one before (0 = the process being created).
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> lengths;
    size_t incomplete = 0;
    for (const Marks& marks : traces) {
        if (marks.size() < 2) { // the program wrote no marks
            ++incomplete;
            continue;
        }
        double previous = 0;
        for (const auto& [name, at] : marks) {
            if (!lengths.count(name)) order.push_back(name);
            lengths[name].push_back(at - previous);
            previous = at;
        }
    }
    if (incomplete) printf("(%zu runs left no phase marks)\n", incomplete);
    if (!order.empty()) {
        printf("the program's start-up by phase, median / 99th percentile:\n");
        const double complete = double(traces.size() - incomplete);
        for (const std::string& name : order) {
            const std::vector<double>& v = lengths[name];
            printf("  %-9s %7.1f / %7.1f ms  %s", name.c_str(), med(v), p99(v), describe(name));
            // A mark made many times in a run (one per painted control, say): how many, and their sum.
            if (double(v.size()) > complete) {
                double sum = 0;
                for (double x : v) sum += x;
                printf(" (%.0f a run, %.1f ms in all)", double(v.size()) / complete, sum / complete);
            }
            printf("\n");
        }
    }
    return 0;
}
