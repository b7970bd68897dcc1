#pragma once

// Time of the benchmarks: milliseconds since a moment, and the median of several rounds.

#include <algorithm>
#include <chrono>
#include <vector>

namespace quindle::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point Since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - Since).count();
}

inline double Median(std::vector<double> Values) {
    if (Values.empty())
        return 0;
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

} // namespace quindle::bench
