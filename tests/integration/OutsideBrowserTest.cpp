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
    // The browser gets a page only its user can read, which sends it on with a one-time token:
    // an address with the token on the browser's command line, every account could read.
    const std::string launch = LogValue("url");
    ASSERT_EQ(launch.rfind("file://", 0), 0u) << launch;
    const std::string page = launch.substr(7);
    EXPECT_EQ(std::filesystem::status(page).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string text = ReadFile(page);
    const std::string home = "http://127.0.0.1:" + std::to_string(run.WebPort());
    const auto from = text.find("url=" + home);
    ASSERT_NE(from, std::string::npos) << text;
    const std::string way =
        text.substr(from + 4 + home.size(), text.find('"', from) - from - 4 - home.size());
    EXPECT_EQ(way.rfind("/.quindle/open?t=", 0), 0u) << way;
    // Swapped once for the cookie that lets the browser in; the same token again lets nobody in.
    const HttpReply in = StrangerRequest(run.WebPort(), "GET", way);
    EXPECT_EQ(in.status, 200) << in.body;
    const auto set = in.headers.find("Set-Cookie: ");
    ASSERT_NE(set, std::string::npos) << in.headers;
    const std::string cookie = in.headers.substr(set + 12, in.headers.find(';', set) - set - 12);
    EXPECT_NE(in.headers.find("HttpOnly; SameSite=Strict"), std::string::npos) << in.headers;
    EXPECT_EQ(StrangerRequest(run.WebPort(), "GET", "/", "", {"Cookie: " + cookie}).status, 200);
    EXPECT_EQ(StrangerRequest(run.WebPort(), "GET", "/").status, 403);
    EXPECT_EQ(StrangerRequest(run.WebPort(), "GET", way).status, 403);
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
