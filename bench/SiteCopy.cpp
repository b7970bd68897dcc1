// The copy of a site its web server cannot write, for a site of 3,000 files and 60 MB, next to
// `cp -a` of the same tree in the same run:
//  - the first copy, as the user's own and as the administrator's run makes it for the web
//    server's account;
//  - what a start with nothing changed spends on bringing the copy in step;
//  - whole starts of the demo package with that site, run by an ordinary user from a folder it
//    cannot write, with the copy and without (the site then served where it is).
// The files are in the page cache for every contender, and each starts with nothing left to
// write back of the one before: the figures compare the work, not disks.

#include "bench/BenchSupport.h"
#include "kit/TreeSync.h"
#include "tests/integration/PackageRun.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace quindle;
using namespace quindle::test;
using namespace quindle::bench;

namespace {

constexpr int kFiles = 3000;

// 10 x 10 folders of 30 files each, 1 to 39 KB (60 MB in all), the same bytes every run.
void MakeSite(const std::string& Root) {
    std::mt19937 random(31);
    std::vector<char> bytes(40000);
    for (char& b : bytes)
        b = char(random());
    int n = 0;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b) {
            const std::string dir =
                Root + "/module" + std::to_string(a) + "/part" + std::to_string(b);
            std::filesystem::create_directories(dir);
            for (int c = 0; c < kFiles / 100; ++c, ++n) {
                std::FILE* f =
                    std::fopen((dir + "/file" + std::to_string(c) + ".php").c_str(), "wb");
                std::fwrite(bytes.data(), 1, 1000 + random() % 39000, f);
                std::fclose(f);
            }
        }
}

double CpA(const std::string& From, const std::string& To) {
    std::filesystem::remove_all(To);
    sync();
    const auto start = Clock::now();
    if (std::system(("cp -a '" + From + "' '" + To + "'").c_str()) != 0)
        std::abort();
    return Ms(start);
}

double FirstCopy(const std::string& From, const std::string& Dir, const std::string& Owner) {
    std::filesystem::remove_all(Dir + "/www");
    std::filesystem::remove(Dir + "/www.record");
    sync();
    const auto start = Clock::now();
    const TTreeSyncResult r = SyncTree({From, Dir + "/www", Dir + "/www.record", Owner});
    const double ms = Ms(start);
    if (!r.Complete || r.Copied != kFiles) {
        std::fprintf(stderr, "the copy failed: %s\n", r.Error.c_str());
        std::abort();
    }
    return ms;
}

double StartToSite(PackageCopy& Package, const std::string& Home, const char* Copy) {
    Package.SetConfig(std::string("[INI]\r\ntitle=Bench\r\nport=24500\r\nip=127.0.0.1\r\n"
                                  "copyfilestoharddisk=") +
                      Copy + "\r\nbrand=0");
    PackageRun run(Package, Home);
    const passwd* user = getpwnam("nobody");
    if (chown(Home.c_str(), user->pw_uid, user->pw_gid) != 0)
        std::abort();
    run.RunAs("nobody");
    const auto start = Clock::now();
    run.Start();
    while (run.WebPort() == 0 || HttpRequest(run.WebPort(), "GET", "/").status != 200)
        usleep(1000);
    const double ms = Ms(start);
    usleep(300000);
    run.ShutDownAndWait();
    return ms;
}

} // namespace

int main() {
    const std::string root = MakePrivateRoot();
    const std::string site = root + "/site";
    MakeSite(site);
    const int rounds = 7;

    std::vector<double> cp, first, firstForAccount, unchanged;
    for (int i = 0; i < rounds; ++i) {
        cp.push_back(CpA(site, root + "/cp"));
        first.push_back(FirstCopy(site, root, ""));
        if (geteuid() == 0)
            firstForAccount.push_back(FirstCopy(site, root, "www-data"));
    }
    FirstCopy(site, root, "");
    for (int i = 0; i < rounds * 3; ++i) {
        const auto start = Clock::now();
        const TTreeSyncResult r = SyncTree({site, root + "/www", root + "/www.record", ""});
        unchanged.push_back(Ms(start));
        if (!r.Complete || r.Copied != 0)
            std::abort();
    }

    std::printf("cp -a of the site (baseline):             %7.1f ms\n", Median(cp));
    std::printf(
        "first copy:                               %7.1f ms  ratio %.2f (goal at most 1.5)\n",
        Median(first), Median(first) / Median(cp));
    if (!firstForAccount.empty())
        std::printf("first copy for the web server's account:  %7.1f ms  ratio %.2f\n",
                    Median(firstForAccount), Median(firstForAccount) / Median(cp));
    std::printf("a start with nothing changed spends:      %7.1f ms  (goal at most 30)\n",
                Median(unchanged));

    if (geteuid() == 0) {
        // Whole starts by an ordinary user, the package the administrator's.
        PackageCopy package;
        std::filesystem::remove_all(package.Path("www/bench"));
        std::filesystem::copy(site, package.Path("www/bench"),
                              std::filesystem::copy_options::recursive);
        std::vector<double> copied, inPlace;
        StartToSite(package, root + "/first", "1"); // the first copy, then only starts
        for (int i = 0; i < rounds; ++i) {
            copied.push_back(StartToSite(package, root + "/first", "1"));
            inPlace.push_back(StartToSite(package, root + "/plain", "0"));
        }
        std::printf("start to first page, site served in place:%7.1f ms\n", Median(inPlace));
        std::printf("start to first page, from its copy:       %7.1f ms  (%+.1f ms)\n",
                    Median(copied), Median(copied) - Median(inPlace));
    }
    std::filesystem::remove_all(root);
    return 0;
}
