// How much finding processes by executable costs, against the least work that answers the same
// question: one pass over /proc looking at each process's executable once. Starts 500 extra
// processes of its own so that the figures mean something on a quiet machine.

#include "kit/KoClass.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace quindle;
using Clock = std::chrono::steady_clock;

namespace {

// The floor: the same answer with nothing but the scan.
std::size_t BareScan(dev_t dev, ino_t ino) {
    std::size_t found = 0;
    const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = fdopendir(dup(proc));
    std::string rel;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] < '1' || e->d_name[0] > '9')
            continue;
        rel.assign(e->d_name).append("/exe");
        struct stat st;
        if (fstatat(proc, rel.c_str(), &st, 0) == 0 && st.st_dev == dev && st.st_ino == ino)
            ++found;
    }
    closedir(d);
    close(proc);
    return found;
}

template <typename F> double MicrosecondsPerCall(int calls, F f) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i)
        f();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

} // namespace

int main(int argc, char** argv) {
    const int extra = argc > 1 ? std::atoi(argv[1]) : 500;
    char dirTemplate[] = "/tmp/quindle-bench-XXXXXX";
    const std::string dir = mkdtemp(dirTemplate);
    const std::string target = dir + "/Apache";
    std::filesystem::copy_file("/bin/sleep", target);

    TCardinalArray started;
    for (int i = 0; i < extra; ++i)
        started.push_back(TKo::RunProgram("/bin/sleep", "600", "", SW_HIDE));
    for (int i = 0; i < 3; ++i)
        started.push_back(TKo::RunProgram(target, "600", "", SW_HIDE));
    usleep(300000);

    struct stat st;
    stat(target.c_str(), &st);
    const std::size_t processes = TKo::GetProcessList().size();
    const std::size_t matches = TKo::FindProcessesByPath(target).size();
    const int calls = 200;
    // Interleaved rounds, best of each: the machine's other work falls on both alike.
    double ours = 1e18, floor = 1e18;
    for (int round = 0; round < 5; ++round) {
        floor =
            std::min(floor, MicrosecondsPerCall(calls, [&] { BareScan(st.st_dev, st.st_ino); }));
        ours =
            std::min(ours, MicrosecondsPerCall(calls, [&] { TKo::FindProcessesByPath(target); }));
    }
    std::printf("processes running:              %zu (%d started here)\n", processes, extra + 3);
    std::printf("matches found:                  %zu\n", matches);
    std::printf("FindProcessesByPath:            %.1f us per call\n", ours);
    std::printf("one bare pass over /proc:       %.1f us per call\n", floor);
    std::printf("ratio (goal below 1.5):         %.2f\n", ours / floor);

    for (auto pid : started)
        TKo::KillProcess(pid);
    usleep(100000);
    TKo::GetProcessList(); // reaps them
    std::filesystem::remove_all(dir);
    return 0;
}
