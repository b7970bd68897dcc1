// The real demo package in a Wayland session with no X server at all.

#include "tests/integration/PackageRun.h"
#include "tests/integration/VirtualDesktop.h"
#include "tests/integration/WaylandDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace quindle;
using namespace quindle::test;

TEST(Wayland, ThePackageShowsItsPageInAWindowOfItsOwnNameAndEndsLeavingNothing) {
    WaylandDesktop desktop;
    if (!desktop.Started())
        GTEST_SKIP() << "no Wayland compositor (weston) on this machine";
    PackageCopy package;
    package.SetConfig("[INI]\r\nfullscreen=0\r\ntitle=Demo Shop\r\nport=8080\r\nip=127.0.0.1\r\n"
                      "copyfilestoharddisk=0\r\nbrand=0");
    TempDir home;
    PackageRun run(package, home.Path());
    run.UseWayland(desktop.Socket());
    ASSERT_NE(run.StartAndWaitForSite(), 0u) << run.Log();
    // The page's title reaches the compositor as the window's.
    auto titled = [&] {
        const auto titles = desktop.Titles();
        return std::find(titles.begin(), titles.end(), "Quindle Demo - Demo Shop") != titles.end();
    };
    EXPECT_TRUE(WaitUntil(titled, 30000)) << run.Log();
    for (const std::string& id : desktop.AppIds())
        EXPECT_EQ(id, "demo-shop");
    EXPECT_FALSE(desktop.AppIds().empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("wayland-window.png")));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}
