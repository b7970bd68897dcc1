// The outside browser's report channel and the helper that ends with its parent, with real
// processes on both sides.

#include "kit/SystemEvents.h"
#include "kit/KoClass.h"
#include "kit/ReportChannel.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <exception>

using namespace quindle;
using namespace quindle::test;

namespace {

// Unique per test run: another run of the suite must not hear our reports.
std::string ChannelName(const std::string& What) {
    return "quindle-test-" + What + "-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

void Report(const std::string& Name, const std::string& Pid) {
    TKo::RunProgramAndWait(TEST_CHILD_PATH, "send-report " + Name + " " + Pid, "", 0);
}

} // namespace

TEST(ReportChannel, TheLastValidReportOfAnotherProcessIsHeard) {
    TReportChannel channel;
    const std::string name = ChannelName("reports");
    ASSERT_TRUE(channel.Open(name));
    EXPECT_TRUE(channel.IsOpen());
    EXPECT_EQ(channel.Receive(), 0u);
    Report(name, "4242");
    Report(name, "4343");
    Report(name, "0");                  // no process
    Report(name, "4294967295");         // beyond any process id
    Report(ChannelName("other"), "17"); // for someone else
    std::uint32_t heard = 0;
    EXPECT_TRUE(WaitUntil([&] { return (heard = channel.Receive()) != 0; }));
    EXPECT_EQ(heard, 4343u);
    EXPECT_EQ(channel.Receive(), 0u); // taken
    channel.Close();
    EXPECT_FALSE(channel.IsOpen());
    Report(name, "99");
    EXPECT_EQ(channel.Receive(), 0u);
}

TEST(ReportChannel, ReportsAreDecimalProcessIdsWithBlanksAround) {
    EXPECT_EQ(ParseReportedPid(" 1234\n"), 1234u);
    EXPECT_EQ(ParseReportedPid("2147483647"), 2147483647u);
    for (const char* bad : {"", " ", "0", "-1", "+3", "2147483648", "12a", "1 2", "99999999999"})
        EXPECT_EQ(ParseReportedPid(bad), std::nullopt) << bad;
    EXPECT_FALSE(SendReport("", 12));
}

TEST(EndWithParent, AHelperEndsWhenItsStarterIsKilled) {
    TempDir dir;
    const std::string file = dir / "helper.pid";
    std::uint32_t starter = 0, helper = 0;
    // Whatever fails, nothing of this test outlives it.
    struct Ender {
        std::uint32_t& a;
        std::uint32_t& b;
        ~Ender() {
            for (auto pid : {a, b})
                if (pid)
                    TKo::KillProcess(pid);
        }
    } ender{starter, helper};
    starter = TKo::RunProgram(TEST_CHILD_PATH, "starter 60 \"" + file + "\"", "", 0);
    ASSERT_NE(starter, 0u);
    // Read as soon as it can be: the helper renames the whole file into place.
    ASSERT_TRUE(WaitUntil(
        [&] {
            try {
                helper = std::uint32_t(std::stoul(ReadFile(file)));
            } catch (const std::exception&) {
                // Not written yet: asked again.
            }
            return helper != 0;
        },
        15000));
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(helper)));
    // Killed: the starter gets no chance to end its children itself.
    ASSERT_TRUE(TKo::KillProcess(starter));
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(helper)); }, 15000));
}
