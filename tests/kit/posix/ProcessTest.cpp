// Process behaviour only POSIX has: the show command handed on in the environment, a work folder
// that may be missing, thread ids from the same number space as process ids, write permission
// as the sign of a file in use, and a killed process that takes a while to let go of its files.

#include "tests/kit/ProcessTest.h"
#include "kit/KoClass.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace quindle;
using namespace quindle::test;

TEST_F(ProcessTest, TheShowCommandTravelsInTheEnvironmentAndIsTakenOut) {
    const std::string report = dir / "report.txt";
    TKo::RunProgramAndWait(program, "report " + report, "", SW_SHOWMAXIMIZED);
    const auto lines = ReadLines(report);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "show=3");      // what the child found in its environment
    EXPECT_EQ(lines[3], "showleft=no"); // and no longer holds once it has read it
    // This process was started without one: nothing is left for children to inherit.
    EXPECT_EQ(std::getenv("QUINDLE_SHOWCMD"), nullptr);
}

TEST_F(ProcessTest, MissingWorkFolderMeansTheProgramFolder) {
    const std::string report = dir / "report.txt";
    TKo::RunProgramAndWait(program, "report " + report, dir / "no-such-folder", SW_SHOWNORMAL);
    const auto lines = ReadLines(report);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "cwd=" + TKo::GetAppDir());
}

TEST_F(ProcessTest, ThreadsAreNotProcesses) {
    std::atomic<pid_t> tid{0};
    std::atomic<bool> done{false};
    std::thread t([&] {
        tid = pid_t(syscall(SYS_gettid));
        while (!done)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    while (tid == 0)
        std::this_thread::yield();
    EXPECT_FALSE(TKo::ProcessExists(tid));
    EXPECT_FALSE(TKo::KillProcess(std::uint32_t(tid.load()))); // and we are still alive
    done = true;
    t.join();
}

TEST_F(ProcessTest, AFileWithoutWritePermissionCountsAsInUse) {
    WriteFile(dir / "plain", "x");
    chmod((dir / "plain").c_str(), 0444);
    EXPECT_TRUE(TKo::IsFileInUse(dir / "plain"));
}

// A killed program with many threads and much memory: its first thread is a zombie at once,
// while the others still hold its files, locks and the single-instance claim.
class EndingProcess : public ProcessTest {
protected:
    std::uint32_t StartHolder(const std::string& Name) {
        std::filesystem::remove(lockFile + ".ready");
        const auto pid = TKo::RunProgram(program, {"ending-holder", Name, lockFile}, "", SW_HIDE);
        started.push_back(pid);
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(lockFile + ".ready"); }));
        return pid;
    }
    std::string lockFile = dir / "ibdata1";
};

TEST_F(EndingProcess, IsThereUntilItHasLetGoOfItsFiles) {
    for (int round = 0; round < 4; ++round) {
        const auto pid = StartHolder(TKo::MD5Hex(dir.Path() + std::to_string(round)));
        ASSERT_TRUE(TKo::IsFileLocked(lockFile));
        kill(pid_t(pid), SIGKILL);
        ASSERT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(pid)); }));
        EXPECT_FALSE(TKo::IsFileLocked(lockFile)) << "round " << round;
    }
}

TEST_F(EndingProcess, ItsInstanceClaimGoesToTheNextStart) {
    const std::string name = TKo::MD5Hex(dir.Path());
    const auto pid = StartHolder(name);
    EXPECT_EQ(RunAndCapture(program, "instance " + name + " 0"), "second\n"); // still running
    kill(pid_t(pid), SIGKILL);
    EXPECT_TRUE(TKo::IsFirstInstance(name)); // asked at once
}
