// Settings files of some size against normal ones, in one run:
//   settings_bench start RUNS LABEL PROGRAM.exe [LABEL PROGRAM.exe]...
//     start-up (until the first window has painted) for copies of the program in
//     folders with different settings files; ratios to the first. (The program's
//     CPU use is measured from outside, by tools/bench: Wine reports no times
//     for other processes.)
//   settings_bench tick LABEL
//     one auto-hide tick in this process, against the 配置.ini beside this program.
#include "runtime/Form.h"
#include "ui/MainWindowLayout.h"
#include "ui/WindowBehaviours.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "bench/ProgramRun.h"

namespace {

struct Figures {
    std::vector<double> startMs;
};

void measure(const std::wstring& exe, Figures& out) {
    bench::ProgramRun run;
    if (run.start(exe)) out.startMs.push_back(run.idleMs());
}

int startFigures(int runs, const std::vector<std::pair<std::string, std::wstring>>& programs) {
    std::vector<Figures> figures(programs.size());
    // Interleaved, so that a busy moment of the machine falls on all alike.
    for (int i = 0; i < runs; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p)
            measure(programs[p].second, figures[p]);
    }
    const auto line = [&](const char* what, std::vector<double> Figures::*field, const char* unit) {
        std::printf("%s:", what);
        const double reference = bench::percentile(figures[0].*field, 0.5);
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const double value = bench::percentile(figures[p].*field, 0.5);
            std::printf("%s %s %.1f %s", p ? ";" : "", programs[p].first.c_str(), value, unit);
            if (p) std::printf(" (%.2fx)", reference > 0 ? value / reference : 0.0);
        }
        std::printf(" (median of %d)\n", runs);
    };
    line("start-up to first painted window", &Figures::startMs, "ms");
    return 0;
}

int tickFigures(const char* label) {
    rt::Form form;
    if (!form.load(ui::mainWindowLayout(), {})) return 1;
    form.moveTo(400, 70); // far from every screen edge: the tick never moves the window
    form.find(L"选择框1")->setChecked(true);
    std::vector<double> us;
    for (int i = 0; i < 300; ++i) {
        const double t = bench::now();
        ui::onAutoHideTick(form);
        us.push_back((bench::now() - t) * 1e6);
    }
    std::printf("auto-hide tick, %s 配置.ini: median %.1f us, p99 %.1f us (%.3f%% of a 100 ms period)\n",
                label, bench::percentile(us, 0.5), bench::percentile(us, 0.99),
                bench::percentile(us, 0.5) / 1000.0);
    return 0;
}

std::string narrow(const wchar_t* text) {
    std::string out;
    for (; *text; ++text)
        out.push_back(static_cast<char>(*text));
    return out;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"tick" && argc == 3) return tickFigures(narrow(argv[2]).c_str());
    if (mode == L"start" && argc >= 5 && argc % 2 == 1) {
        std::vector<std::pair<std::string, std::wstring>> programs;
        for (int i = 3; i + 1 < argc; i += 2)
            programs.emplace_back(narrow(argv[i]), argv[i + 1]);
        return startFigures(_wtoi(argv[2]), programs);
    }
    std::fprintf(stderr,
                 "usage: settings_bench start RUNS LABEL PROGRAM.exe...  |  settings_bench tick LABEL\n");
    return 2;
}
