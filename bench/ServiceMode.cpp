// What a service-mode process costs that has nothing to do ("/config" with one argument too
// few), next to a program that does nothing at all: wall time from the start to its end, and the
// largest resident memory of the process. Every service mode, the splash mode and each plain
// start pay at least this.

#include "bench/BenchSupport.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

using namespace quindle::bench;

namespace {

struct Cost {
    double Ms = 0;
    double MiB = 0;
};

// The median wall time and resident memory of Rounds runs of the program with those arguments.
Cost Measure(const std::string& Program, std::vector<std::string> Args, int Rounds) {
    std::vector<double> times, sizes;
    for (int round = 0; round < Rounds; ++round) {
        std::vector<char*> argv{const_cast<char*>(Program.c_str())};
        for (auto& arg : Args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const auto start = Clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, Program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
            return {};
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        times.push_back(Ms(start));
        sizes.push_back(double(usage.ru_maxrss) / 1024.0);
    }
    return {Median(times), Median(sizes)};
}

} // namespace

int main() {
    const int rounds = 31;
    // The first runs fill the file cache; what a user meets after the first start is measured.
    Measure(QUINDLE_PATH, {"/config", "x"}, 3);
    Measure(EMPTY_PROGRAM_PATH, {}, 3);
    const Cost mode = Measure(QUINDLE_PATH, {"/config", "x"}, rounds);
    const Cost floor = Measure(EMPTY_PROGRAM_PATH, {}, rounds);
    std::printf("service mode with nothing to do: %.1f ms, %.1f MiB resident\n", mode.Ms, mode.MiB);
    std::printf("empty program:                   %.1f ms, %.1f MiB resident\n", floor.Ms,
                floor.MiB);
    std::printf("ratio: %.1fx the time (goal < 3)\n", floor.Ms > 0 ? mode.Ms / floor.Ms : 0.0);
    return 0;
}
