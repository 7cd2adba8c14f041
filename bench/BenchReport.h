// How every benchmark prints a figure: one "@figure" line that tools/bench.sh gathers into
// its table, with the least the machine needs for the same work (the floor, measured in the
// same run) and the ratio to it. A figure without a floor prints "-" in both columns.
// Benchmarks only print; they never fail a build on a figure.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double NowMs()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

// Fields are separated by '|'; bench.sh lines them up.
inline void Figure(const char* figure, double value, const char* unit, double floor = -1.0)
{
    if (floor > 0.0)
        std::printf("@figure|%s|%.3f %s|%.3f %s|%.2fx\n", figure, value, unit, floor, unit, value / floor);
    else
        std::printf("@figure|%s|%.3f %s|-|-\n", figure, value, unit);
    std::fflush(stdout);
}

struct Spread {
    double mean = 0, p95 = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> v)
{
    Spread s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v)
        sum += x;
    s.mean = sum / double(v.size());
    s.p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
    s.max = v.back();
    return s;
}

}  // namespace bench
