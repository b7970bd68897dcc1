// Start-up and shutdown of the real demo package, next to the floor measured in the same run:
//  - a plain start to the first HTTP 200 of the home address, without the database, against the
//    bare web server started by hand with the same generated httpd.conf;
//  - a shutdown to the last started process gone, without and with an idle database.
// Runs without a display (Qt's offscreen platform), in a private home under /tmp.

#include "bench/BenchSupport.h"
#include "tests/integration/PackageRun.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

using namespace quindle;
using namespace quindle::test;
using namespace quindle::bench;

namespace {

void WaitFor200(int port) {
    while (HttpRequest(port, "GET", "/").status != 200)
        usleep(1000);
}

} // namespace

int main() {
    // Private folders, traversable by the web server's workers.
    const std::string root = MakePrivateRoot();
    const int rounds = 7;

    PackageCopy noDatabase;
    noDatabase.RemoveDatabase();
    std::vector<double> toServed, shutdown, floor;
    int port = 0;
    for (int i = 0; i < rounds; ++i) {
        PackageRun run(noDatabase, root + "/home");
        const auto start = Clock::now();
        run.Start();
        while (run.WebPort() == 0)
            usleep(1000);
        port = run.WebPort();
        WaitFor200(port);
        toServed.push_back(Ms(start));
        usleep(300000); // let the start-up finish its waits
        const auto stop = Clock::now();
        run.ShutDownAndWait();
        shutdown.push_back(Ms(stop));
    }

    // The floor: the same web server, configuration and environment, started by hand.
    const std::string dataDir = PackageRun(noDatabase, root + "/home").DataDir();
    const std::string apache = noDatabase.Path("bin/Apache/Apache");
    setenv("PHPRC", dataDir.c_str(), 1);
    setenv("PHP_INI_SCAN_DIR", "", 1);
    for (const char* v : {"OS_LANGUAGE", "SERVER_FILENAME", "SERVER_FILEVERSION", "SERVER_APPNAME",
                          "PHP_EXE", "OPENSSL_CONF"})
        setenv(v, "", 0);
    for (int i = 0; i < rounds; ++i) {
        std::filesystem::remove(dataDir + "/httpd.pid");
        const auto start = Clock::now();
        TKo::RunProgram(apache, "-f \"" + dataDir + "/httpd.conf\"", "", SW_HIDE);
        WaitFor200(port);
        floor.push_back(Ms(start));
        for (auto pid : TKo::FindProcessesByPath(apache))
            TKo::KillProcess(pid);
        while (!TKo::FindProcessesByPath(apache).empty() || TKo::IsPortInUse(port, true))
            usleep(1000);
    }

    std::vector<double> shutdownWithDatabase;
    PackageCopy withDatabase;
    for (int i = 0; i < 3; ++i) {
        PackageRun run(withDatabase, root + "/home2");
        run.Start();
        run.WaitForDatabase();
        usleep(300000);
        const auto stop = Clock::now();
        run.ShutDownAndWait();
        shutdownWithDatabase.push_back(Ms(stop));
    }

    std::printf("plain start to first HTTP 200 (no database): %7.1f ms  (goal below 500)\n",
                Median(toServed));
    std::printf("bare web server to first HTTP 200 (floor):   %7.1f ms\n", Median(floor));
    std::printf("ratio:                                        %7.2f    (goal below 3)\n",
                Median(toServed) / Median(floor));
    std::printf("shutdown to last process gone, no database:  %7.1f ms  (goal below 300)\n",
                Median(shutdown));
    std::printf("shutdown to last process gone, idle database:%7.1f ms  (goal below 500)\n",
                Median(shutdownWithDatabase));
    std::filesystem::remove_all(root);
    return 0;
}
