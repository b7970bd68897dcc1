#include "kit/Log.h"
#include "kit/Exceptions.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace quindle;
using namespace quindle::test;

namespace {

// What LogCaught says from inside a catch block of what Raise throws.
template <typename Throw> std::string CaughtLine(Throw Raise) {
    testing::internal::CaptureStderr();
    try {
        Raise();
    } catch (...) {
        LogCaught("Opening the window");
    }
    return testing::internal::GetCapturedStderr();
}

} // namespace

TEST(Log, ALineGoesToTheErrorStreamAndOnceThereIsAFolderToItsFileToo) {
    SetLogFolder(std::string());
    testing::internal::CaptureStderr();
    LogLine("before the folder is known");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("before the folder is known"), std::string::npos);
    EXPECT_NE(said.find("[" + std::to_string(OwnPid()) + "]"), std::string::npos) << said;
    EXPECT_TRUE(LogFile().empty());

    TempDir dir;
    SetLogFolder(dir.Path());
    EXPECT_EQ(LogFile(), JoinPath(dir.Path(), "quindle.log"));
    testing::internal::CaptureStderr();
    LogLine("first");
    LogLine("second");
    testing::internal::GetCapturedStderr();
    const auto lines = ReadLines(dir / "quindle.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("first"), std::string::npos);
    EXPECT_NE(lines[1].find("second"), std::string::npos);
    SetLogFolder(std::string());
}

TEST(Log, TheFileNeverHoldsMuchMoreThanItsLimitAndKeepsTheLatestLines) {
    TempDir dir;
    SetLogFolder(dir.Path());
    const std::string filler(1000, 'x');
    testing::internal::CaptureStderr();
    for (int i = 0; i < 700; ++i) // some 2.7 times the limit
        LogLine(std::to_string(i) + " " + filler);
    LogLine("the last line");
    testing::internal::GetCapturedStderr();
    SetLogFolder(std::string());

    const auto size = std::filesystem::file_size(dir / "quindle.log");
    const auto older = std::filesystem::file_size(dir / "quindle.log.1");
    EXPECT_LE(size, kLogLimitBytes + 1100);
    EXPECT_LE(older, kLogLimitBytes + 1100);
    EXPECT_GE(older, kLogLimitBytes); // it was handed over when full, not before
    EXPECT_FALSE(PathExists(dir / "quindle.log.2"));
    const auto lines = ReadLines(dir / "quindle.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("the last line"), std::string::npos);
}

TEST(Log, ACaughtFailureIsLoggedWithWhereAndWhatItSaid) {
    EXPECT_NE(CaughtLine([] {
                  throw Exception("Access denied");
              }).find("Opening the window: Access denied"),
              std::string::npos);
    EXPECT_NE(
        CaughtLine([] { throw 42; }).find("Opening the window: a failure without a description"),
        std::string::npos);
}
