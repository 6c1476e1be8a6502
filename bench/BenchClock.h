// Timing helpers shared by the benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

// Seconds on the performance counter.
inline double now() {
    static const double freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / freq;
}

// The value below which the fraction p of the samples lie.
inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

} // namespace bench
