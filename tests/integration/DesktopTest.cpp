// The real demo package on a desktop of its own (a virtual display with a window manager and a
// tray, or none): what the user sees of the main window, a popup, the splash and the tray.

#include "kit/Paths.h"
#include "tests/integration/PackageRun.h"
#include "tests/integration/StorageProbe.h"
#include "tests/integration/VirtualDesktop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

std::string Config(const std::string& Extra, const std::string& FullScreen = "0") {
    return "[INI]\r\nfullscreen=" + FullScreen +
           "\r\ntitle=Demo Shop\r\nport=8080\r\nip=127.0.0.1\r\n"
           "copyfilestoharddisk=0\r\nbrand=0" +
           Extra;
}

// What is on the screen, for a failure's message.
std::string Describe(const std::vector<DesktopWindow>& Windows) {
    std::string text = "windows on screen:\n";
    for (const DesktopWindow& w : Windows)
        text += "  \"" + w.Title + "\" " + std::to_string(w.X) + "," + std::to_string(w.Y) + " " +
                std::to_string(w.Width) + "x" + std::to_string(w.Height) + " " + w.State + "\n";
    return text;
}

class Desktop : public ::testing::Test {
protected:
    explicit Desktop(bool WithTray = true) : desktop(WithTray) {}
    void SetUp() override {
        if (!desktop.Started())
            GTEST_SKIP() << "no virtual display (Xvfb) on this machine";
    }
    // A run of the package with that configuration on this desktop.
    std::unique_ptr<PackageRun> Run(const std::string& Extra = std::string(),
                                    const std::string& FullScreen = "0") {
        package.SetConfig(Config(Extra, FullScreen));
        auto run = std::make_unique<PackageRun>(package, home.Path());
        run->UseDisplay(desktop.Display());
        return run;
    }
    // Waits until exactly one window whose title holds Title is on screen and Wanted holds for
    // it; Found is that window then.
    bool WaitForWindow(const std::string& Title,
                       const std::function<bool(const DesktopWindow&)>& Wanted, int Ms,
                       DesktopWindow& Found) {
        return WaitUntil(
            [&] {
                const auto windows = desktop.Windows(Title);
                if (windows.size() != 1 || !Wanted(windows[0]))
                    return false;
                Found = windows[0];
                return true;
            },
            Ms);
    }
    static bool FullWidth(const DesktopWindow& W) { return W.Width == 1280; }
    // Starts the run; Main is its maximised window once the site is served and the icon is in
    // the tray.
    ::testing::AssertionResult StartWithTrayIcon(PackageRun& Run, DesktopWindow& Main) {
        if (Run.StartAndWaitForSite() == 0)
            return ::testing::AssertionFailure() << "no main instance\n" << Run.Log();
        if (!WaitForWindow("Demo Shop", FullWidth, 30000, Main))
            return ::testing::AssertionFailure() << "no main window\n" << Run.Log();
        if (!WaitUntil([&] { return desktop.TrayIcons() == 1; }, 10000))
            return ::testing::AssertionFailure() << "no tray icon";
        return ::testing::AssertionSuccess();
    }

    VirtualDesktop desktop;
    PackageCopy package;
    TempDir home;
};

// A desktop whose panel has no notification area (until the test starts one).
class DesktopWithoutTray : public Desktop {
protected:
    DesktopWithoutTray() : Desktop(false) {}
};

bool Iconic(const DesktopWindow& W) {
    return W.State.find("window state: Iconic") != std::string::npos;
}

} // namespace

TEST_F(Desktop, TheHomePageFillsTheMaximisedWindowAndTheSplashEndsOnceItHasLoaded) {
    auto started = Run();
    PackageRun& run = *started;
    ASSERT_NE(run.StartAndWaitForSite(), 0u);
    DesktopWindow main;
    ASSERT_TRUE(WaitForWindow("Quindle Demo - Demo Shop", FullWidth, 30000, main))
        << Describe(desktop.Windows("")) << run.Log();
    EXPECT_NE(main.State.find("_NET_WM_STATE_MAXIMIZED_HORZ"), std::string::npos);
    // The package's own name (of its title, not of the program file), and its icon at every size
    // the icon file holds.
    EXPECT_NE(desktop.Property(main, "WM_CLASS").find("\"demo-shop\", \"demo-shop\""),
              std::string::npos)
        << desktop.Property(main, "WM_CLASS");
    const std::string icon = desktop.Property(main, "_NET_WM_ICON");
    for (const char* size : {"16 x 16", "24 x 24", "32 x 32", "48 x 48", "64 x 64", "256 x 256"})
        EXPECT_NE(icon.find(std::string("Icon (") + size + ")"), std::string::npos) << size;
    EXPECT_TRUE(WaitUntil([&] { return SplashProcesses(package.Program()).empty(); }, 15000));
    // The tray holds the program's icon.
    EXPECT_TRUE(WaitUntil([&] { return desktop.TrayIcons() >= 1; }, 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("main-window.png")));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
    EXPECT_TRUE(desktop.Windows("Demo Shop").empty());
}

TEST_F(Desktop, AWindowOpenedWithoutASizeIs800By600InTheMiddleOfTheScreen) {
    std::ofstream(package.Path("www/index.php"))
        << "<!DOCTYPE html><title>Opener</title><p>Opening a window...</p>"
           "<script>window.open('popup.php?kind=plain');</script>";
    auto started = Run();
    PackageRun& run = *started;
    ASSERT_NE(run.StartAndWaitForSite(), 0u);
    DesktopWindow popup;
    ASSERT_TRUE(WaitForWindow(
        "Popup", [](const DesktopWindow& W) { return W.Width == 800; }, 30000, popup))
        << run.Log();
    EXPECT_EQ(popup.Height, 600);
    // Centred: the frame the window manager adds shifts the inside by its border and title.
    EXPECT_NEAR(popup.X, (1280 - 800) / 2, 12);
    EXPECT_NEAR(popup.Y, (800 - 600) / 2, 40);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("popup.png")));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(Desktop, AMinimisedStartLivesInTheTrayOrMinimisedWithoutIt) {
    {
        EXPECT_EQ(desktop.TrayIcons(), 0);
        auto started = Run();
        PackageRun& run = *started;
        ASSERT_NE(run.Start(2), 0u);
        EXPECT_TRUE(WaitUntil([&] { return desktop.TrayIcons() >= 1; }, 30000)) << run.Log();
        // The splash ends at once, and no window shows.
        EXPECT_TRUE(WaitUntil([&] { return SplashProcesses(package.Program()).empty(); }, 15000));
        EXPECT_TRUE(HoldsFor([&] { return desktop.Windows("Demo Shop").empty(); }, 1500));
        EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
    }
    {
        auto started = Run("\r\ntrayicon=0");
        PackageRun& run = *started;
        ASSERT_NE(run.Start(7), 0u);
        std::vector<DesktopWindow> windows;
        EXPECT_TRUE(WaitUntil(
            [&] {
                windows = desktop.Windows("Demo Shop", false);
                return windows.size() == 1 &&
                       windows[0].State.find("window state: Iconic") != std::string::npos;
            },
            30000))
            << run.Log();
        EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
    }
}

TEST_F(Desktop, MinimisingHidesToTheTrayAndAClickOnTheIconBringsTheWindowBack) {
    auto started = Run();
    PackageRun& run = *started;
    DesktopWindow main;
    ASSERT_TRUE(StartWithTrayIcon(run, main));
    desktop.Minimise(main);
    // Gone from the screen and from the task bar: not even a minimised window is left.
    EXPECT_TRUE(WaitUntil([&] { return desktop.Windows("Demo Shop", false).empty(); }, 10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_TRUE(desktop.ClickTrayIcon(1));
    EXPECT_TRUE(WaitForWindow(
        "Demo Shop",
        [](const DesktopWindow& W) { return W.State.find("Iconic") == std::string::npos; }, 10000,
        main));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(DesktopWithoutTray, MinimisingKeepsTheWindowOnTheTaskBarUntilATrayComes) {
    auto started = Run();
    PackageRun& run = *started;
    // Twice the size, as on a screen of high density: the screenshot shows every text whole.
    run.AddEnvironment("QT_SCALE_FACTOR=2");
    // A start that would go to the tray starts minimised, where the window manager can give it
    // back.
    ASSERT_NE(run.Start(2), 0u);
    DesktopWindow main;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto windows = desktop.Windows("Demo Shop", false);
            if (windows.size() != 1 || !Iconic(windows[0]))
                return false;
            main = windows[0];
            return true;
        },
        30000))
        << Describe(desktop.Windows("", false)) << run.Log();
    desktop.Restore(main);
    ASSERT_TRUE(WaitForWindow(
        "Demo Shop", [](const DesktopWindow& W) { return !Iconic(W) && W.Width == 1280; }, 10000,
        main))
        << Describe(desktop.Windows("", false));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("main-window-scale-2.png")));
    desktop.Minimise(main);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto windows = desktop.Windows("Demo Shop", false);
            return windows.size() == 1 && Iconic(windows[0]);
        },
        10000));
    EXPECT_TRUE(HoldsFor([&] { return desktop.Windows("Demo Shop", false).size() == 1; }, 1500));
    desktop.Restore(main);
    EXPECT_TRUE(WaitForWindow(
        "Demo Shop", [](const DesktopWindow& W) { return !Iconic(W); }, 10000, main));
    // A tray that comes later takes the icon, and minimising goes there from then on.
    ASSERT_TRUE(desktop.StartTray());
    EXPECT_TRUE(WaitUntil([&] { return desktop.TrayIcons() == 1; }, 10000)) << run.Log();
    desktop.Minimise(main);
    EXPECT_TRUE(WaitUntil([&] { return desktop.Windows("Demo Shop", false).empty(); }, 10000));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(Desktop, FullScreenCoversTheWholeScreenWithThePageAlone) {
    auto started = Run("", "1");
    PackageRun& run = *started;
    ASSERT_NE(run.StartAndWaitForSite(), 0u);
    DesktopWindow main;
    EXPECT_TRUE(WaitForWindow(
        "Demo Shop",
        [](const DesktopWindow& W) {
            return W.X == 0 && W.Y == 0 && W.Width == 1280 && W.Height == 800;
        },
        30000, main))
        << run.Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("full-screen.png")));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(Desktop, TheTrayEntryMovesTheSiteToEveryAddressAndANewPortAndTheProgramComesBackThere) {
    // The hand-over to the new start keeps the cookies the page set.
    StorageProbe probe(package.Dir());
    auto started = Run();
    PackageRun& run = *started;
    probe.Mark(run);
    DesktopWindow main;
    ASSERT_TRUE(StartWithTrayIcon(run, main));
    const std::string stored = probe.WaitForStored(run);
    ASSERT_FALSE(stored.empty()) << run.Log();
    const std::string before = ReadFile(package.Program());
    const int oldPort = run.WebPort();
    const auto apache = TKo::FindProcessesByPath(package.Path("bin/Apache/Apache"));

    // The entry is the second of the tray menu; the dialog opens on its own.
    auto openDialog = [&] {
        DesktopWindow dialog;
        for (int attempt = 0; attempt < 3; ++attempt) {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            if (!desktop.ClickTrayIcon(3))
                return false;
            if (!WaitUntil([&] { return desktop.MenuShown(); }, 5000))
                continue;
            desktop.PressKeys("Down Down Return");
            if (WaitForWindow(
                    "Change IP Address or Port", [](const DesktopWindow&) { return true; }, 5000,
                    dialog) &&
                WaitUntil([&] { return desktop.HasFocus(dialog); }, 5000))
                return true;
            desktop.PressKeys("Escape");
        }
        return false;
    };

    // Cancel changes nothing: same file, same servers, same port.
    ASSERT_TRUE(openDialog()) << Describe(desktop.Windows(""));
    desktop.PressKeys("Escape");
    EXPECT_TRUE(WaitUntil([&] { return desktop.Windows("Change IP Address").empty(); }, 5000));
    EXPECT_TRUE(HoldsFor([&] { return ReadFile(package.Program()) == before; }, 1000));
    for (auto pid : apache)
        EXPECT_TRUE(TKo::ProcessExists(std::int32_t(pid))) << pid;
    EXPECT_EQ(HttpRequest(oldPort, "GET", "/").status, 200);

    // "0.0.0.0" (the second address), port 8180, OK, and Yes to the question.
    ASSERT_TRUE(openDialog()) << Describe(desktop.Windows(""));
    EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("address-dialog.png")));
    desktop.PressKeys("Down Tab ctrl+a 8 1 8 0 Tab");
    desktop.PressKeys("space");
    DesktopWindow confirm;
    ASSERT_TRUE(WaitForWindow(
        "Confirm", [](const DesktopWindow&) { return true; }, 5000, confirm))
        << Describe(desktop.Windows(""));
    ASSERT_TRUE(WaitUntil([&] { return desktop.HasFocus(confirm); }, 5000));
    desktop.PressKeys("Return");

    ASSERT_NE(run.WaitForRestart(), 0u) << run.Log();
    ASSERT_TRUE(WaitUntil(
        [&] {
            try {
                return ReadFile(run.DataDir() + "/httpd.conf").find("\nListen 0.0.0.0:") !=
                       std::string::npos;
            } catch (...) {
                return false;
            }
        },
        30000))
        << run.Log();
    const int port = run.WebPort();
    EXPECT_GE(port, 8180);
    EXPECT_LT(port, 8190);
    EXPECT_TRUE(WaitUntil([&] { return HttpRequest(port, "GET", "/").status == 200; }, 30000))
        << run.Log();
    EXPECT_TRUE(PortIsListeningOnEveryAddress(port));
    EXPECT_FALSE(PortIsListening(oldPort));
    // The program file itself carries the new configuration.
    const std::string config = ExeResource(package.Program(), 10, "RES_CONFIG_INI");
    EXPECT_NE(config.find("ip=all"), std::string::npos) << config;
    EXPECT_NE(config.find("port=8180"), std::string::npos) << config;
    EXPECT_NE(config.find("title=Demo Shop"), std::string::npos) << config;
    DesktopWindow again;
    EXPECT_TRUE(WaitForWindow("Demo Shop", FullWidth, 30000, again)) << run.Log();
    // Local storage belongs to the address and port, which the change gives up; cookies belong
    // to the host and are kept.
    EXPECT_EQ(probe.WaitForFound(run), "cookie=" + stored + " local=") << run.Log();
    // The command copy has done its work and ended.
    const std::string copy = TKo::GetTempDir() + "/qndl_cmd0.tmp";
    EXPECT_TRUE(FileExists(copy));
    EXPECT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(copy).empty(); }, 10000));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(Desktop, TheCloseBoxAndTheTrayExitKeepWhatThePageStored) {
    StorageProbe probe(package.Dir());
    // Starts a run, checks what the page found of the run before, and ends the run by Road a
    // second after the page has stored its new values.
    std::string stored;
    auto runAndEnd = [&](const std::function<void(PackageRun&, const DesktopWindow&)>& Road) {
        auto started = Run();
        PackageRun& run = *started;
        probe.Mark(run);
        DesktopWindow main;
        ASSERT_TRUE(StartWithTrayIcon(run, main));
        const std::string found = probe.WaitForFound(run);
        EXPECT_EQ(found, stored.empty() ? "cookie= local=" : BothKept(stored)) << run.Log();
        stored = probe.WaitForStored(run);
        ASSERT_FALSE(stored.empty()) << run.Log();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        run.Processes();
        Road(run, main);
        EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
    };
    runAndEnd([&](PackageRun&, const DesktopWindow& Main) { desktop.Close(Main); });
    // Exit is the last entry of the tray menu.
    runAndEnd([&](PackageRun&, const DesktopWindow&) {
        ASSERT_TRUE(desktop.ClickTrayIcon(3));
        ASSERT_TRUE(WaitUntil([&] { return desktop.MenuShown(); }, 5000));
        desktop.PressKeys("Up Return");
    });
    auto started = Run();
    PackageRun& last = *started;
    probe.Mark(last);
    ASSERT_NE(last.Start(), 0u);
    EXPECT_EQ(probe.WaitForFound(last), BothKept(stored)) << last.Log();
    EXPECT_TRUE(last.ShutDownAndWait()) << last.Log();
}
