// What a page stores in the browser (a cookie for a year, a local-storage value) is still there
// at the next start, however the program was ended a second after the page stored it.

#include "tests/integration/PackageRun.h"
#include "tests/integration/StorageProbe.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

// Starts the package, checks that the page found what Expected says the last run stored (nothing
// when empty), and gives back what the page stored this time.
std::string StartAndStore(PackageRun& Run, StorageProbe& Probe, const std::string& Expected) {
    Probe.Mark(Run);
    if (Run.Start() == 0) {
        ADD_FAILURE() << "no main instance\n" << Run.Log();
        return std::string();
    }
    const std::string found = Probe.WaitForFound(Run);
    EXPECT_EQ(found, Expected.empty() ? "cookie= local=" : BothKept(Expected)) << Run.Log();
    const std::string stored = Probe.WaitForStored(Run);
    EXPECT_FALSE(stored.empty()) << Run.Log();
    // The quick exit the engine's batched writes would lose.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return stored;
}

} // namespace

TEST(BrowserStorage, EverySignalToEndKeepsWhatThePageStored) {
    PackageCopy package;
    StorageProbe probe(package.Dir());
    TempDir home;
    std::string stored;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        PackageRun run(package, home / "user");
        stored = StartAndStore(run, probe, stored);
        run.Processes();
        // Never 0 here: that would signal this test's own process group.
        ASSERT_NE(run.MainPid(), 0u);
        kill(pid_t(run.MainPid()), sig);
        EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000))
            << "signal " << sig << "\n"
            << run.Log();
    }
    PackageRun last(package, home / "user");
    last.Start();
    EXPECT_EQ(probe.WaitForFound(last), BothKept(stored)) << last.Log();
    EXPECT_TRUE(last.ShutDownAndWait()) << last.Log();
}

TEST(BrowserStorage, APageClosingItsWindowKeepsWhatItStored) {
    PackageCopy package;
    StorageProbe closing(package.Dir(), true);
    TempDir home;
    PackageRun run(package, home / "user");
    const std::string stored = StartAndStore(run, closing, std::string());
    run.Processes();
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();

    StorageProbe probe(package.Dir());
    PackageRun next(package, home / "user");
    probe.Mark(next);
    next.Start();
    EXPECT_EQ(probe.WaitForFound(next), BothKept(stored)) << next.Log();
    EXPECT_TRUE(next.ShutDownAndWait()) << next.Log();
}

TEST(BrowserStorage, ARemovedMediumKeepsWhatThePageStoredOnTheHardDisk) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a medium needs the administrator";
    TempDir work;
    TempDir home;
    chmod(work.Path().c_str(), 0755);
    const std::string medium = work / "stick";
    std::filesystem::create_directories(medium);
    // The same stick put in twice: the second time, the page reads what the first stored.
    auto insert = [&] {
        if (std::system(
                ("mount -t tmpfs -o size=600m tmpfs '" + medium + "' 2>/dev/null").c_str()) != 0)
            return false;
        chmod(medium.c_str(), 0755);
        if (std::system(
                ("cp -a '" QUINDLE_BINARY_DIR "/demo-package/.' '" + medium + "'").c_str()) != 0)
            return false;
        StorageProbe::Install(medium);
        return true;
    };
    struct Unmount {
        std::string at;
        ~Unmount() { std::system(("umount -l '" + at + "' 2>/dev/null").c_str()); }
    } unmount{medium};
    if (!insert())
        GTEST_SKIP() << "this machine does not allow mounting";

    StorageProbe probe(medium);
    std::string stored;
    {
        PackageRun run(medium, home / "user");
        stored = StartAndStore(run, probe, std::string());
        run.Processes();
        ASSERT_EQ(std::system(("umount -l '" + medium + "'").c_str()), 0);
        EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
    }
    ASSERT_TRUE(insert());
    PackageRun again(medium, home / "user");
    probe.Mark(again);
    again.Start();
    EXPECT_EQ(probe.WaitForFound(again), BothKept(stored)) << again.Log();
    EXPECT_TRUE(again.ShutDownAndWait()) << again.Log();
}
