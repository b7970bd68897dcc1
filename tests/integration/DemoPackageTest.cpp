// The real demo package, started as a user starts it: the site is served by the package's own
// Apache, PHP and MariaDB, the generated files are where they belong, and nothing the program
// started is left behind once it has ended.

#include "kit/Strings.h"
#include "tests/integration/DiscImage.h"
#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

std::string ConfigWithPort(const std::string& port) {
    return "[INI]\r\nfullscreen=0\r\ntitle=Demo Shop\r\nport=" + port +
           "\r\nip=127.0.0.1\r\ncopyfilestoharddisk=0\r\nbrand=0";
}

// A listener on the loopback address for the life of the object.
struct Listener {
    explicit Listener(int port) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0;
    }
    ~Listener() { close(fd); }
    int fd;
    bool ok;
};

int FreePortBlock(int from, int size) {
    for (int p = from; p < 60000; p += size) {
        bool free = true;
        for (int q = p; q < p + size && free; ++q)
            free = !TKo::IsPortInUse(q, true);
        if (free)
            return p;
    }
    return 0;
}

} // namespace

class DemoPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { shared = new PackageCopy(); }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }
    static PackageCopy* shared;
    TempDir home;
};
PackageCopy* DemoPackage::shared = nullptr;

TEST_F(DemoPackage, ServesTheSiteWritesItsFilesAndLeavesNothingBehind) {
    PackageRun run(*shared, home / "user");
    run.StartAndWaitForSite();
    const std::string dataDir = run.DataDir();

    // The site runs on the package's PHP with the php.ini made for this run, and reaches the
    // package's database once that is ready (nobody waits for it).
    EXPECT_TRUE(run.WaitForDatabase());
    const HttpReply home1 = HttpRequest(run.WebPort(), "GET", "/");
    EXPECT_NE(home1.body.find("<dd id=\"php-ini\">" + dataDir + "/php.ini</dd>"), std::string::npos)
        << home1.body;
    EXPECT_NE(home1.body.find("<dd id=\"phprc\">" + dataDir + "</dd>"), std::string::npos);
    EXPECT_NE(home1.body.find("<dd id=\"app\">Quindle 9.00</dd>"), std::string::npos);
    EXPECT_NE(home1.body.find("Connected to MariaDB"), std::string::npos) << home1.body;
    EXPECT_EQ(HttpRequest(run.WebPort(), "GET", "/quindle-help").status, 301); // to the folder
    EXPECT_EQ(HttpRequest(run.WebPort(), "GET", "/quindle-help/").status, 200);

    // The generated files.
    EXPECT_EQ(ReadFile(dataDir + "/Config.ini"),
              TKo::ReadTextFile(QUINDLE_SOURCE_DIR "/resources/Config.ini"));
    EXPECT_EQ(TKo::ReadIniString(dataDir + "/Brand.ini", "INI", "brand"), "1");
    const std::string httpd = ReadFile(dataDir + "/httpd.conf");
    EXPECT_NE(httpd.find("DocumentRoot \"" + shared->Dir() + "/www\""), std::string::npos);
    for (const char* placeholder : {"$PHPRC$", "$BINDIR$", "$IP$", "$PORT$", "$DOCROOT$"})
        EXPECT_EQ(httpd.find(placeholder), std::string::npos) << placeholder;
    EXPECT_EQ(TKo::ReadIniString(dataDir + "/my.ini", "mysqld", "datadir"),
              shared->Dir() + "/data");
    EXPECT_EQ(TKo::ReadIniString(dataDir + "/my.ini", "mysqld", "bind-address"), "127.0.0.1");
    EXPECT_NE(ReadFile(dataDir + "/php.ini")
                  .find("mysqli.default_port = " + std::to_string(run.MySqlPort())),
              std::string::npos);

    // The splash has gone once the page has loaded in the window.
    EXPECT_TRUE(WaitUntil([&] { return SplashProcesses(shared->Program()).empty(); }, 20000));

    const int webPort = run.WebPort(), dbPort = run.MySqlPort();
    ASSERT_TRUE(run.ShutDownAndWait()) << run.Log();
    EXPECT_FALSE(PortIsListening(webPort));
    EXPECT_FALSE(PortIsListening(dbPort));
    // The database was closed, not killed.
    EXPECT_NE(ReadFile(dataDir + "/mysqld.err").find("Shutdown complete"), std::string::npos);
}

TEST_F(DemoPackage, ATakenPortMovesTheServerButNotTheSetting) {
    PackageCopy package;
    const int configured = FreePortBlock(24100, 4);
    package.SetConfig(ConfigWithPort(std::to_string(configured)));
    Listener other(configured);
    ASSERT_TRUE(other.ok);
    PackageRun run(package, home / "user");
    run.StartAndWaitForSite();
    EXPECT_EQ(run.WebPort(), configured + 1);
    EXPECT_EQ(HttpRequest(configured + 1, "GET", "/").status, 200);
    EXPECT_EQ(TKo::ReadIniString(run.DataDir() + "/Config.ini", "INI", "port"),
              std::to_string(configured));
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(DemoPackage, APortThatIsNoNumberStopsTheStartButNotTheShutdown) {
    PackageCopy package;
    package.SetConfig(ConfigWithPort("8o8o"));
    PackageRun run(package, home / "user");
    ASSERT_NE(run.Start(), 0u);
    ASSERT_TRUE(WaitUntil(
        [&] { return run.Log().find("is not a valid integer") != std::string::npos; }, 30000))
        << run.Log();
    EXPECT_NE(run.Log().find("Demo Shop: '8o8o' is not a valid integer value."), std::string::npos)
        << run.Log();
    EXPECT_TRUE(TKo::FindProcessesByPath(package.Path("bin/Apache/Apache")).empty());
    EXPECT_FALSE(TKo::FindProcessesByPath(package.Path("bin/mysql/bin/mysqld")).empty());
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(DemoPackage, ASecondStartIsRefusedAndTheFirstRunsOn) {
    PackageRun first(*shared, home / "user");
    const auto firstPid = first.StartAndWaitForSite();
    // Its servers: the database and the web server's parent (the splash and the engine's
    // helpers come and go by themselves).
    std::vector<std::uint32_t> servers =
        TKo::FindProcessesByPath(shared->Path("bin/mysql/bin/mysqld"));
    for (auto pid : TKo::FindProcessesByPath(shared->Path("bin/Apache/Apache")))
        if (TKo::GetParentPid(pid) == firstPid)
            servers.push_back(pid);
    ASSERT_EQ(servers.size(), 2u) << first.Log();
    // The refused start waits for its box to be closed, and ends at once when asked to end in
    // any of the ways a session or a terminal asks; it started nothing.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        PackageRun second(*shared, home / "user");
        const auto secondPid = second.Start();
        ASSERT_NE(secondPid, 0u);
        EXPECT_TRUE(WaitUntil(
            [&] {
                return second.Log().find(
                           "Error: An instance of this application is already running!") !=
                       std::string::npos;
            },
            30000))
            << second.Log();
        kill(pid_t(secondPid), signal);
        EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(secondPid)); }))
            << "signal " << signal;
        TKo::KillProcess(secondPid); // when it did not end
        second.HandOver(); // what else its harness would find of the package is the first run's
    }
    for (auto pid : servers)
        EXPECT_TRUE(TKo::ProcessExists(std::int32_t(pid))) << pid;
    EXPECT_EQ(HttpRequest(first.WebPort(), "GET", "/").status, 200);
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(firstPid)));
    EXPECT_TRUE(first.ShutDownAndWait()) << first.Log();
}

TEST_F(DemoPackage, AStartAskedToEndBeforeItsWindowIsUpEndsWhatItStarted) {
    // At once, while the servers start, and while the toolkit loads: the moments before the
    // window serves requests itself.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        for (int delayMs : {0, 100, 300}) {
            PackageRun run(*shared, home / "user");
            const auto pid = run.Start();
            ASSERT_NE(pid, 0u) << run.Log();
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            const auto asked = std::chrono::steady_clock::now();
            kill(pid_t(pid), signal);
            EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 30000))
                << "signal " << signal << " after " << delayMs << " ms\n"
                << run.Log();
            std::printf(
                "signal %d %d ms after the start: everything ended after %lld ms\n", signal,
                delayMs,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - asked)
                                           .count()));
        }
    }
}

TEST_F(DemoPackage, LeftoversOfAKilledRunAreEndedAtTheNextStartOthersStay) {
    PackageCopy other;
    PackageRun bystander(other, home / "other");
    bystander.StartAndWaitForSite();
    const auto otherServers = TKo::FindProcessesByPath(other.Path("bin/Apache/Apache"));

    PackageRun killed(*shared, home / "user");
    killed.StartAndWaitForSite();
    ASSERT_TRUE(killed.WaitForDatabase()) << killed.Log();
    // Followed by their ids from now on: an ending server stops showing its program file long
    // before it lets go of its data and port.
    ASSERT_FALSE(killed.Processes().empty());
    kill(pid_t(killed.MainPid()), SIGKILL);
    // Its servers follow it. Leftovers of a run are still possible (a server that hung, or one
    // an older version left): servers of this package started by someone else stand for them.
    auto left = [&] {
        std::string text;
        for (auto pid : killed.Processes())
            text += ReadFile("/proc/" + std::to_string(pid) + "/status") + "\n";
        return text;
    };
    ASSERT_TRUE(WaitUntil([&] { return killed.Processes().empty(); }, 30000)) << left();
    const std::string apache = shared->Path("bin/Apache/Apache");
    const std::string mysqld = shared->Path("bin/mysql/bin/mysqld");
    TKo::RunProgram(apache, "-f \"" + killed.DataDir() + "/httpd.conf\"", "", 0);
    TKo::RunProgram(mysqld, "\"--defaults-file=" + killed.DataDir() + "/my.ini\" \"--user=root\"",
                    "", 0);
    ASSERT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(apache).size() >= 2; }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return !TKo::FindProcessesByPath(mysqld).empty(); }, 10000))
        << ReadFile(killed.DataDir() + "/mysqld.err");
    const auto oldApache = TKo::FindProcessesByPath(apache);
    const auto oldMysql = TKo::FindProcessesByPath(mysqld);

    PackageRun next(*shared, home / "user");
    next.StartAndWaitForSite();
    auto gone = [](const TCardinalArray& pids) {
        return WaitUntil(
            [&] {
                for (auto pid : pids)
                    if (TKo::ProcessExists(std::int32_t(pid)))
                        return false;
                return true;
            },
            30000);
    };
    EXPECT_TRUE(gone(oldApache)) << "old web server";
    EXPECT_TRUE(gone(oldMysql)) << "old database server";
    for (auto pid : otherServers)
        EXPECT_TRUE(TKo::ProcessExists(std::int32_t(pid))) << "another package's server " << pid;
    EXPECT_TRUE(next.ShutDownAndWait()) << next.Log();
    EXPECT_TRUE(bystander.ShutDownAndWait()) << bystander.Log();
}

TEST_F(DemoPackage, CommittedRowsSurviveShutDownAndAKilledLauncher) {
    PackageCopy package;
    const std::string marker = "row-" + std::to_string(getpid());
    {
        PackageRun run(package, home / "user");
        run.StartAndWaitForSite();
        ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
        const HttpReply posted = HttpRequest(run.WebPort(), "POST", "/guestbook.php",
                                             "name=Tester&message=" + marker + "-1");
        EXPECT_EQ(posted.status, 302) << posted.body;
        ASSERT_TRUE(run.ShutDownAndWait()) << run.Log();
    }
    {
        PackageRun run(package, home / "user");
        run.StartAndWaitForSite();
        ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
        EXPECT_NE(HttpRequest(run.WebPort(), "GET", "/guestbook.php").body.find(marker + "-1"),
                  std::string::npos);
        EXPECT_EQ(HttpRequest(run.WebPort(), "POST", "/guestbook.php",
                              "name=Tester&message=" + marker + "-2")
                      .status,
                  302);
        kill(pid_t(run.MainPid()), SIGKILL);
        WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(run.MainPid())); });
        // The servers follow their launcher by themselves, the database after closing its files.
        EXPECT_TRUE(WaitUntil(
            [&] {
                return TKo::FindProcessesByPath(package.Path("bin/Apache/Apache")).empty() &&
                       TKo::FindProcessesByPath(package.Path("bin/mysql/bin/mysqld")).empty();
            },
            30000))
            << run.Log();
        EXPECT_FALSE(PortIsListening(run.WebPort()));
    }
    PackageRun run(package, home / "user");
    run.StartAndWaitForSite();
    ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
    const std::string page = HttpRequest(run.WebPort(), "GET", "/guestbook.php").body;
    EXPECT_NE(page.find(marker + "-1"), std::string::npos) << page;
    EXPECT_NE(page.find(marker + "-2"), std::string::npos) << page;
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(DemoPackage, WithoutTheDatabaseOnlyTheWebServerRuns) {
    PackageCopy package;
    package.RemoveDatabase();
    PackageRun run(package, home / "user");
    run.StartAndWaitForSite();
    EXPECT_TRUE(TKo::FindProcessesByPath(package.Path("bin/mysql/bin/mysqld")).empty());
    EXPECT_NE(ReadFile(run.DataDir() + "/php.ini").find("mysqli.default_port = 0"),
              std::string::npos);
    EXPECT_FALSE(PathExists(run.DataDir() + "/my.ini"));
    EXPECT_NE(HttpRequest(run.WebPort(), "GET", "/").body.find("No database server"),
              std::string::npos);
    EXPECT_TRUE(run.ShutDownAndWait(10000)) << run.Log();
}

TEST_F(DemoPackage, AnyArgumentRunsNoWindowAndNoServer) {
    int rc = -1;
    RunAndCapture(shared->Program(), "--no-such-mode something", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(MainInstances(shared->Program()).empty());
    EXPECT_TRUE(TKo::FindProcessesByPath(shared->Path("bin/Apache/Apache")).empty());
}

TEST_F(DemoPackage, TheSplashModeShowsUntilEndedUnlessSwitchedOff) {
    TempDir dir;
    WriteFile(dir / "off.ini", "[INI]\r\nshowsplash=0\r\n");
    WriteFile(dir / "on.ini", "[INI]\r\ntitle=x\r\n");
    int rc = -1;
    RunAndCapture(shared->Program(), "splash '" + (dir / "off.ini") + "'", &rc);
    EXPECT_EQ(rc, 0); // ended at once, nothing shown
    RunAndCapture(shared->Program(), "splash '" + (dir / "missing.ini") + "'", &rc);
    EXPECT_EQ(rc, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto pid = TKo::RunProgram(shared->Program(), "SPLASH \"" + (dir / "on.ini") + "\"", "",
                                     SW_SHOWNORMAL);
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(HoldsFor([&] { return TKo::ProcessExists(std::int32_t(pid)); }, 1500))
        << "the splash ended by itself";
    TKo::KillProcess(pid);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(pid)); }));
}

// A package may sit in any folder a user can name: quotes, an apostrophe, a dollar and blanks
// are ordinary characters to the start, the servers' configurations, the splash and the modes
// that stamp a program.
TEST_F(DemoPackage, AFolderNamedWithQuotesADollarAndBlanksWorksInEveryMode) {
    const std::string folder = "we\"ird 'pa$th";
    PackageCopy package(folder);
    {
        PackageRun run(package, home / "user");
        run.StartAndWaitForSite();
        EXPECT_TRUE(run.WaitForDatabase()) << run.Log();
        // The site is served from that folder, its configuration quoting the quote.
        EXPECT_NE(ReadFile(run.DataDir() + "/httpd.conf").find("we\\\"ird 'pa$th/www\""),
                  std::string::npos);
        ASSERT_TRUE(run.ShutDownAndWait()) << run.Log();
    }

    // The stamping modes, on a program and files whose names hold the same.
    const std::string target = package.Path("ru'n \"me\" $1");
    const std::string config = package.Path("con'fig \"x\" $2.ini");
    CopyFile(RESOURCE_PROBE_PATH, target);
    WriteFile(config, "[INI]\r\ntitle=\"x\"\r\n");
    TKo::RunProgramAndWait(package.Program(),
                           "/config " + QuoteArgument(target) + " " + QuoteArgument(config), "",
                           SW_SHOWNORMAL);
    constexpr std::uint16_t kRcData = 10; // the resource type of raw data
    EXPECT_EQ(ExeResource(target, kRcData, "RES_CONFIG_INI"), ReadFile(config));

    // The splash mode shows until it is ended.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto splash =
        TKo::RunProgram(package.Program(), "splash " + QuoteArgument(config), "", SW_SHOWNORMAL);
    ASSERT_NE(splash, 0u);
    EXPECT_TRUE(HoldsFor([&] { return TKo::ProcessExists(std::int32_t(splash)); }, 1500))
        << "the splash did not stay";
    TKo::KillProcess(splash);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(splash)); }));
}

TEST_F(DemoPackage, AStartMarkedAsRelaunchedRunsWithoutRelaunching) {
    PackageRun run(*shared, home / "user");
    // Started with 6001 itself, the program is the interactive run: the start does not return
    // until it ends, so it is ended from here once the site is up.
    std::thread starter([&] { run.Start(6001); });
    const bool served = WaitUntil(
        [&] { return run.WebPort() != 0 && HttpRequest(run.WebPort(), "GET", "/").status == 200; },
        30000);
    EXPECT_TRUE(served) << run.Log();
    const auto instances = MainInstances(shared->Program());
    EXPECT_EQ(instances.size(), 1u) << run.Log();
    run.Processes();
    // Whatever was found, the start must come back before the test may end.
    for (auto pid : instances)
        kill(pid_t(pid), SIGTERM);
    if (instances.empty())
        for (auto pid : run.Processes())
            kill(pid_t(pid), SIGKILL);
    starter.join();
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
}

TEST_F(DemoPackage, HangUpAndInterruptEndEverythingToo) {
    for (int sig : {SIGHUP, SIGINT}) {
        PackageRun run(*shared, home / "user");
        run.StartAndWaitForSite();
        run.Processes();
        kill(pid_t(run.MainPid()), sig);
        EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000))
            << "signal " << sig << "\n"
            << run.Log();
    }
}

// The program starts the servers before it loads its window: a request to end that arrives
// meanwhile is kept for the window, which ends everything as soon as it runs.
TEST_F(DemoPackage, ARequestToEndBeforeTheWindowIsUpEndsEverything) {
    PackageRun run(*shared, home / "user");
    const std::uint32_t main = run.Start();
    ASSERT_NE(main, 0u) << run.Log();
    ASSERT_TRUE(WaitUntil([&] { return run.WebPort() != 0; }, 20000)) << run.Log();
    kill(pid_t(main), SIGTERM);
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
    EXPECT_FALSE(TKo::ProcessExists(std::int32_t(main)));
}

TEST_F(DemoPackage, APageClosingItsWindowEndsEverything) {
    PackageCopy package;
    // A home page that closes its window once it has been shown, after a first navigation (the
    // engine alone would refuse a window with history).
    WriteFile(package.Path("www/index.php"),
              "<?php if (!isset($_GET['again'])) { header('Location: /?again=1'); exit; } ?>"
              "<!DOCTYPE html><title>Bye</title><script>"
              "addEventListener('load', () => setTimeout(() => window.close(), 300));</script>");
    PackageRun run(package, home / "user");
    run.Start();
    ASSERT_TRUE(WaitUntil([&] { return run.WebPort() != 0; }, 30000)) << run.Log();
    run.Processes();
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
}

TEST_F(DemoPackage, FiftyStartsAndShutdownsLeaveNothingBehind) {
    std::set<int> ports;
    for (int cycle = 0; cycle < 50; ++cycle) {
        PackageRun run(*shared, home / "user");
        run.StartAndWaitForSite();
        ports.insert(run.WebPort());
        ports.insert(run.MySqlPort());
        ASSERT_TRUE(run.ShutDownAndWait()) << "cycle " << cycle << "\n" << run.Log();
    }
    for (const auto& exe : {"quindle", "bin/Apache/Apache", "bin/mysql/bin/mysqld"})
        EXPECT_TRUE(TKo::FindProcessesByPath(shared->Path(exe)).empty()) << exe;
    for (int port : ports)
        EXPECT_FALSE(PortIsListening(port)) << port;
}

TEST_F(DemoPackage, RemovingTheMediumEndsTheProgramAndItsServers) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a medium needs the administrator";
    TempDir work;
    chmod(work.Path().c_str(), 0755);
    const std::string medium = work / "stick";
    std::filesystem::create_directories(medium);
    if (std::system(("mount -t tmpfs -o size=600m tmpfs '" + medium + "' 2>/dev/null").c_str()) !=
        0)
        GTEST_SKIP() << "this machine does not allow mounting";
    struct Unmount {
        std::string at;
        ~Unmount() { std::system(("umount -l '" + at + "' 2>/dev/null").c_str()); }
    } unmount{medium};
    chmod(medium.c_str(), 0755);
    ASSERT_EQ(
        std::system(("cp -a '" QUINDLE_BINARY_DIR "/demo-package/.' '" + medium + "'").c_str()), 0);

    PackageRun run(medium, home / "user");
    run.StartAndWaitForSite();
    ASSERT_FALSE(run.Processes().empty());
    // Pulling the stick: the medium is gone from under the running program.
    ASSERT_EQ(std::system(("umount -l '" + medium + "'").c_str()), 0);
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
}

TEST_F(DemoPackage, RunsFromAReadOnlyDiscImageAndEndsWhenItIsRemoved) {
    DiscImage disc(QUINDLE_BINARY_DIR "/demo-package");
    if (!disc.Mounted())
        GTEST_SKIP() << disc.Problem();
    ASSERT_TRUE(TKo::IsRunningFromCD(disc.Path() + "/quindle"));
    PackageRun run(disc.Path(), home / "user");
    run.StartAndWaitForSite();
    // The servers run from copies in the working folder, where they can write.
    const std::string dataDir = run.DataDir();
    EXPECT_FALSE(TKo::FindProcessesByPath(dataDir + "/bin/Apache/Apache").empty());
    EXPECT_EQ(TKo::ReadIniString(dataDir + "/my.ini", "mysqld", "datadir"), dataDir + "/data");
    EXPECT_TRUE(run.WaitForDatabase()) << HttpRequest(run.WebPort(), "GET", "/").body;
    // Taking the disc away ends the program and its servers.
    ASSERT_TRUE(disc.Eject());
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
}

TEST_F(DemoPackage, AWindowThatCannotOpenEndsTheServersAndSaysWhy) {
    // A display nobody serves, a package that lost its platform plugins, and one that lost the
    // module with the windows.
    PackageCopy withoutPlugins;
    std::filesystem::remove_all(withoutPlugins.Path("plugins/platforms"));
    PackageCopy withoutWindows;
    std::filesystem::remove(withoutWindows.Path("lib/libquindle-window.so"));
    struct Case {
        const PackageCopy& package;
        const char* display;
        const char* reason;
    };
    for (const Case& c : {Case{*shared, ":4093", "could not connect to display"},
                          Case{withoutPlugins, "", "platform plugin"},
                          Case{withoutWindows, "", "window module could not be loaded"}}) {
        PackageRun run(c.package, home / "user");
        if (*c.display)
            run.UseDisplay(c.display);
        // Started as the relaunched run, the failing process is the one started; one that does
        // not fail is ended after a while, so that the test ends.
        std::atomic<bool> ended{false};
        std::thread guard([&] {
            if (!WaitUntil([&] { return ended.load(); }, 60000))
                for (auto pid : run.Processes())
                    kill(pid_t(pid), SIGKILL);
        });
        run.Start(6001);
        ended = true;
        guard.join();
        // Ended by the program itself, after its servers: not aborted by the toolkit.
        EXPECT_EQ(run.ExitCode(), 1) << c.reason;
        EXPECT_NE(run.Log().find(c.reason), std::string::npos) << run.Log();
        EXPECT_TRUE(WaitUntil(
            [&] {
                return TKo::FindProcessesByPath(c.package.Path("bin/Apache/Apache")).empty() &&
                       TKo::FindProcessesByPath(c.package.Path("bin/mysql/bin/mysqld")).empty() &&
                       SplashProcesses(c.package.Program()).empty();
            },
            10000))
            << run.Log();
    }
}

TEST_F(DemoPackage, TheProgramLinksNoToolkitItsWindowsAreModulesBesideIt) {
    // What the dynamic loader binds for every start and every service mode.
    const std::string needed = RunAndCapture("readelf", "-d '" + shared->Program() + "'");
    EXPECT_NE(needed.find("(NEEDED)"), std::string::npos) << needed;
    EXPECT_EQ(needed.find("libQt6"), std::string::npos) << needed;
    const std::string window =
        RunAndCapture("readelf", "-d '" + shared->Path("lib/libquindle-window.so") + "'");
    EXPECT_NE(window.find("libQt6WebEngineWidgets"), std::string::npos) << window;
    // The splash paints a picture: the toolkit's GUI part, without its widgets.
    const std::string splash =
        RunAndCapture("readelf", "-d '" + shared->Path("lib/libquindle-splash.so") + "'");
    EXPECT_NE(splash.find("libQt6Gui"), std::string::npos) << splash;
    EXPECT_EQ(splash.find("libQt6Widgets"), std::string::npos) << splash;
    // The modules use the program's own run state, not copies of their own: a copy would not
    // know the servers the program started.
    for (const char* module : {"lib/libquindle-window.so", "lib/libquindle-splash.so"}) {
        const std::string defined =
            RunAndCapture("nm", "-D --defined-only '" + shared->Path(module) + "'");
        EXPECT_EQ(defined.find("TKo14GetAppFileName"), std::string::npos) << module;
        EXPECT_EQ(defined.find("TRunState11StartSplash"), std::string::npos) << module;
    }
    const std::string exported =
        RunAndCapture("nm", "-D --defined-only '" + shared->Program() + "'");
    EXPECT_NE(exported.find("TRunState11StartSplash"), std::string::npos);
}

TEST_F(DemoPackage, ServersThatEndComeBackOnTheirPortsUntilTheThirdTimeInFiveMinutes) {
    PackageCopy package;
    PackageRun run(package, home / "user");
    run.StartAndWaitForSite();
    ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
    const std::string marker = "kept-" + std::to_string(getpid());
    ASSERT_EQ(HttpRequest(run.WebPort(), "POST", "/guestbook.php", "name=Tester&message=" + marker)
                  .status,
              302);
    const int port = run.WebPort();
    const std::string apache = package.Path("bin/Apache/Apache");
    const std::string mysqld = package.Path("bin/mysql/bin/mysqld");
    // The web server's parent: the one the program started.
    auto webServer = [&] {
        for (auto pid : TKo::FindProcessesByPath(apache))
            if (TKo::GetParentPid(pid) == run.MainPid())
                return pid;
        return std::uint32_t(0);
    };
    auto served = [&] { return HttpRequest(port, "GET", "/").status == 200; };

    // The database server, killed: back on its port, with the committed row.
    const auto database = TKo::FindProcessesByPath(mysqld);
    ASSERT_EQ(database.size(), 1u);
    kill(pid_t(database[0]), SIGKILL);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto now = TKo::FindProcessesByPath(mysqld);
            return now.size() == 1 && now[0] != database[0] &&
                   HttpRequest(port, "GET", "/guestbook.php").body.find(marker) !=
                       std::string::npos;
        },
        30000))
        << run.Log();
    EXPECT_NE(run.Log().find("The database server had stopped and was started again."),
              std::string::npos)
        << run.Log();

    // The web server, killed three times: back each time on the same port.
    // Its workers, orphaned, may be handed to the program until it ends them: a round is over
    // once the program has said it started the server again and the site answers.
    auto restarts = [&] {
        const std::string log = run.Log(),
                          line = "The web server had stopped and was started again.";
        int count = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
            ++count;
        return count;
    };
    for (int round = 1; round <= 3; ++round) {
        const auto before = webServer();
        ASSERT_NE(before, 0u) << "round " << round << "\n" << run.Log();
        kill(pid_t(before), SIGKILL);
        EXPECT_TRUE(WaitUntil(
            [&] {
                return restarts() == round && webServer() != 0 && webServer() != before && served();
            },
            15000))
            << "round " << round << "\n"
            << run.Log();
    }
    EXPECT_EQ(run.WebPort(), port);
    // A fourth time within five minutes: given up, and the user is told which and where to look.
    kill(pid_t(webServer()), SIGKILL);
    EXPECT_TRUE(
        WaitUntil([&] { return run.Log().find("apache_error.log") != std::string::npos; }, 15000))
        << run.Log();
    EXPECT_NE(run.Log().find("The web server has stopped three times in five minutes"),
              std::string::npos)
        << run.Log();
    EXPECT_TRUE(HoldsFor([&] { return webServer() == 0u; }, 2000)) << "started a fifth time";
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}
