#pragma once

// What the benchmarks share: milliseconds since a moment, the median of several rounds, and a
// private folder for their temporary files.

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
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

// A new folder under /tmp, traversable by the web server's workers, that becomes the temporary
// folder of the benchmark and of what it starts.
inline std::string MakePrivateRoot() {
    char root[] = "/tmp/quindle-bench-XXXXXX";
    if (!mkdtemp(root))
        std::abort();
    chmod(root, 0755);
    setenv("TMPDIR", root, 1);
    return root;
}

} // namespace quindle::bench
