#pragma once
// The benchmarks' clock and the figures they print: milliseconds, and the
// median of a series of runs, which one slow run (a page fault, another process) does not move.
#include <algorithm>
#include <chrono>
#include <vector>

namespace kelmora::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

inline double Median(std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace kelmora::bench
