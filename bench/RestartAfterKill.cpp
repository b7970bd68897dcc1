// A start right after a crash, as a user makes it: the running demo package (with its database)
// is killed outright and the program started again at once, round after round. Each round
// counts as started when the new run's own page reaches its database; a round in which the
// start was refused as "already running", or its database did not answer within 30 s, is a
// failure and its log is printed. Not a timed test: it prints how many rounds passed and how
// long the next start took to serve its database.
//
//   bench_restart_after_kill [ROUNDS]      (50 when not given)

#include "bench/BenchSupport.h"
#include "kit/KoClass.h"
#include "tests/integration/PackageRun.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace quindle;
using namespace quindle::test;
using namespace quindle::bench;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 50;
    const std::string root = MakePrivateRoot();
    PackageCopy package;
    const std::string home = root + "/home";

    auto current = std::make_unique<PackageRun>(package, home);
    current->StartAndWaitForSite();
    if (!current->WaitForDatabase()) {
        std::printf("the first run's database did not answer\n%s\n", current->Log().c_str());
        return 1;
    }
    int passed = 0;
    std::vector<double> toDatabase;
    for (int round = 1; round <= rounds; ++round) {
        current->Processes(); // everything of the run is followed from here on
        kill(pid_t(current->MainPid()), SIGKILL);
        const auto start = Clock::now();
        auto next = std::make_unique<PackageRun>(package, home);
        const bool started = next->Start() != 0;
        // The page reaches a database, and it is the new run's own server that runs.
        bool own = false;
        const bool database = started && next->WaitForDatabase();
        for (auto pid : TKo::FindProcessesByPath(package.Path("bin/mysql/bin/mysqld")))
            own = own || TKo::GetParentPid(pid) == next->MainPid();
        const bool refused = next->Log().find("already running") != std::string::npos;
        if (!database || !own || refused) {
            std::printf("round %d failed: %s\n%s\n", round,
                        refused    ? "the start was refused"
                        : !started ? "no run started"
                        : database ? "the database that answered was not its own"
                                   : "its database did not answer",
                        next->Log().c_str());
            break; // both harnesses end what is left
        }
        ++passed;
        toDatabase.push_back(Ms(start));
        // Whatever is left of the killed run is the new run's business.
        current->HandOver();
        current = std::move(next);
    }
    if (passed == rounds)
        current->ShutDownAndWait();
    std::printf("%d of %d starts right after a killed run served their own database "
                "(median %.0f ms from the kill to the database's first answer)\n",
                passed, rounds, Median(toDatabase));
    return passed == rounds ? 0 : 1;
}
