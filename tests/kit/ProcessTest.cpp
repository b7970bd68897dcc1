#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

// Ends every process left from a test, even when an expectation failed half way.
struct Reaper {
    std::vector<std::uint32_t> pids;
    ~Reaper() {
        for (auto p : pids)
            TKo::KillProcess(p);
    }
};

} // namespace

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFile(TEST_CHILD_PATH, program);
        ASSERT_EQ(chdir(TKo::GetAppDir().c_str()), 0);
    }
    TempDir dir;
    std::string program = dir / "Server.bin";
    Reaper reaper;

    std::uint32_t StartSleeper(const std::string& exe) {
        const auto pid = TKo::RunProgram(exe, "sleep 30", "", SW_HIDE);
        reaper.pids.push_back(pid);
        return pid;
    }
};

TEST_F(ProcessTest, StartedProgramGetsItsArgumentsFolderAndShowCommand) {
    const std::string report = dir / "report.txt";
    TKo::RunProgramAndWait("\"" + program + "\"", "report \"" + report + "\" one \"two words\"",
                           dir.Path(), SW_SHOWMAXIMIZED);
    EXPECT_EQ(ReadLines(report),
              (std::vector<std::string>{"cwd=" + dir.Path(), "show=3", "showword=3", "showleft=no",
                                        "argc=2", "arg=one", "arg=two words"}));
}

TEST_F(ProcessTest, MissingWorkFolderMeansTheProgramFolder) {
    const std::string report = dir / "report.txt";
    TKo::RunProgramAndWait(program, "report " + report, dir / "no-such-folder", SW_SHOWNORMAL);
    const auto lines = ReadLines(report);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "cwd=" + TKo::GetAppDir());
}

TEST_F(ProcessTest, MissingProgramFailsAtOnce) {
    EXPECT_EQ(TKo::RunProgram(dir / "missing", "", "", SW_HIDE), 0u);
    TKo::RunProgramAndWait(dir / "missing", "", "", SW_SHOWNORMAL); // returns
    WriteFile(dir / "not-a-program", "text");
    EXPECT_EQ(TKo::RunProgram(dir / "not-a-program", "", "", SW_HIDE), 0u);
}

TEST_F(ProcessTest, FindsEveryCopyRunningFromThatFileInIdOrder) {
    EXPECT_TRUE(TKo::FindProcessesByPath(program).empty()); // exists, not running
    EXPECT_TRUE(TKo::FindProcessesByPath(dir / "no-such-file").empty());
    EXPECT_EQ(TKo::FindProcessByPath(program), 0u);

    const auto first = StartSleeper(program);
    const auto second = StartSleeper(program);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    TempDir other;
    CopyFile(TEST_CHILD_PATH, other / "Server.bin"); // same bytes, another package
    StartSleeper(other / "Server.bin");

    TCardinalArray expected{first, second};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(TKo::FindProcessesByPath(program), expected);
    EXPECT_EQ(TKo::FindProcessByPath(program), expected[0]);
    // Another spelling of the same file finds the same processes.
    std::string upper = dir / "SERVER.BIN";
    EXPECT_EQ(TKo::FindProcessesByPath(upper), expected);
    // So does a path relative to the program folder, whatever the current folder is.
    std::filesystem::create_directories(dir / "a/b/c/d/e/f");
    ASSERT_EQ(chdir((dir / "a/b/c/d/e/f").c_str()), 0);
    const auto relative = std::filesystem::relative(program, TKo::GetAppDir()).string();
    EXPECT_EQ(TKo::FindProcessesByPath(relative), expected);
    EXPECT_EQ(TKo::GetProcessPath(first), program);
}

TEST_F(ProcessTest, AKilledChildIsGoneAtOnce) {
    const auto pid = StartSleeper(program);
    ASSERT_TRUE(TKo::ProcessExists(std::int32_t(pid)));
    EXPECT_EQ(TKo::GetParentPid(pid), std::uint32_t(getpid()));
    EXPECT_TRUE(TKo::KillProcess(pid));
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(pid)); }));
    EXPECT_TRUE(TKo::FindProcessesByPath(program).empty());
    EXPECT_FALSE(TKo::KillProcess(pid));
    EXPECT_EQ(TKo::GetParentPid(pid), 0u);
    EXPECT_EQ(TKo::GetProcessPath(pid), "");
}

TEST_F(ProcessTest, IdsThatAreNoProcessAreNeverSignalled) {
    EXPECT_FALSE(TKo::ProcessExists(-1));
    EXPECT_FALSE(TKo::ProcessExists(0));
    // 0 and anything above INT_MAX would reach whole process groups, or every process.
    EXPECT_FALSE(TKo::KillProcess(0));
    EXPECT_FALSE(TKo::KillProcess(0xFFFFFFFFu));
    EXPECT_FALSE(TKo::KillProcess(std::uint32_t(INT_MAX) + 1));
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(getpid()))); // still here
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

TEST_F(ProcessTest, DescendantsFollowParentLinks) {
    const std::string idFile = dir / "grandchild";
    const auto parent = TKo::RunProgram(program, "parent 30 " + idFile, "", SW_HIDE);
    reaper.pids.push_back(parent);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(idFile) && !ReadFile(idFile).empty(); }));
    const auto grandchild = std::uint32_t(std::stoul(ReadFile(idFile)));
    reaper.pids.push_back(grandchild);
    EXPECT_TRUE(TKo::IsDescendantProcess(parent, grandchild));
    EXPECT_TRUE(TKo::IsDescendantProcess(std::uint32_t(getpid()), grandchild));
    EXPECT_FALSE(TKo::IsDescendantProcess(grandchild, parent));
    EXPECT_FALSE(TKo::IsDescendantProcess(parent, parent));
    EXPECT_FALSE(TKo::IsDescendantProcess(parent, 0x7FFFFFF0u)); // no such process
}

TEST_F(ProcessTest, ProcessListIsOrderedAndHoldsUs) {
    const auto list = TKo::GetProcessList();
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_NE(std::find(list.begin(), list.end(), std::uint32_t(getpid())), list.end());
}

TEST_F(ProcessTest, OneInstancePerNameAcrossProcesses) {
    const std::string name = TKo::MD5Hex(dir.Path());
    EXPECT_TRUE(TKo::IsFirstInstance(name));
    EXPECT_FALSE(TKo::IsFirstInstance(name)); // the same process asking again
    EXPECT_EQ(RunAndCapture(program, "instance " + name + " 0"), "second\n");
    const std::string other = TKo::MD5Hex(dir.Path() + "x");
    EXPECT_EQ(RunAndCapture(program, "instance " + other + " 0"), "first\n");
    // That process has ended, and with it its claim.
    EXPECT_TRUE(TKo::IsFirstInstance(other));
}

TEST_F(ProcessTest, FilesInUse) {
    EXPECT_FALSE(TKo::IsFileInUse(dir / "missing"));
    WriteFile(dir / "plain", "x");
    EXPECT_FALSE(TKo::IsFileInUse(dir / "plain"));
    chmod((dir / "plain").c_str(), 0444);
    EXPECT_TRUE(TKo::IsFileInUse(dir / "plain"));
    EXPECT_FALSE(TKo::IsFileInUse(program));
    const auto pid = StartSleeper(program);
    ASSERT_TRUE(WaitUntil([&] { return TKo::IsFileInUse(program); }));
    TKo::KillProcess(pid);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::IsFileInUse(program); }));
}

TEST(StartupShowCommand, ReadOnceAndTakenOutOfTheEnvironment) {
    // This process was started without one: the default show command, and nothing left over
    // for children to inherit.
    EXPECT_EQ(TKo::GetStartupShowWindow(), SW_SHOWNORMAL);
    EXPECT_EQ(std::getenv("QUINDLE_SHOWCMD"), nullptr);
}

TEST(StartupShowCommand, RawWordAbove6000IsKept) {
    TempDir dir;
    const std::string report = dir / "r";
    TKo::RunProgramAndWait(TEST_CHILD_PATH, "report " + report, "", 6001);
    const auto lines = ReadLines(report);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[2], "showword=6001");
}
