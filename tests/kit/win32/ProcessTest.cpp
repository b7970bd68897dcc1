// Process control as Windows has it: CreateProcessA with our start-up information, tool-help
// snapshots, module paths compared by short path, TerminateProcess and named mutexes.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

// The test support's copy, not the system's macro of the same name.
#undef CopyFile

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace quindle;
using namespace quindle::test;

namespace {

// The system's spelling of a path: backslashes.
std::string Native(const std::string& Path) {
    return std::filesystem::path(Path).make_preferred().string();
}

} // namespace

class WindowsProcessTest : public ::testing::Test {
protected:
    void SetUp() override { CopyFile(TEST_CHILD_PATH, program); }
    void TearDown() override {
        for (auto p : started)
            TKo::KillProcess(p);
    }
    std::uint32_t StartSleeper(const std::string& Exe) {
        const auto pid = TKo::RunProgram(Exe, "sleep 30", "", SW_HIDE);
        started.push_back(pid);
        return pid;
    }
    TempDir dir;
    std::string program = Native(dir / "Server.exe");
    std::vector<std::uint32_t> started;
};

TEST_F(WindowsProcessTest, StartedProgramGetsItsArgumentsFolderAndShowCommand) {
    const std::string report = Native(dir / "report.txt");
    TKo::RunProgramAndWait("\"" + program + "\"", "report \"" + report + "\" one \"two words\"",
                           Native(dir.Path()), SW_SHOWMAXIMIZED);
    const auto lines = ReadLines(report);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(SameText(lines[0], "cwd=" + Native(dir.Path()))) << lines[0];
    EXPECT_EQ(lines[2], "showword=3");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.end()),
              (std::vector<std::string>{"argc=2", "arg=one", "arg=two words"}));
    // A show command above 6000 reaches the child as it is.
    TKo::RunProgramAndWait(program, "report \"" + report + "\"", "", 6001);
    EXPECT_EQ(ReadLines(report).at(2), "showword=6001");
}

TEST_F(WindowsProcessTest, MissingProgramFailsAtOnce) {
    EXPECT_EQ(TKo::RunProgram(Native(dir / "missing.exe"), "", "", SW_HIDE), 0u);
    TKo::RunProgramAndWait(Native(dir / "missing.exe"), "", "", SW_SHOWNORMAL); // returns
    WriteFile(dir / "not-a-program.exe", "text");
    EXPECT_EQ(TKo::RunProgram(Native(dir / "not-a-program.exe"), "", "", SW_HIDE), 0u);
}

TEST_F(WindowsProcessTest, FindsEveryCopyRunningFromThatFileWhateverItsSpelling) {
    EXPECT_TRUE(TKo::FindProcessesByPath(program).empty()); // exists, not running
    EXPECT_EQ(TKo::FindProcessByPath(program), 0u);
    const auto first = StartSleeper(program);
    const auto second = StartSleeper(program);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    TempDir other;
    CopyFile(TEST_CHILD_PATH, other / "Server.exe"); // same bytes, another package
    StartSleeper(Native(other / "Server.exe"));

    TCardinalArray expected{first, second};
    std::sort(expected.begin(), expected.end());
    ASSERT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(program) == expected; }));
    EXPECT_EQ(TKo::FindProcessByPath(program), expected[0]);
    EXPECT_EQ(TKo::FindProcessesByPath(UpperCase(program)), expected);
    EXPECT_EQ(TKo::FindProcessesByPath(dir / "Server.exe"), expected); // forward slashes
    EXPECT_TRUE(SameText(TKo::GetProcessPath(first), program)) << TKo::GetProcessPath(first);
}

TEST_F(WindowsProcessTest, AKilledChildIsGoneAndItsParentWasUs) {
    const auto pid = StartSleeper(program);
    ASSERT_TRUE(TKo::ProcessExists(std::int32_t(pid)));
    EXPECT_EQ(TKo::GetParentPid(pid), GetCurrentProcessId());
    EXPECT_TRUE(TKo::KillProcess(pid));
    EXPECT_FALSE(TKo::ProcessExists(std::int32_t(pid)));
    EXPECT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(program).empty(); }));
    EXPECT_FALSE(TKo::KillProcess(pid));
    EXPECT_FALSE(TKo::ProcessExists(-1));
    EXPECT_FALSE(TKo::KillProcess(0));
    EXPECT_FALSE(TKo::KillProcess(GetCurrentProcessId())); // never ourselves
}

TEST_F(WindowsProcessTest, DescendantsFollowParentLinks) {
    const std::string idFile = Native(dir / "grandchild");
    const auto parent = TKo::RunProgram(program, "parent 30 \"" + idFile + "\"", "", SW_HIDE);
    started.push_back(parent);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(idFile) && !ReadFile(idFile).empty(); }));
    const auto grandchild = std::uint32_t(std::stoul(ReadFile(idFile)));
    started.push_back(grandchild);
    EXPECT_TRUE(TKo::IsDescendantProcess(parent, grandchild));
    EXPECT_TRUE(TKo::IsDescendantProcess(GetCurrentProcessId(), grandchild));
    EXPECT_FALSE(TKo::IsDescendantProcess(grandchild, parent));
}

TEST_F(WindowsProcessTest, ProcessListIsOrderedAndHoldsUs) {
    const auto list = TKo::GetProcessList();
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_NE(std::find(list.begin(), list.end(), GetCurrentProcessId()), list.end());
}

TEST_F(WindowsProcessTest, OneInstancePerNameAcrossProcesses) {
    const std::string name = TKo::MD5Hex(dir.Path());
    EXPECT_TRUE(TKo::IsFirstInstance(name));
    EXPECT_FALSE(TKo::IsFirstInstance(name)); // the same process asking again
    const std::string other = TKo::MD5Hex(dir.Path() + "x");
    EXPECT_EQ(RunAndCapture(program, "instance " + name + " 0"), "second\r\n");
    EXPECT_EQ(RunAndCapture(program, "instance " + other + " 0"), "first\r\n");
    EXPECT_TRUE(TKo::IsFirstInstance(other)); // that process has ended, and with it its claim
}

TEST_F(WindowsProcessTest, FilesInUse) {
    EXPECT_FALSE(TKo::IsFileInUse(Native(dir / "missing")));
    WriteFile(dir / "plain", "x");
    EXPECT_FALSE(TKo::IsFileInUse(Native(dir / "plain")));
    {
        // Any holder at all keeps an exclusive open from succeeding.
        std::ifstream holder(dir / "plain");
        EXPECT_TRUE(TKo::IsFileInUse(Native(dir / "plain")));
    }
    const HANDLE exclusive = CreateFileA(Native(dir / "plain").c_str(), GENERIC_READ, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(TKo::IsFileInUse(Native(dir / "plain")));
    CloseHandle(exclusive);
    EXPECT_FALSE(TKo::IsFileInUse(Native(dir / "plain")));
    EXPECT_FALSE(TKo::IsFileInUse(program));
    const auto pid = StartSleeper(program);
    EXPECT_TRUE(WaitUntil([&] { return TKo::IsFileInUse(program); }));
    TKo::KillProcess(pid);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::IsFileInUse(program); }));
}
