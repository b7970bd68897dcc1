// Stands in for an outside browser named in Browser.ini: it writes what it was given to a log,
// then either ends after a while or starts children of its own and a detached process tree whose
// id it reports to the program, and stays.
//
//   outside_browser <log> --exit-after <seconds> <url>
//   outside_browser <log> --stay <url>

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/ReportChannel.h"
#include "kit/Strings.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

using namespace quindle;

namespace {

[[noreturn]] void SleepForever() {
    for (;;)
        pause();
}

void Log(const std::string& File, const std::string& Line) {
    std::ofstream(File, std::ios::app) << Line << "\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5)
        return 2;
    const std::string log = argv[1];
    const std::string mode = argv[2];
    Log(log, "url=" + std::string(argv[argc - 1]));
    Log(log, "pid=" + std::to_string(getpid()));
    if (mode == "--exit-after") {
        sleep(unsigned(std::atoi(argv[3])));
        return 0;
    }
    // A child of its own, as a multi-process browser has.
    if (const pid_t child = fork(); child == 0)
        SleepForever();
    else
        Log(log, "child=" + std::to_string(child));

    // A process tree that is not ours any more: only the report can tell the program about it.
    int ids[2];
    if (pipe(ids) != 0)
        return 3;
    if (const pid_t middle = fork(); middle == 0) {
        setsid();
        if (const pid_t detached = fork(); detached == 0) {
            const pid_t grandchild = fork();
            if (grandchild == 0)
                SleepForever();
            std::string text = std::to_string(getpid()) + " " + std::to_string(grandchild);
            if (write(ids[1], text.data(), text.size()) < 0)
                _exit(4);
            SleepForever();
        }
        _exit(0);
    } else {
        waitpid(middle, nullptr, 0);
    }
    char buffer[64] = {};
    if (read(ids[0], buffer, sizeof buffer - 1) <= 0)
        return 5;
    const std::string text = buffer;
    const std::string detached = text.substr(0, text.find(' '));
    Log(log, "reported=" + detached);
    Log(log, "reportedchild=" + text.substr(text.find(' ') + 1));

    const std::string name =
        "quindle-" + TKo::MD5Hex(UpperCase(GetShortPath(TKo::GetAppFileName())));
    const bool sent = SendReport(name, std::uint32_t(std::atoi(detached.c_str())));
    Log(log, sent ? "sent=1" : "sent=0");
    SleepForever();
}
