// The rebranded package, built from a small package folder by the real program's service
// modes: what lands in OutQNL, what runme carries, and what the database choice leaves out.

#include "launcher/builder/PackageBuilder.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/builder/BrandChoices.h"
#include "launcher/run/RunState.h"
#include "tests/TestSupport.h"
#include "tests/integration/DiscImage.h"
#include "tests/integration/PackageRun.h"
#include "tests/integration/VirtualDesktop.h"
#include "window/main/RebrandButton.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

class PackageBuilder : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* file :
             {"bin/Apache/Apache", "bin/mysql/bin/mysqld", "bin/phpmyadmin/index.php",
              "bin/Favorites.ini", "data/mysql/db.opt", "data/quindle/guestbook.frm",
              "data/other/x", "www/index.php"}) {
            ForceDirectories(std::filesystem::path(app / file).parent_path().string());
            WriteFile(app / file, file);
        }
        state.DataDir = data.Path();
        state.WriteBrandDefaults();
        sources = {
            QUINDLE_PATH, app.Path() + "/", state.BrandFile, data.Path(), app / "data", {}, {}};
        // The desktop's opener is a recorder here: the finished folder is "opened" into a log.
        WriteFile(bin / "xdg-open",
                  "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + (bin / "log") + "'\n");
        chmod((bin / "xdg-open").c_str(), 0755);
        savedPath = std::getenv("PATH");
        setenv("PATH", (bin.Path() + ":" + savedPath).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }
    std::string Out(const std::string& Name = std::string()) const {
        return Name.empty() ? GetOutputDir() : JoinPath(GetOutputDir(), Name);
    }
    // The message of a build that must fail; empty, with a failure, when it went on.
    std::string FailedBuild() {
        try {
            WritePackage(ReadBrandChoices(state.BrandFile), sources);
        } catch (const Exception& e) {
            return e.Message();
        }
        ADD_FAILURE() << "the build went on";
        return std::string();
    }
    // The opener would be started without a wait: it is given the time to show up.
    bool SomethingWasOpened() const {
        return !HoldsFor([&] { return !PathExists(bin / "log"); }, 300);
    }

    TempDir app, data, bin;
    TRunState state;
    TPackageSources sources;
    std::string savedPath;
};

} // namespace

TEST_F(PackageBuilder, RunmeCarriesTheChoicesAndThePackageTheStackAndTheDatabase) {
    WriteFile(Out("left from before"), "old");
    TBrandChoices choices = ReadBrandChoices(state.BrandFile);
    EXPECT_EQ(choices.Port, 80);
    EXPECT_EQ(choices.OutputDir, Out());
    choices.Title = " Corner Shop ";
    choices.ShowTrayIcon = true;
    WritePackage(choices, sources);

    const std::string runme = Out("runme");
    ASSERT_TRUE(FileExists(runme));
    EXPECT_TRUE(FileMode(runme) & S_IXUSR);
    const std::string config = ExeResource(runme, 10, "RES_CONFIG_INI");
    EXPECT_EQ(config, ReadFile(state.BrandFile));
    EXPECT_NE(config.find("title=\" Corner Shop \""), std::string::npos) << config;
    EXPECT_NE(config.find("trayicon=1"), std::string::npos) << config;
    EXPECT_NE(config.find("brand=1"), std::string::npos) << config;
    // Without a picture or an icon of its own the copy carries the defaults.
    EXPECT_EQ(ExeResource(runme, 10, "RES_SPLASH"), ReadFile(data / "CDSplash.png"));
    EXPECT_NE(ExeResource(runme, 14, "MAINICON"), "<missing>");
    EXPECT_EQ(ReadFile(Out("autorun.inf")),
              ReadFile(std::string(QUINDLE_SOURCE_DIR) + "/resources/autorun.inf"));

    EXPECT_TRUE(FileExists(Out("bin/Apache/Apache")));
    EXPECT_TRUE(FileExists(Out("bin/mysql/bin/mysqld")));
    EXPECT_TRUE(FileExists(Out("data/mysql/db.opt")));
    EXPECT_TRUE(FileExists(Out("data/quindle/guestbook.frm")));
    // Every database of the folder goes: an application's own is rarely the one named quindle.
    EXPECT_TRUE(FileExists(Out("data/other/x")));
    EXPECT_TRUE(DirectoryExists(Out("www")));
    EXPECT_TRUE(std::filesystem::is_empty(Out("www")));
    EXPECT_FALSE(PathExists(Out("left from before")));
    EXPECT_TRUE(WaitUntil(
        [&] { return PathExists(bin / "log") && ReadFile(bin / "log") == Out() + "\n"; }));
}

TEST_F(PackageBuilder, WithoutTheDatabaseTheServerAndItsDataStayOut) {
    TBrandChoices choices = ReadBrandChoices(state.BrandFile);
    choices.IncludeMySQL = false;
    WritePackage(choices, sources);
    EXPECT_TRUE(FileExists(Out("bin/Apache/Apache")));
    EXPECT_TRUE(FileExists(Out("bin/Favorites.ini")));
    EXPECT_FALSE(PathExists(Out("bin/mysql")));
    EXPECT_FALSE(PathExists(Out("bin/phpmyadmin")));
    EXPECT_FALSE(PathExists(Out("data")));
    EXPECT_NE(ReadFile(state.BrandFile).find("includemysql=0"), std::string::npos);
}

TEST_F(PackageBuilder, APortThatIsNoNumberStopsBeforeTheDialog) {
    TKo::WriteIniString(state.BrandFile, "INI", "port", "8o");
    EXPECT_THROW(ReadBrandChoices(state.BrandFile), Exception);
}

TEST_F(PackageBuilder, AFileThatCannotBeCopiedEndsTheBuildNamingItAndNothingIsOpened) {
    // A link whose target is gone cannot be read: the package would lack that file.
    std::filesystem::create_symlink(app / "gone.so", app / "bin/Apache/broken.so");
    const std::string error = FailedBuild();
    EXPECT_NE(error.find(app / "bin/Apache/broken.so"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(SomethingWasOpened()) << "a half package was opened";
}

TEST_F(PackageBuilder, WithoutItsServerStackTheBuildDoesNotStartAndTheEarlierPackageStays) {
    WriteFile(Out("from before"), "an earlier package");
    std::filesystem::remove_all(app / "bin");
    EXPECT_NE(FailedBuild(), "");
    EXPECT_EQ(ReadFile(Out("from before")), "an earlier package");
    EXPECT_FALSE(SomethingWasOpened());
}

TEST_F(PackageBuilder, AFullDiskEndsTheBuildNamingTheFileAndWhy) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a small file system of our own needs the administrator";
    // A stack larger than what the documents folder can take.
    WriteFile(app / "bin/Apache/big.so", std::string(4 << 20, 'x'));
    const std::string documents = ExtractFileDir(Out());
    ForceDirectories(documents);
    ASSERT_EQ(mount("tmpfs", documents.c_str(), "tmpfs", 0, "size=3m"), 0) << strerror(errno);
    struct Unmount {
        std::string at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{documents};
    const std::string error = FailedBuild();
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_NE(error.find(Out()), std::string::npos) << error;
    EXPECT_FALSE(SomethingWasOpened()) << "a half package was opened";
}

namespace {

// The rebranded package an author makes of the demo package: "Corner Shop" with its icon in the
// tray, on a port of its own, serving the demo site with a page of the author's.
class RebrandedPackage : public ::testing::Test {
protected:
    void SetUp() override {
        // No file manager here: the finished folder is "opened" by an opener that does nothing.
        WriteFile(bin / "xdg-open", "#!/bin/sh\nexit 0\n");
        chmod((bin / "xdg-open").c_str(), 0755);
        savedPath = std::getenv("PATH");
        setenv("PATH", (bin.Path() + ":" + savedPath).c_str(), 1);
        TRunState state;
        state.DataDir = data.Path();
        state.WriteBrandDefaults();
        TBrandChoices choices = ReadBrandChoices(state.BrandFile);
        choices.Title = "Corner Shop";
        choices.ShowTrayIcon = true;
        choices.Port = port = 8000 + int(getpid() % 900);
        WritePackage(choices, {demo.Program(),
                               demo.Dir() + "/",
                               state.BrandFile,
                               data.Path(),
                               demo.Path("data"),
                               {},
                               {}});
        out = GetOutputDir();
        // The author drops the site into www, the demo's with a page of his own.
        std::filesystem::copy(demo.Path("www"), out + "/www",
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        WriteFile(out + "/www/corner.php", "<?php echo 'served by ' . 'php';");
        chmod(out.c_str(), 0755);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }
    void ExpectServedWithTheChoices(PackageRun& Run) {
        EXPECT_GE(Run.WebPort(), port);
        EXPECT_NE(HttpRequest(Run.WebPort(), "GET", "/corner.php").body.find("served by php"),
                  std::string::npos);
        const std::string config = ReadFile(Run.DataDir() + "/Config.ini");
        EXPECT_NE(config.find("title=\"Corner Shop\""), std::string::npos) << config;
        EXPECT_NE(config.find("brand=1"), std::string::npos) << config;
    }

    TempDir bin, data;
    PackageCopy demo;
    std::string savedPath, out;
    int port = 0;
};

} // namespace

TEST_F(RebrandedPackage, RunsFromItsFolderUnderItsOwnNameAndServesItsSite) {
    VirtualDesktop desktop;
    PackageRun run(out, data.Path() + "/home", "runme");
    if (desktop.Started())
        run.UseDisplay(desktop.Display());
    ASSERT_NE(run.StartAndWaitForSite(), 0u) << run.Log();
    ExpectServedWithTheChoices(run);
    EXPECT_FALSE(TKo::IsRunningFromCD(out + "/runme"));
    if (desktop.Started()) {
        // The window carries the new name; its look and the shortened tray menu are left in
        // screenshots.
        EXPECT_TRUE(WaitUntil([&] { return desktop.Windows(" - Corner Shop").size() == 1; }, 30000))
            << run.Log();
        EXPECT_TRUE(WaitUntil([&] { return desktop.TrayIcons() == 1; }, 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("rebranded-window.png")));
        ASSERT_TRUE(desktop.ClickTrayIcon(3));
        EXPECT_TRUE(WaitUntil([&] { return desktop.MenuShown(); }, 5000));
        EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("rebranded-tray-menu.png")));
        desktop.PressKeys("Escape");
    }
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(RebrandedPackage, RunsFromADiscWithoutTheAddressEntryAndEndsWhenTheDiscIsTakenOut) {
    DiscImage disc(out);
    if (!disc.Mounted())
        GTEST_SKIP() << disc.Problem();
    ASSERT_TRUE(TKo::IsRunningFromCD(disc.Path() + "/runme"));
    VirtualDesktop desktop;
    PackageRun run(disc.Path(), data.Path() + "/home", "runme");
    if (desktop.Started())
        run.UseDisplay(desktop.Display());
    ASSERT_NE(run.StartAndWaitForSite(), 0u) << run.Log();
    ExpectServedWithTheChoices(run);
    // The servers run from copies on the hard disk.
    EXPECT_FALSE(TKo::FindProcessesByPath(run.DataDir() + "/bin/Apache/Apache").empty());
    EXPECT_TRUE(run.WaitForDatabase()) << HttpRequest(run.WebPort(), "GET", "/").body;
    if (desktop.Started()) {
        // A disc cannot be stamped: the entry is there but cannot be chosen ("C" is its key).
        ASSERT_TRUE(WaitUntil([&] { return desktop.TrayIcons() == 1; }, 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        ASSERT_TRUE(desktop.ClickTrayIcon(3));
        ASSERT_TRUE(WaitUntil([&] { return desktop.MenuShown(); }, 5000));
        EXPECT_TRUE(desktop.Screenshot(ScreenshotPath("disc-tray-menu.png")));
        desktop.PressKeys("c");
        EXPECT_TRUE(
            HoldsFor([&] { return desktop.Windows("Change IP Address or Port").empty(); }, 2000));
        desktop.PressKeys("Escape");
    }
    ASSERT_TRUE(disc.Eject());
    EXPECT_TRUE(WaitUntil([&] { return run.Processes().empty(); }, 45000)) << run.Log();
}

TEST_F(RebrandedPackage, RunsOnADesktopThatNeverHadQtOrPhp) {
    // A minimal Debian root with only what a desktop has itself, made by the script the demo
    // package's fresh-root tests use.
    const std::string binary = QUINDLE_BINARY_DIR;
    int exitCode = 0;
    const std::string output =
        RunAndCapture(QUINDLE_SOURCE_DIR "/tests/integration/fresh-root/run-test",
                      "'" + binary + "/fresh-root/bookworm' '" + out +
                          "' runme 'Quindle Demo - Corner Shop' '" + binary + "/screenshots' 2>&1",
                      &exitCode);
    if (exitCode == 77)
        GTEST_SKIP() << output;
    EXPECT_EQ(exitCode, 0) << output;
}

namespace {

// A page of the author's: adds a row to a table of its own (made in this run) and counts the
// rows of it and of the demo's guestbook.
const char* kNotesPage = R"(<?php
mysqli_report(MYSQLI_REPORT_OFF);
$db = @new mysqli('127.0.0.1', 'root', '', 'quindle', (int) ini_get('mysqli.default_port'));
if ($db->connect_errno) { echo 'no database'; exit; }
$db->query('CREATE TABLE IF NOT EXISTS notes (id INT AUTO_INCREMENT PRIMARY KEY,
            text VARCHAR(100) NOT NULL) ENGINE=InnoDB');
if (isset($_GET['add'])) {
    $stmt = $db->prepare('INSERT INTO notes (text) VALUES (?)');
    $stmt->bind_param('s', $_GET['add']);
    echo $stmt->execute() ? 'added' : 'failed';
    exit;
}
$count = fn($table) => $db->query("SELECT COUNT(*) FROM $table")->fetch_row()[0];
echo 'notes=' . $count('notes') . ' guestbook=' . $count('guestbook');
)";

std::string ProcessCmdline(std::uint32_t Pid) {
    std::ifstream in("/proc/" + std::to_string(Pid) + "/cmdline");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(RebrandingARunningPackage, TakesEveryCommittedRowAndTheAuthorKeepsHisDatabase) {
    TempDir bin, data, home;
    WriteFile(bin / "xdg-open", "#!/bin/sh\nexit 0\n");
    chmod((bin / "xdg-open").c_str(), 0755);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", (bin.Path() + ":" + savedPath).c_str(), 1);
    struct RestorePath {
        std::string path;
        ~RestorePath() { setenv("PATH", path.c_str(), 1); }
    } restore{savedPath};

    // The author's package runs, and its pages write rows: the guestbook's, and those of a table
    // the author's page makes in this run.
    PackageCopy demo;
    WriteFile(demo.Path("www/notes.php"), kNotesPage);
    PackageRun run(demo, home / "author");
    ASSERT_NE(run.StartAndWaitForSite(), 0u) << run.Log();
    ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(HttpRequest(run.WebPort(), "POST", "/guestbook.php",
                              "name=Guest" + std::to_string(i) + "&message=Hello")
                      .status,
                  302);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(HttpRequest(run.WebPort(), "GET", "/notes.php?add=n" + std::to_string(i)).body,
                  "added");
    const std::string counted = HttpRequest(run.WebPort(), "GET", "/notes.php").body;
    ASSERT_EQ(counted.substr(0, 9), "notes=20 ") << counted;

    // The run's database server as the program knows it.
    TRunState state;
    state.DataDir = run.DataDir();
    state.BrandFile = JoinPath(state.DataDir, "Brand.ini");
    state.BinDir = demo.Path("bin");
    state.MyIniFile = JoinPath(state.DataDir, "my.ini");
    state.MySqlExe = demo.Path("bin/mysql/bin/mysqld");
    state.MySqlPort = run.MySqlPort();
    const auto servers = TKo::FindProcessesByPath(state.MySqlExe);
    ASSERT_EQ(servers.size(), 1u);
    state.MySqlPid = servers[0];
    const std::string commandLine = ProcessCmdline(state.MySqlPid);

    TBrandChoices choices = ReadBrandChoices(state.BrandFile);
    choices.Title = "Corner Shop";
    choices.Port = 8000 + int(getpid() % 900);
    TPackageSources sources = PackageSourcesOf(state);
    // The program is the package's, not this test's.
    sources.ProgramFile = demo.Program();
    sources.AppPath = demo.Dir() + "/";
    EXPECT_EQ(sources.DatabaseDir, demo.Path("data"));
    // While the files are copied the server is down, and the watch of the servers leaves it so.
    bool copiedWhileDown = false;
    const auto stop = sources.StopDatabase;
    sources.StopDatabase = [&] {
        stop();
        copiedWhileDown = TKo::FindProcessesByPath(state.MySqlExe).empty() &&
                          state.KeepServersUp(std::chrono::steady_clock::now()).empty() &&
                          TKo::FindProcessesByPath(state.MySqlExe).empty();
    };
    // The build stands in for the program's own Rebrand button, which pauses the watch of its
    // servers; the program itself is held still meanwhile, or it would take the paused server
    // for one that ended by itself and start it again at once, as it must for such a one.
    ASSERT_EQ(kill(pid_t(run.MainPid()), SIGSTOP), 0);
    WritePackage(choices, sources);
    EXPECT_TRUE(copiedWhileDown);
    const std::string out = GetOutputDir();

    // The server is up again on its port with the same command line, and the author's own run
    // reaches its rows as before.
    ASSERT_NE(state.MySqlPid, servers[0]);
    EXPECT_EQ(ProcessCmdline(state.MySqlPid), commandLine);
    EXPECT_TRUE(WaitUntil(
        [&] { return HttpRequest(run.WebPort(), "GET", "/notes.php").body == counted; }, 30000))
        << HttpRequest(run.WebPort(), "GET", "/notes.php").body;
    state.EndServers();
    ASSERT_EQ(kill(pid_t(run.MainPid()), SIGCONT), 0);
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();

    // The built package holds every row and table, and its server says nothing is missing.
    std::filesystem::copy(demo.Path("www"), out + "/www",
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    chmod(out.c_str(), 0755);
    PackageRun built(out, home / "user", "runme");
    ASSERT_NE(built.StartAndWaitForSite(), 0u) << built.Log();
    ASSERT_TRUE(built.WaitForDatabase()) << built.Log();
    EXPECT_EQ(HttpRequest(built.WebPort(), "GET", "/notes.php").body, counted);
    EXPECT_TRUE(built.ShutDownAndWait()) << built.Log();
    std::istringstream log(ReadFile(built.DataDir() + "/mysqld.err"));
    for (std::string line; std::getline(log, line);) {
        EXPECT_EQ(line.find("[ERROR]"), std::string::npos) << line;
        EXPECT_EQ(line.find("doesn't exist"), std::string::npos) << line;
        // Files copied from a server that was still running look like those of a crash.
        EXPECT_EQ(line.find("crash recovery"), std::string::npos) << line;
    }
}
