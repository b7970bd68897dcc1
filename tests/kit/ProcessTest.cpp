// Starting, finding and ending real processes of a copy of the test program.

#include "tests/kit/ProcessTest.h"
#include "kit/KoClass.h"
#include "kit/Strings.h"

#include <algorithm>
#include <climits>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

ProcessTest::ProcessTest() {
    CopyFile(TEST_CHILD_PATH, program);
    std::filesystem::current_path(TKo::GetAppDir());
}

ProcessTest::~ProcessTest() {
    for (auto p : started)
        TKo::KillProcess(p);
}

std::uint32_t ProcessTest::StartSleeper(const std::string& Exe) {
    const auto pid = TKo::RunProgram(Exe, "sleep 30", "", SW_HIDE);
    started.push_back(pid);
    return pid;
}

TEST_F(ProcessTest, StartedProgramGetsItsArgumentsFolderAndShowCommand) {
    const std::string report = SystemPath(dir / "report.txt");
    TKo::RunProgramAndWait("\"" + program + "\"", "report \"" + report + "\" one \"two words\"",
                           SystemPath(dir.Path()), SW_SHOWMAXIMIZED);
    const auto lines = ReadLines(report);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_TRUE(SameText(lines[0], "cwd=" + SystemPath(dir.Path()))) << lines[0];
    EXPECT_EQ(lines[2], "showword=3");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
              (std::vector<std::string>{"showleft=no", "argc=2", "arg=one", "arg=two words"}));
}

TEST_F(ProcessTest, ArgumentsGivenOneByOneArriveExactly) {
    const std::string report = SystemPath(dir / "report.txt");
    const TArguments odd = {"a \"quoted\" word",
                            R"(back\slash\)",
                            "$HOME `x` | y; 'z'",
                            "",
                            "  ",
                            R"(\")",
                            "/config",
                            "-f"};
    TArguments arguments = {"report", report};
    arguments.insert(arguments.end(), odd.begin(), odd.end());
    TKo::RunProgramAndWait(program, arguments, "", SW_SHOWNORMAL);
    const auto lines = ReadLines(report);
    ASSERT_EQ(lines.size(), 5u + odd.size());
    EXPECT_EQ(lines[4], "argc=" + std::to_string(odd.size()));
    for (std::size_t i = 0; i < odd.size(); ++i)
        EXPECT_EQ(lines[5 + i], "arg=" + odd[i]);
}

TEST_F(ProcessTest, AShowCommandAbove6000ReachesTheChildAsItIs) {
    const std::string report = SystemPath(dir / "report.txt");
    TKo::RunProgramAndWait(program, "report \"" + report + "\"", "", 6001);
    EXPECT_EQ(ReadLines(report).at(2), "showword=6001");
}

TEST_F(ProcessTest, MissingProgramFailsAtOnce) {
    const std::string missing = SystemPath(dir / (std::string("missing") + ExeSuffix));
    EXPECT_EQ(TKo::RunProgram(missing, "", "", SW_HIDE), 0u);
    TKo::RunProgramAndWait(missing, "", "", SW_SHOWNORMAL); // returns
    const std::string text = SystemPath(dir / (std::string("not-a-program") + ExeSuffix));
    WriteFile(text, "text");
    EXPECT_EQ(TKo::RunProgram(text, "", "", SW_HIDE), 0u);
}

TEST_F(ProcessTest, FindsEveryCopyRunningFromThatFileWhateverItsSpelling) {
    EXPECT_TRUE(TKo::FindProcessesByPath(program).empty()); // exists, not running
    EXPECT_TRUE(TKo::FindProcessesByPath(dir / "no-such-file").empty());
    EXPECT_EQ(TKo::FindProcessByPath(program), 0u);

    const auto first = StartSleeper(program);
    const auto second = StartSleeper(program);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    TempDir other;
    const std::string copy = SystemPath(other / ("Server" + std::string(ExeSuffix)));
    CopyFile(TEST_CHILD_PATH, copy); // same bytes, another package
    StartSleeper(copy);

    TCardinalArray expected{first, second};
    std::sort(expected.begin(), expected.end());
    ASSERT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(program) == expected; }));
    EXPECT_EQ(TKo::FindProcessByPath(program), expected[0]);
    EXPECT_EQ(TKo::FindProcessesByPath(UpperCase(program)), expected);
    EXPECT_EQ(TKo::FindProcessesByPath(dir / ("Server" + std::string(ExeSuffix))), expected);
    EXPECT_TRUE(SameText(TKo::GetProcessPath(first), program)) << TKo::GetProcessPath(first);
}

TEST_F(ProcessTest, ARelativePathCountsFromTheProgramFolderWhateverTheCurrentFolder) {
    // Inside the program folder: a temporary folder may be on another drive, with no relative
    // path to it at all.
    const std::string sub = "process-test-" + std::to_string(OwnPid());
    const std::string folder = TKo::GetAppDir() + "/" + sub;
    std::filesystem::create_directories(folder);
    const std::string exe = SystemPath(folder + "/Server" + ExeSuffix);
    CopyFile(TEST_CHILD_PATH, exe);
    const auto pid = StartSleeper(exe);
    std::filesystem::current_path(dir.Path());
    EXPECT_TRUE(WaitUntil([&] {
        return TKo::FindProcessesByPath(sub + "/Server" + ExeSuffix) == TCardinalArray{pid};
    }));
    TKo::KillProcess(pid);
    WaitUntil([&] { return !TKo::IsFileInUse(exe); });
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

TEST_F(ProcessTest, AKilledChildIsGoneAndItsParentWasUs) {
    const auto pid = StartSleeper(program);
    ASSERT_TRUE(TKo::ProcessExists(std::int32_t(pid)));
    EXPECT_EQ(TKo::GetParentPid(pid), OwnPid());
    EXPECT_TRUE(TKo::KillProcess(pid));
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(pid)); }));
    EXPECT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(program).empty(); }));
    EXPECT_FALSE(TKo::KillProcess(pid));
    EXPECT_EQ(TKo::GetParentPid(pid), 0u);
    EXPECT_EQ(TKo::GetProcessPath(pid), "");
}

TEST_F(ProcessTest, IdsThatAreNoProcessAreNeverSignalled) {
    EXPECT_FALSE(TKo::ProcessExists(-1));
    EXPECT_FALSE(TKo::ProcessExists(0));
    // On POSIX 0 and anything above INT_MAX would reach whole process groups, or every process.
    EXPECT_FALSE(TKo::KillProcess(0));
    EXPECT_FALSE(TKo::KillProcess(0xFFFFFFFFu));
    EXPECT_FALSE(TKo::KillProcess(std::uint32_t(INT_MAX) + 1));
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(OwnPid()))); // still here
}

TEST_F(ProcessTest, ABoundChildEndsWhenItsStarterIsKilledAndAPlainOneDoesNot) {
    const std::string boundFile = SystemPath(dir / "bound");
    const std::string plainFile = SystemPath(dir / "plain");
    const auto bounding = TKo::RunProgram(program, "bound 60 \"" + boundFile + "\"", "", SW_HIDE);
    const auto plain = TKo::RunProgram(program, "parent 60 \"" + plainFile + "\"", "", SW_HIDE);
    started = {bounding, plain};
    auto idIn = [](const std::string& File) {
        std::uint32_t id = 0;
        WaitUntil([&] {
            try {
                id = std::uint32_t(std::stoul(ReadFile(File)));
            } catch (const std::exception&) {
                // Not written yet: asked again.
            }
            return id != 0;
        });
        return id;
    };
    const auto boundChild = idIn(boundFile), plainChild = idIn(plainFile);
    ASSERT_NE(boundChild, 0u);
    ASSERT_NE(plainChild, 0u);
    started.push_back(boundChild);
    started.push_back(plainChild);
    EXPECT_TRUE(TKo::IsDescendantProcess(bounding, boundChild));
    // Killed: the starters get no chance to end anything themselves.
    ASSERT_TRUE(TKo::KillProcess(bounding));
    ASSERT_TRUE(TKo::KillProcess(plain));
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(boundChild)); }, 5000));
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(plainChild)));
}

TEST_F(ProcessTest, ABoundStartOfWhatCannotRunFailsAtOnce) {
    EXPECT_EQ(TKo::RunBoundProgram(SystemPath(dir / (std::string("missing") + ExeSuffix)), "", "",
                                   SW_HIDE),
              0u);
    const std::string text = SystemPath(dir / (std::string("not-a-program") + ExeSuffix));
    WriteFile(text, "text");
    // Marked as a program, it still is none.
    std::filesystem::permissions(text, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(TKo::RunBoundProgram(text, "", "", SW_HIDE), 0u);
    const auto pid = TKo::RunBoundProgram(program, "sleep 30", "", SW_HIDE);
    started.push_back(pid);
    EXPECT_NE(pid, 0u);
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(pid)));
}

TEST_F(ProcessTest, DescendantsFollowParentLinks) {
    const std::string idFile = SystemPath(dir / "grandchild");
    const auto parent = TKo::RunProgram(program, "parent 30 \"" + idFile + "\"", "", SW_HIDE);
    started.push_back(parent);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(idFile) && !ReadFile(idFile).empty(); }));
    const auto grandchild = std::uint32_t(std::stoul(ReadFile(idFile)));
    started.push_back(grandchild);
    EXPECT_TRUE(TKo::IsDescendantProcess(parent, grandchild));
    EXPECT_TRUE(TKo::IsDescendantProcess(OwnPid(), grandchild));
    EXPECT_FALSE(TKo::IsDescendantProcess(grandchild, parent));
    EXPECT_FALSE(TKo::IsDescendantProcess(parent, parent));
    EXPECT_FALSE(TKo::IsDescendantProcess(parent, 0x7FFFFFF0u)); // no such process
}

TEST_F(ProcessTest, ProcessListIsOrderedAndHoldsUs) {
    const auto list = TKo::GetProcessList();
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_NE(std::find(list.begin(), list.end(), OwnPid()), list.end());
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

TEST_F(ProcessTest, AProgramFileIsInUseWhileItRuns) {
    EXPECT_FALSE(TKo::IsFileInUse(SystemPath(dir / "missing")));
    WriteFile(dir / "plain", "x");
    EXPECT_FALSE(TKo::IsFileInUse(SystemPath(dir / "plain")));
    EXPECT_FALSE(TKo::IsFileInUse(program));
    const auto pid = StartSleeper(program);
    ASSERT_TRUE(WaitUntil([&] { return TKo::IsFileInUse(program); }));
    TKo::KillProcess(pid);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::IsFileInUse(program); }));
}

TEST(StartupShowCommand, WithoutOneItIsNormal) {
    EXPECT_EQ(TKo::GetStartupShowWindow(), SW_SHOWNORMAL);
}
