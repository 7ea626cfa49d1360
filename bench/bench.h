// Shared pieces of the benchmark programs.
#pragma once

#include <windows.h>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Each benchmark program defines its runs here; the result is the program's exit code.
int RunBench();

// Seconds from the performance counter.
inline double BenchSeconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The repetition scale: 1 normally, tiny with --smoke (CI runs every case once so that none rots).
bool BenchSmoke();
inline int BenchCount(int count) { return BenchSmoke() ? 1 : count; }

// Runs `body` `count` times and returns the seconds per run.
template <typename Body> double TimePerRun(int count, Body body)
{
    count = BenchCount(count);
    double start = BenchSeconds();
    for (int i = 0; i < count; ++i)
        body(i);
    return (BenchSeconds() - start) / count;
}

// A library call timed against the raw Win32 call it ends in, on the same device context or heap.
// `same` runs once after one run of each side and says whether both drew or computed the same thing;
// no ratio is reported when they differ.
struct PairCase {
    std::string name;
    int count;                       // runs per timing
    std::function<void(int)> library; // one run of the library's side
    std::function<void(int)> raw;     // one run of the raw side
    std::function<bool()> same;       // both sides' results agree (may be empty: nothing to compare)
    std::function<void()> setUp;      // before the first run (may be empty)
    std::function<void()> tearDown;   // after the last run (may be empty)
};

// Times every case (the minimum of five timings per side), prints
// "name: library X ns, raw Y ns, ratio R" and returns the number of cases whose sides disagreed.
int RunPairCases(const std::vector<PairCase> &cases);
