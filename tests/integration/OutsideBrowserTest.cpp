// Browser.ini naming an outside browser: the site is shown there, the program waits for it and
// then ends, and whatever that browser started or reported ends with the program.

#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "kit/Strings.h"

using namespace quindle;
using namespace quindle::test;

namespace {

class OutsideBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(package.Path("bin/outside"));
        std::filesystem::copy_file(OUTSIDE_BROWSER_PATH, package.Path("bin/outside/browser"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void UseBrowser(const std::string& Mode, const std::string& SplashTime = "0") {
        std::ofstream(package.Path("bin/Browser.ini"))
            << "[Browser]\r\nBrowserPath={bin}/outside/browser\r\nParameters=\"" << log() << "\" "
            << Mode << " {url}\r\nSplashTime=" << SplashTime << "\r\n";
    }
    std::string log() const { return home / "outside.log"; }
    std::string LogValue(const std::string& Key) const {
        const std::string text = PathExists(log()) ? ReadFile(log()) : std::string();
        const auto at = text.find(Key + "=");
        if (at == std::string::npos)
            return std::string();
        const auto from = at + Key.size() + 1;
        return text.substr(from, text.find('\n', from) - from);
    }
    static bool Alive(const std::string& Pid) {
        const auto pid = TryStrToInt(Pid);
        return pid && *pid > 0 && TKo::ProcessExists(*pid);
    }

    PackageCopy package;
    TempDir home;
};

} // namespace

TEST_F(OutsideBrowser, TheSiteOpensThereAndTheProgramEndsWhenTheBrowserHasEnded) {
    UseBrowser("--exit-after 2");
    PackageRun run(package, home.Path());
    const auto main = run.Start();
    ASSERT_NE(main, 0u) << run.Log();
    ASSERT_TRUE(WaitUntil([&] { return !LogValue("pid").empty(); }, 30000)) << run.Log();
    EXPECT_EQ(LogValue("url"), "http://127.0.0.1:" + std::to_string(run.WebPort()));
    EXPECT_EQ(HttpRequest(run.WebPort(), "GET", "/").status, 200);
    // Without a splash time the splash ends once the browser has shown up.
    EXPECT_TRUE(WaitUntil([&] { return SplashProcesses(package.Program()).empty(); }, 3000));
    // Two seconds of browser, then the closing passes: the program ends by itself.
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(main)); }, 30000));
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 30000));
    EXPECT_FALSE(PortIsListening(run.WebPort()));
}

TEST_F(OutsideBrowser, ItsChildrenAndTheReportedProcessTreeEndWithTheProgram) {
    UseBrowser("--stay", "30");
    PackageRun run(package, home.Path());
    ASSERT_NE(run.Start(), 0u) << run.Log();
    ASSERT_TRUE(WaitUntil([&] { return !LogValue("sent").empty(); }, 30000)) << run.Log();
    ASSERT_EQ(LogValue("sent"), "1");
    for (const char* key : {"pid", "child", "reported", "reportedchild"})
        EXPECT_TRUE(Alive(LogValue(key))) << key;
    // The splash stays for SplashTime seconds while the outside browser runs.
    EXPECT_TRUE(HoldsFor([&] { return !SplashProcesses(package.Program()).empty(); }, 1500));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
    for (const char* key : {"pid", "child", "reported", "reportedchild"})
        EXPECT_TRUE(WaitUntil([&] { return !Alive(LogValue(key)); }, 5000)) << key;
}
