#pragma once
// Timing and memory measures the transport benchmarks share. Every time is
// taken on the monotonic clock.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <ctime>
#include <string>

namespace benchtiming {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// How long one run of op takes.
template <typename F>
double SecondsOf(F&& op)
{
    const auto start = Clock::now();
    op();
    return Seconds(Clock::now() - start);
}

// How much processor time the calling thread spends in one run of op: on a
// loaded machine the time the thread waits for a processor is left out.
template <typename F>
double CpuSecondsOf(F&& op)
{
    timespec start {}, end {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    op();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) * 1e-9;
}

// The fastest of runs runs: the one least disturbed by the rest of the machine.
template <typename F>
double BestSeconds(int runs, F&& op)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, SecondsOf(op));
    return best;
}

// A kB figure of /proc/self/status ("VmRSS:", "VmHWM:"); -1 when absent.
inline long StatusKB(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(key), nullptr, 10);
    return -1;
}

// Runs op once and returns how far the resident set rose above its level
// before, in bytes. Free heap is handed back first, so that the figure does
// not depend on what the runs before left behind.
template <typename F>
double PeakGrowthBytes(F&& op)
{
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5"; // restarts the high-water mark
    const long before = StatusKB("VmRSS:");
    op();
    const long peak = StatusKB("VmHWM:");
    return double(peak - before) * 1024.0;
}

} // namespace benchtiming
