// The command-line service modes, run as real processes of the program on copies of a small
// program: the grammar, the resources written, the waits, the chain of "/setup", and paths that a
// shell would take apart.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using namespace quindle;
using namespace quindle::test;

extern char** environ;

namespace {

struct Result {
    int status = -1;
    std::string err;
};

// Runs Program with exactly these arguments (no shell, no splitting) and waits.
Result RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                  const std::string& ErrFile) {
    std::vector<std::string> argv = {Program};
    argv.insert(argv.end(), Args.begin(), Args.end());
    std::vector<char*> raw;
    for (auto& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, ErrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    Result r;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, raw.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.err = PathExists(ErrFile) ? ReadFile(ErrFile) : std::string();
    return r;
}

Result RunQuindle(const std::vector<std::string>& Args, const std::string& ErrFile) {
    return RunProgram(QUINDLE_PATH, Args, ErrFile);
}

constexpr std::uint16_t kRcData = 10, kGroupIcon = 14;

class ServiceModes : public ::testing::Test {
protected:
    void SetUp() override {
        // Blanks, quotes, letters beyond ASCII and shell metacharacters in every path.
        folder = dir / "Shop \u00fc $(touch pwned); `x` & 'q'";
        std::filesystem::create_directories(folder);
        target = folder + "/target app";
        CopyFile(TEST_CHILD_PATH, target);
        chmod(target.c_str(), 0755);
        // The icon is replaced in a program that has one, as the shipped program does.
        ASSERT_EQ(
            RunProgram(QUINDLE_STAMP_PATH,
                       {target, "--icon",
                        "MAINICON=" + std::string(QUINDLE_SOURCE_DIR) + "/resources/MainIcon.ico"},
                       dir / "stamp.txt")
                .status,
            0);
        originalIcon = ExeResource(target, kGroupIcon, "MAINICON");
        config = folder + "/Config $HOME.ini";
        WriteFile(config, "[INI]\r\ntitle=Stamped Shop\r\nport=8123");
        icon = folder + "/icon;rm.ico";
        WriteFile(icon, MakeIcon({{16, 40}, {32, 100}}));
        picture = folder + "/splash|pic.png";
        WriteFile(picture, std::string("\x89PNG\r\n\x1a\n", 8) + "picture bytes");
        err = dir / "err.txt";
    }
    TempDir dir;
    std::string folder, target, config, icon, picture, err, originalIcon;
};

} // namespace

TEST_F(ServiceModes, ConfigIconAndSplashWriteTheirResourcesWhateverTheModeWordsCase) {
    EXPECT_EQ(RunQuindle({"/CoNfIg", target, config}, err).status, 0);
    EXPECT_EQ(ExeResource(target, kRcData, "RES_CONFIG_INI"), ReadFile(config));
    EXPECT_EQ(RunQuindle({"/SPLASH", target, picture}, err).status, 0);
    EXPECT_EQ(ExeResource(target, kRcData, "RES_SPLASH"), ReadFile(picture));
    EXPECT_EQ(RunQuindle({"/icon", target, icon}, err).status, 0) << ReadFile(err);
    EXPECT_NE(ExeResource(target, kGroupIcon, "MAINICON"), originalIcon);
    EXPECT_NE(ExeResource(target, kGroupIcon, "MAINICON"), "<missing>");
    // The target still runs.
    EXPECT_EQ(RunQuindle({"/config", target, config}, err).status, 0);
    EXPECT_FALSE(PathExists(dir / "pwned"));
    EXPECT_FALSE(PathExists("pwned"));
}

TEST_F(ServiceModes, UnknownWordsShortArgumentListsAndMissingFilesChangeNothing) {
    const std::string before = ReadFile(target);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                                 {target},
                                                 {"/config", target},
                                                 {"/icon"},
                                                 {"/config", target, folder + "/missing.ini"},
                                                 {"/config", folder + "/none", config},
                                                 {"/setup", folder + "/none", config},
                                                 {"downsize", "1", "1"},
                                                 {"splash"},
                                                 {"splash", folder + "/missing.ini"}}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunQuindle(args, err).status, 0) << args[0];
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << args[0];
    }
    EXPECT_EQ(ReadFile(target), before);
}

TEST_F(ServiceModes, ABadIconEndsWithTheUpdateErrorAndLeavesTheTargetAsItWas) {
    const std::string before = ReadFile(target);
    const std::string bad = folder + "/bad.ico";
    WriteFile(bad, "not an icon at all");
    const Result r = RunQuindle({"/icon", target, bad}, err);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Resource update error: "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFile(target), before);
}

TEST_F(ServiceModes, AReadOnlyTargetIsMadeWritableAndUpdated) {
    chmod(target.c_str(), 0555);
    EXPECT_EQ(RunQuindle({"/config", target, config}, err).status, 0);
    EXPECT_EQ(ExeResource(target, kRcData, "RES_CONFIG_INI"), ReadFile(config));
    EXPECT_TRUE(FileMode(target) & S_IWUSR);
}

TEST_F(ServiceModes, AModeWaitsUntilTheRunningTargetHasEnded) {
    const auto running = TKo::RunProgram(target, "sleep 2", "", 0);
    ASSERT_NE(running, 0u);
    ASSERT_TRUE(WaitUntil([&] { return TKo::IsFileInUse(target); }, 3000));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunQuindle({"/config", target, config}, err).status, 0);
    EXPECT_FALSE(TKo::ProcessExists(std::int32_t(running)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(ExeResource(target, kRcData, "RES_CONFIG_INI"), ReadFile(config));
}

TEST_F(ServiceModes, SetupStampsInOrderSkipsWhatIsMissingAndStartsTheTarget) {
    // Count 6: all three, and the target is not started.
    EXPECT_EQ(RunQuindle({"/setup", target, config, icon, picture, "x"}, err).status, 0);
    EXPECT_EQ(ExeResource(target, kRcData, "RES_CONFIG_INI"), ReadFile(config));
    EXPECT_NE(ExeResource(target, kGroupIcon, "MAINICON"), originalIcon);
    EXPECT_EQ(ExeResource(target, kRcData, "RES_SPLASH"), ReadFile(picture));
    EXPECT_TRUE(HoldsFor([&] { return !PathExists(target + ".started"); }, 500));

    // A configuration that does not exist is skipped; the picture is kept, the target starts
    // plainly with the shown show command.
    WriteFile(picture, "another picture");
    EXPECT_EQ(RunQuindle({"/Setup", target, folder + "/gone.ini", icon}, err).status, 0);
    EXPECT_EQ(ExeResource(target, kRcData, "RES_CONFIG_INI"), ReadFile(config));
    EXPECT_NE(ExeResource(target, kRcData, "RES_SPLASH"), ReadFile(picture));
    EXPECT_TRUE(WaitUntil([&] { return PathExists(target + ".started"); }, 5000));
    EXPECT_EQ(ReadFile(target + ".started"), "5\n");
}

namespace {

// A package made of the program and empty stand-ins for every part downsize knows.

class Downsize : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        program = pkg / "quindle";
        CopyFile(QUINDLE_PATH, program);
        chmod(program.c_str(), 0755);
        for (const char* file :
             {"data/mysql/ibdata1", "data/phpmyadmin/config.inc", "bin/mysql/bin/mysqld",
              "bin/Apache/sendmail", "bin/Apache/msmtp", "bin/Apache/sendmail.ini",
              "bin/Apache/ionCube/i.so", "www/phpmyadmin/index.php", "www/index.php"})
            Touch(file);
        // The program's windows (its restarted run) and its splash (which keeps a process of the
        // program running) are modules in lib/ beside it; the shared library there is a
        // stand-in, which the program never loads.
        Touch("lib/libcrypto.so.3");
        for (const char* module : {"lib/libquindle-splash.so", "lib/libquindle-window.so"})
            CopyFile(std::string(QUINDLE_BINARY_DIR "/") + module, pkg / module);
        std::string ini = "; the package's PHP\r\n[PHP]\r\nmemory_limit = 128M\r\n"
                          "sendmail_path = \"$SENDMAILEXE$ -t -i\"\r\n";
        for (const char* ext :
             {"mysqlnd", "pdo", "mysqli", "pdo_mysql", "pdo_sqlite", "sqlite3", "gd", "mbstring",
              "exif", "imap", "curl", "sockets", "fileinfo", "xmlrpc"}) {
            Touch(std::string("bin/Apache/ext/") + ext + ".so");
            ini += std::string("extension = ") + ext + "\r\n";
        }
        Touch("bin/Apache/ext/opcache.so");
        ini += "zend_extension=\"opcache.so\"\r\n; extension = gd stays a comment\r\n";
        WriteFile(pkg / "bin/Apache/php.ini", ini);
        WriteFile(pkg / "bin/Favorites.ini",
                  "[DIRS]\r\nWebsite folder={APPDIR}/www\r\nMySQL data directory={APPDIR}/data\r\n"
                  "[URLS]\r\nHome=http://{LOCALHOST:PORT}/\r\nphpMyAdmin=http://{LOCALHOST:PORT}/"
                  "phpmyadmin/\r\n");
    }
    void TearDown() override {
        // A downsize that ran starts the program again: that run is ended, not left behind.
        if (restarts_)
            Restarted();
        EndRunsOfTheProgram();
    }

    void Touch(const std::string& Relative) {
        std::filesystem::create_directories(std::filesystem::path(pkg / Relative).parent_path());
        WriteFile(pkg / Relative, "x");
    }
    bool Has(const std::string& Relative) const { return PathExists(pkg / Relative); }
    // Flags for positions 2 to 17: "1" at the given positions, "0" elsewhere.
    static std::vector<std::string> Flags(std::initializer_list<int> Deleting) {
        std::vector<std::string> args = {"downsize"};
        for (int position = 2; position <= 17; ++position)
            args.push_back(std::find(Deleting.begin(), Deleting.end(), position) != Deleting.end()
                               ? "1"
                               : "0");
        return args;
    }
    Result RunDownsize(const std::vector<std::string>& Args) {
        restarts_ = restarts_ || Args.size() >= 7;
        return RunProgram(program, Args, pkg / "err.txt");
    }
    // The program started again after the deletions: a plain start that relaunched itself
    // (the start marked as relaunched is the one that stays).
    bool Restarted() {
        return WaitUntil(
            [&] {
                for (auto pid : TKo::FindProcessesByPath(program))
                    if (IsRelaunchedRun(pid))
                        return true;
                return false;
            },
            10000);
    }
    void EndRunsOfTheProgram() {
        for (int round = 0; round < 3; ++round)
            for (auto pid : TKo::FindProcessesByPath(program)) {
                for (auto child : TKo::GetProcessList())
                    if (TKo::IsDescendantProcess(pid, child))
                        TKo::KillProcess(child);
                TKo::KillProcess(pid);
            }
        WaitUntil([&] { return TKo::FindProcessesByPath(program).empty(); }, 5000);
    }

    TempDir pkg;
    std::string program;
    bool restarts_ = false;
};

} // namespace

TEST_F(Downsize, TooFewFlagsDoNothingAndAllZerosDeleteNothingButRestart) {
    const std::string ini = ReadFile(pkg / "bin/Apache/php.ini");
    // The mode word and five flags are too few (it takes six at the least).
    EXPECT_EQ(RunDownsize({"downsize", "1", "1", "1", "1", "1"}).status, 0);
    EXPECT_TRUE(HoldsFor([&] { return TKo::FindProcessesByPath(program).empty(); }, 800));
    EXPECT_TRUE(Has("data/mysql/ibdata1"));

    EXPECT_EQ(RunDownsize(Flags({})).status, 0);
    EXPECT_TRUE(Restarted());
    for (const char* file : {"data/mysql/ibdata1", "bin/Apache/ext/pdo.so", "lib/libcrypto.so.3",
                             "www/phpmyadmin/index.php"})
        EXPECT_TRUE(Has(file)) << file;
    EXPECT_EQ(ReadFile(pkg / "bin/Apache/php.ini"), ini);
}

TEST_F(Downsize, MySqlAndPhpMyAdminTakeTheirFoldersDriversLinesAndFavorites) {
    EXPECT_EQ(RunDownsize(Flags({2, 14})).status, 0);
    for (const char* gone :
         {"data", "bin/mysql", "bin/Apache/ext/mysqlnd.so", "bin/Apache/ext/mysqli.so",
          "bin/Apache/ext/pdo_mysql.so", "www/phpmyadmin"})
        EXPECT_FALSE(Has(gone)) << gone;
    EXPECT_TRUE(Has("www/index.php"));
    const std::string favorites = ReadFile(pkg / "bin/Favorites.ini");
    EXPECT_EQ(favorites.find("MySQL data directory"), std::string::npos) << favorites;
    EXPECT_EQ(favorites.find("phpMyAdmin"), std::string::npos) << favorites;
    EXPECT_NE(favorites.find("Website folder"), std::string::npos) << favorites;
    // The MySQL PDO driver is gone but the SQLite one stays: so does PDO itself.
    EXPECT_TRUE(Has("bin/Apache/ext/pdo.so"));
    const std::string ini = ReadFile(pkg / "bin/Apache/php.ini");
    for (const char* line :
         {"extension = mysqlnd\r\n", "extension = mysqli\r\n", "extension = pdo_mysql\r\n"})
        EXPECT_EQ(ini.find(line), std::string::npos) << line;
    for (const char* line : {"extension = pdo\r\n", "extension = pdo_sqlite\r\n",
                             "[PHP]\r\nmemory_limit = 128M\r\n", "sendmail_path = "})
        EXPECT_NE(ini.find(line), std::string::npos) << line;
}

TEST_F(Downsize, SharedFilesGoOnlyWithTheLastExtensionThatNeedsThem) {
    EXPECT_EQ(RunDownsize(Flags({9, 3})).status, 0);
    EXPECT_FALSE(Has("bin/Apache/ext/curl.so"));
    EXPECT_FALSE(Has("bin/Apache/ext/pdo_sqlite.so"));
    EXPECT_TRUE(Has("bin/Apache/ext/pdo.so"));
    EXPECT_TRUE(Restarted());
    EndRunsOfTheProgram();
    EXPECT_EQ(RunDownsize(Flags({8, 15, 2})).status, 0);
    EXPECT_FALSE(Has("bin/Apache/sendmail"));
    EXPECT_FALSE(Has("bin/Apache/msmtp"));
    EXPECT_FALSE(Has("bin/Apache/ext/pdo.so"));
    // Without its line PHP hands mail to the system's sendmail, not to one that is gone.
    const std::string ini = ReadFile(pkg / "bin/Apache/php.ini");
    EXPECT_EQ(ini.find("extension = pdo\r\n"), std::string::npos);
    EXPECT_EQ(ini.find("sendmail_path"), std::string::npos) << ini;
    EXPECT_NE(ini.find("memory_limit = 128M\r\n"), std::string::npos) << ini;
    // The libraries are the program's and the database server's as well: they always stay.
    EXPECT_TRUE(Has("lib/libcrypto.so.3"));
}

TEST_F(Downsize, AnyFlagButZeroDeletesAndTheModeWordHasNoCase) {
    std::vector<std::string> args = Flags({});
    args[0] = "DownSize";
    args[7 - 1] = "yes"; // position 7: multibyte strings, and EXIF with them
    args[6 - 1] = "00";  // position 6: GD
    args[4 - 1] = "1";   // position 4: Zend Optimizer, today's OPcache
    EXPECT_EQ(RunDownsize(args).status, 0);
    for (const char* gone : {"bin/Apache/ext/mbstring.so", "bin/Apache/ext/exif.so",
                             "bin/Apache/ext/gd.so", "bin/Apache/ext/opcache.so"})
        EXPECT_FALSE(Has(gone)) << gone;
    EXPECT_TRUE(Has("bin/Apache/ionCube/i.so"));
    EXPECT_TRUE(Has("bin/Apache/ext/curl.so"));
    const std::string ini = ReadFile(pkg / "bin/Apache/php.ini");
    EXPECT_EQ(ini.find("extension = gd\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("opcache"), std::string::npos) << ini;
    EXPECT_NE(ini.find("; extension = gd stays a comment\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("extension = curl\r\n"), std::string::npos) << ini;
}

TEST_F(Downsize, NothingIsDeletedWhileTheProgramStillRuns) {
    const std::string ini = pkg / "splash.ini";
    WriteFile(ini, "[INI]\r\nshowsplash=1\r\n");
    const auto running = TKo::RunProgram(program, "splash \"" + ini + "\"", "", 0);
    ASSERT_NE(running, 0u);
    ASSERT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(program).size() == 1; }, 5000));
    Result result;
    std::thread downsize([&] { result = RunDownsize(Flags({2})); });
    EXPECT_TRUE(HoldsFor([&] { return Has("data/mysql/ibdata1"); }, 1500));
    TKo::KillProcess(running);
    downsize.join();
    EXPECT_EQ(result.status, 0);
    EXPECT_FALSE(Has("data"));
}
