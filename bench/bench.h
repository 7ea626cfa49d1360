// Shared pieces of the benchmark programs.
#pragma once

#include <windows.h>
#include <cstdio>

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

// Runs `body` `count` times and returns the seconds per run.
template <typename Body> double TimePerRun(int count, Body body)
{
    double start = BenchSeconds();
    for (int i = 0; i < count; ++i)
        body(i);
    return (BenchSeconds() - start) / count;
}
