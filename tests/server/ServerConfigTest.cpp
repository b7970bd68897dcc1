#include "server/ServerConfig.h"
#include "kit/KoClass.h"
#include "kit/Strings.h"
#include "server/ServerProcesses.h"
#include "server/SiteCopy.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>

using namespace quindle;
using namespace quindle::test;

// A package folder with a stack whose templates use every placeholder.
class ServerConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(pkg / "bin/Apache");
        std::filesystem::create_directories(pkg / "www");
        std::filesystem::create_directories(pkg / "data/mysql");
        std::filesystem::create_directories(data.Path());
        WriteFile(pkg / "bin/Apache/httpd.conf",
                  "Root $BINDIR$\nListen $IP$:$PORT$\nAgain $port$ $Port$\nDoc \"$DOCROOT$\"\n"
                  "Run $phprc$\n");
        WriteFile(pkg / "bin/Apache/php.ini",
                  "dir=$PHPRC$\next=$BINDIR$/ext\nport=$MYSQLPORT$\nmail=\"$SENDMAILEXE$\"\n");
        c.AppPath = pkg.Path() + "/";
        c.DataDir = data.Path();
        c.BinDir = pkg / "bin";
        c.Ip = "127.0.0.1";
    }
    TempDir pkg, data;
    TServerContext c;
};

TEST_F(ServerConfigTest, HttpdConfGetsPathsAddressAndPortEverywhere) {
    const std::string file = WriteHttpdConf(c, 8080);
    EXPECT_EQ(file, data / "httpd.conf");
    // The access rules follow the template: it loads no modules.
    EXPECT_EQ(ReadFile(file), "Root " + (pkg / "bin") +
                                  "\nListen 127.0.0.1:8080\nAgain 8080 8080\n"
                                  "Doc \"" +
                                  (pkg / "www") + "\"\nRun " + data.Path() + "\n" +
                                  AccessRules(c.Access, 8080, AccessFolder(data.Path())));
}

TEST_F(ServerConfigTest, AQuoteInAFolderNameIsEscapedInsideTheQuotedValues) {
    const std::string odd = pkg / "we\"ird 'pa$th";
    std::filesystem::create_directories(odd + "/bin/Apache");
    for (const char* file : {"httpd.conf", "php.ini"})
        std::filesystem::copy_file(pkg / "bin/Apache/" + file, odd + "/bin/Apache/" + file);
    c.AppPath = odd + "/";
    c.BinDir = odd + "/bin";
    const std::string escaped = pkg / "we\\\"ird 'pa$th";
    EXPECT_NE(ReadFile(WriteHttpdConf(c, 80)).find("Doc \"" + escaped + "/www\"\n"),
              std::string::npos);
    EXPECT_NE(ReadFile(WritePhpIni(c, 0)).find("ext=" + escaped + "/bin/ext\n"), std::string::npos);
}

TEST_F(ServerConfigTest, AnyAddressButTheExactLoopbackMeansAllAddresses) {
    for (const char* ip : {"0.0.0.0", "192.168.1.10", "localhost", "all", ""}) {
        c.Ip = ip;
        WriteHttpdConf(c, 80);
        EXPECT_NE(ReadFile(data / "httpd.conf").find("Listen 0.0.0.0:80\n"), std::string::npos)
            << ip;
    }
}

TEST_F(ServerConfigTest, BackslashesBecomeForwardSlashes) {
    EXPECT_EQ(ForwardSlashes("C:\\Pkg\\bin"), "C:/Pkg/bin");
}

TEST_F(ServerConfigTest, PhpIniWithAndWithoutDatabaseAndMailer) {
    WritePhpIni(c, 0);
    EXPECT_EQ(ReadFile(data / "php.ini"),
              "dir=" + data.Path() + "\next=" + (pkg / "bin") + "/ext\nport=0\nmail=\"\"\n");
    WriteFile(pkg / "bin/Apache/sendmail", "#!/bin/sh\n");
    WritePhpIni(c, 3307);
    EXPECT_NE(ReadFile(data / "php.ini")
                  .find("port=3307\nmail=\"" + (pkg / "bin/Apache/sendmail") + "\""),
              std::string::npos);
}

TEST_F(ServerConfigTest, MissingTemplateKeepsTheFileOfAnEarlierRun) {
    WriteFile(data / "httpd.conf", "from an earlier run");
    std::filesystem::remove(pkg / "bin/Apache/httpd.conf");
    EXPECT_EQ(WriteHttpdConf(c, 81), data / "httpd.conf");
    EXPECT_EQ(ReadFile(data / "httpd.conf"), "from an earlier run");
}

TEST_F(ServerConfigTest, TemplateWithoutPlaceholdersIsCopiedUnchanged) {
    WriteFile(pkg / "bin/Apache/httpd.conf", "Listen 9999\r\n# $NOT_OURS$\r\n");
    WriteHttpdConf(c, 81);
    EXPECT_EQ(ReadFile(data / "httpd.conf"),
              "Listen 9999\r\n# $NOT_OURS$\r\n" +
                  AccessRules(c.Access, 81, AccessFolder(data.Path())));
}

TEST_F(ServerConfigTest, MyIniSetsItsKeysAndKeepsTheRest) {
    WriteFile(data / "my.ini", "[mysqld]\r\nport=1\r\nmax_connections=50\r\n[client]\r\nx=y\r\n");
    WriteMyIni(c, 3307);
    auto key = [&](const char* k) { return TKo::ReadIniString(data / "my.ini", "mysqld", k); };
    EXPECT_EQ(key("port"), "3307");
    EXPECT_EQ(key("basedir"), pkg / "bin/mysql"); // written in quotes, read without
    EXPECT_EQ(key("datadir"), pkg / "data");
    EXPECT_EQ(key("bind-address"), "127.0.0.1");
    EXPECT_EQ(key("max_connections"), "50");
    EXPECT_EQ(key("socket"), data / "mysql/mysql.sock");
    EXPECT_EQ(key("skip-networking"), "0");
    c.DatabaseTcp = false; // Config.ini mysqltcp=0
    WriteMyIni(c, 3307);
    EXPECT_EQ(key("skip-networking"), "1");
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "client", "x"), "y");
    EXPECT_NE(ReadFile(data / "my.ini").find("basedir=\"" + (pkg / "bin/mysql") + "\""),
              std::string::npos);
}

TEST_F(ServerConfigTest, TheSocketGoesWhereOnlyThisUserCanEnterNeverWhereSomeoneElseWasFirst) {
    const std::string socket = ChooseDatabaseSocket(c);
    EXPECT_EQ(socket, data / "mysql/mysql.sock");
    EXPECT_EQ(FileMode(data / "mysql") & 0777, 0700u);
    chmod((data / "mysql").c_str(), 0755);
    EXPECT_EQ(ChooseDatabaseSocket(c), socket);
    EXPECT_EQ(FileMode(data / "mysql") & 0777, 0700u);

    // Too deep for a socket's address: the user's runtime folder, else a folder of the shared
    // temporary folder that nobody could have made first, as its name cannot be guessed.
    TServerContext deep = c;
    deep.DataDir = data.Path() + "/" + std::string(120, 'd');
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    ASSERT_NE(runtime, nullptr);
    const std::string own = ChooseDatabaseSocket(deep);
    EXPECT_EQ(own.rfind(std::string(runtime) + "/quindle-", 0), 0u) << own;
    EXPECT_LE(own.size(), 107u);
    EXPECT_EQ(FileMode(own.substr(0, own.rfind('/'))) & 0777, 0700u);
    const std::string saved = runtime;
    unsetenv("XDG_RUNTIME_DIR");
    const std::string first = ChooseDatabaseSocket(deep), second = ChooseDatabaseSocket(deep);
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    for (const std::string& fresh : {first, second}) {
        EXPECT_EQ(fresh.rfind(TKo::GetTempDir() + "/" + kTemporarySocketPrefix, 0), 0u) << fresh;
        EXPECT_EQ(FileMode(fresh.substr(0, fresh.rfind('/'))) & 0777, 0700u);
        std::filesystem::remove_all(fresh.substr(0, fresh.rfind('/')));
    }
    EXPECT_NE(first, second);

    // A folder someone else made is theirs to watch: never the socket's.
    if (geteuid() != 0)
        GTEST_SKIP() << "only the administrator can make a folder another user's";
    ASSERT_EQ(chown((data / "mysql").c_str(), 65534, 65534), 0);
    const std::string elsewhere = ChooseDatabaseSocket(c);
    EXPECT_NE(elsewhere, socket);
    EXPECT_FALSE(elsewhere.empty());
    EXPECT_EQ(FileMode(data / "mysql") & 0777, 0700u); // left as it was
}

TEST_F(ServerConfigTest, ASiteItsServerCannotWriteRunsFromACopyWhenAskedFromADiscToo) {
    WriteFile(pkg / "www/index.php", "<?php");
    WriteFile(pkg / "data/mysql/user.frm", "u");
    chmod((pkg / "www/index.php").c_str(), 0444);
    chmod((pkg / "data/mysql/user.frm").c_str(), 0444);
    auto docRoot = [&] {
        WriteHttpdConf(c, 80);
        const std::string conf = ReadFile(data / "httpd.conf");
        const auto start = conf.find("Doc \"") + 5;
        return conf.substr(start, conf.find('"', start) - start);
    };

    // Not asked for: the site is served where it is, whatever can write it.
    c.RunningFromCD = true;
    c.SiteWritable = false;
    EXPECT_FALSE(SiteRunsFromCopy(c));
    EXPECT_EQ(docRoot(), pkg / "www");
    // Asked for, and the folder is writable: no copy.
    c.CopyFilesToHardDisk = true;
    c.RunningFromCD = false;
    c.SiteWritable = true;
    EXPECT_FALSE(SiteRunsFromCopy(c));
    // A disc, or a folder the server cannot write (an install by the administrator): a copy.
    for (const bool disc : {true, false}) {
        c.RunningFromCD = disc;
        c.SiteWritable = disc;
        EXPECT_TRUE(SiteRunsFromCopy(c)) << disc;
    }
    EXPECT_EQ(CopySite(c), "");
    EXPECT_EQ(docRoot(), data / "www");
    EXPECT_TRUE(FileMode(data / "www/index.php") & 0200);
    // Once copied, always: what the site wrote there does not vanish when the package can be
    // written again.
    c.SiteWritable = true;
    EXPECT_TRUE(SiteRunsFromCopy(c));

    // From a disc the database files are copied once, and the rows written since stay.
    c.RunningFromCD = true;
    WriteMyIni(c, 3306);
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "mysqld", "datadir"), data / "data");
    EXPECT_TRUE(FileMode(data / "data/mysql/user.frm") & 0200);
    WriteFile(data / "data/mysql/user.frm", "the user's rows");
    WriteMyIni(c, 3306);
    EXPECT_EQ(ReadFile(data / "data/mysql/user.frm"), "the user's rows");

    // No whole copy to serve: the start stops with the folder named.
    std::filesystem::remove_all(data / "www");
    std::filesystem::remove_all(pkg / "www");
    try {
        CopySite(c);
        FAIL() << "a site that could not be copied was reported as copied";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("could not be copied to " + data.Path()), std::string::npos)
            << e.Message();
    }
}

TEST_F(ServerConfigTest, PhpGetsPrivateFoldersForSessionsAndUploadsAndTheDatabaseSocket) {
    WriteFile(pkg / "bin/Apache/php.ini",
              "session.save_path=\"$PHPRC$/sessions\"\nsocket=$MYSQLSOCKET$\n");
    WritePhpIni(c, 3306);
    EXPECT_EQ(ReadFile(data / "php.ini"), "session.save_path=\"" + data.Path() +
                                              "/sessions\"\nsocket=" + (data / "mysql/mysql.sock") +
                                              "\n");
    // PHP creates neither folder itself; session files are nobody else's business.
    for (const char* folder : {"sessions", "uploads"}) {
        ASSERT_TRUE(std::filesystem::is_directory(data / folder)) << folder;
        EXPECT_EQ(FileMode(data / folder) & 0777, 0700u) << folder;
    }
    chmod((data / "sessions").c_str(), 0755);
    WritePhpIni(c, 3306);
    EXPECT_EQ(FileMode(data / "sessions") & 0777, 0700u);
    // The socket PHP is told of is the one the database server is given.
    WriteMyIni(c, 3306);
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "mysqld", "socket"), data / "mysql/mysql.sock");
}

TEST_F(ServerConfigTest, MyIniTakesTheStacksOwnSettingsAndTheRunsPathsWin) {
    std::filesystem::create_directories(pkg / "bin/mysql");
    WriteFile(pkg / "bin/mysql/my.ini",
              "; the stack's settings\n[mysqld]\ninnodb_log_file_size = 8M\nport=1\n"
              "[client]\nuser=nobody\n");
    WriteFile(data / "my.ini", "[mysqld]\ninnodb_log_file_size=96M\nmax_connections=50\n");
    WriteMyIni(c, 3307);
    auto key = [&](const char* k) { return TKo::ReadIniString(data / "my.ini", "mysqld", k); };
    EXPECT_EQ(key("innodb_log_file_size"), "8M");
    EXPECT_EQ(key("max_connections"), "50");
    EXPECT_EQ(key("port"), "3307");
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "client", "user"), "");
}

TEST_F(ServerConfigTest, AnInstallTheUserCannotWriteUsesItsDatabaseFromTheWorkingFolder) {
    WriteFile(pkg / "data/mysql/user.frm", "from the package");
    std::filesystem::create_directories(pkg / "data/quindle");
    WriteFile(pkg / "data/quindle/guestbook.ibd", "rows of the package");
    chmod((pkg / "data/mysql/user.frm").c_str(), 0444);
    c.PackageReadOnly = true;
    WriteMyIni(c, 3306);
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "mysqld", "datadir"), data / "data");
    EXPECT_EQ(DatabaseFolder(c), data / "data");
    EXPECT_EQ(ReadFile(data / "data/quindle/guestbook.ibd"), "rows of the package");
    EXPECT_TRUE(FileMode(data / "data/mysql/user.frm") & 0200);
    EXPECT_FALSE(PathExists(data / "data.partial"));

    // The user's rows stay: the package's files are never copied over them again.
    WriteFile(data / "data/quindle/guestbook.ibd", "rows of the user");
    WriteMyIni(c, 3306);
    EXPECT_EQ(ReadFile(data / "data/quindle/guestbook.ibd"), "rows of the user");

    // A copy cut short (no system database in it) is made again.
    std::filesystem::remove_all(data / "data/mysql");
    WriteMyIni(c, 3306);
    EXPECT_EQ(ReadFile(data / "data/mysql/user.frm"), "from the package");
    // The site stays where it is.
    WriteHttpdConf(c, 80);
    EXPECT_NE(ReadFile(data / "httpd.conf").find("Doc \"" + (pkg / "www") + "\""),
              std::string::npos);
}

TEST(WebServerAccount, TheUserDirectiveOfTheConfiguration) {
    TempDir dir;
    auto account = [&](const std::string& text) {
        WriteFile(dir / "httpd.conf", text);
        return WebServerAccount(dir / "httpd.conf");
    };
    EXPECT_EQ(account("Listen 80\nUser www-data\nGroup www-data\n"), "www-data");
    EXPECT_EQ(account("  user\t\"web server\"\r\n"), "web server");
    EXPECT_EQ(account("# User nobody\nUserDir public_html\nUser daemon\n"), "daemon");
    EXPECT_EQ(account("User #33\n"), "");
    EXPECT_EQ(account("Listen 80\n"), "");
    EXPECT_EQ(WebServerAccount(dir / "missing.conf"), "");
}

TEST(ServerCommandLines, ExactlyAsTheServersExpectThem) {
    EXPECT_EQ(WebServerArguments("/W/httpd.conf"), (TArguments{"-f", "/W/httpd.conf"}));
    EXPECT_EQ(JoinArguments(WebServerArguments("/W/httpd.conf")), "-f \"/W/httpd.conf\"");
    EXPECT_EQ(DatabaseServerArguments("/W/my.ini", 3307, "/P/bin"),
              (TArguments{"--defaults-file=/W/my.ini", "--port=3307", "--innodb",
                          "--language=/P/bin/mysql/share/english", "--user=root"}));
    EXPECT_EQ(JoinArguments(DatabaseServerArguments("/W/my.ini", 3307, "/P/bin")),
              "\"--defaults-file=/W/my.ini\" \"--port=3307\" \"--innodb\" "
              "\"--language=/P/bin/mysql/share/english\" \"--user=root\"");
    EXPECT_EQ(WebServerExe("/P/bin"), "/P/bin/Apache/Apache");
    EXPECT_EQ(DatabaseServerExe("/P/bin"), "/P/bin/mysql/bin/mysqld");
}

TEST(ServerProcesses, KillByPathEndsOnlyThatFilesProcesses) {
    TempDir a, b;
    CopyFile(TEST_CHILD_PATH, a / "mysqld");
    CopyFile(TEST_CHILD_PATH, b / "mysqld");
    const auto mine1 = TKo::RunProgram(a / "mysqld", "sleep 30", "", SW_HIDE);
    const auto mine2 = TKo::RunProgram(a / "mysqld", "sleep 30", "", SW_HIDE);
    const auto other = TKo::RunProgram(b / "mysqld", "sleep 30", "", SW_HIDE);
    ASSERT_TRUE(mine1 && mine2 && other);
    KillProcessesByPath(a / "mysqld", TCooperativeWait{});
    EXPECT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(a / "mysqld").empty(); }));
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(other)));
    TKo::KillProcess(other);
}

TEST(ServerProcesses, TheStartGoesOnAtTheFirstLookAfterBothServersListenAndNotBefore) {
    TempDir a;
    CopyFile(TEST_CHILD_PATH, a / "Apache");
    const auto web = TKo::RunProgram(a / "Apache", "sleep 30", "", SW_HIDE);
    const auto database = TKo::RunProgram(TEST_CHILD_PATH, "sleep 30", "", SW_HIDE);
    ASSERT_TRUE(web && database);
    const int webPort = TKo::FindFreePort(24700, true);
    const int databasePort = TKo::FindFreePort(webPort + 1, true);
    // The servers open their ports during the wait's pauses: the web server's first.
    std::unique_ptr<TestListener> webListens, databaseListens;
    int looks = 0;
    TCooperativeWait wait;
    wait.Sleep = [&](int) {
        if (++looks == 3)
            webListens = std::make_unique<TestListener>(webPort, true);
        if (looks == 6)
            databaseListens = std::make_unique<TestListener>(databasePort, true);
    };
    EXPECT_EQ(WaitForServers(a / "Apache", web, webPort, database, databasePort, wait),
              TCardinalArray{web});
    EXPECT_EQ(looks, 6);
    ASSERT_EQ(databaseListens->Port(), databasePort);

    // A database server that has ended will not listen: the page says so, it is not waited for.
    databaseListens.reset();
    TKo::KillProcess(database);
    ASSERT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(database)); }));
    looks = 0;
    EXPECT_EQ(WaitForServers(a / "Apache", web, webPort, database, databasePort, wait),
              TCardinalArray{web});
    EXPECT_EQ(looks, 0);
    // A web server that has ended ends the wait with nothing.
    webListens.reset();
    TKo::KillProcess(web);
    ASSERT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(web)); }));
    EXPECT_TRUE(WaitForServers(a / "Apache", web, webPort, 0, 0, wait).empty());
}

TEST(ServerProcesses, StoppingTheWebServerEndsWorkersItNeverRecorded) {
    TempDir a;
    CopyFile(TEST_CHILD_PATH, a / "Apache");
    const auto parent = TKo::RunProgram(a / "Apache", "sleep 30", "", SW_HIDE);
    const auto late = TKo::RunProgram(a / "Apache", "sleep 30", "", SW_HIDE);
    ASSERT_TRUE(parent && late);
    StopWebServer(a / "Apache", parent, TCardinalArray{parent});
    EXPECT_TRUE(WaitUntil([&] { return TKo::FindProcessesByPath(a / "Apache").empty(); }));
    // Nothing was started, so nothing of that file is touched.
    const auto bystander = TKo::RunProgram(a / "Apache", "sleep 30", "", SW_HIDE);
    StopWebServer(a / "Apache", 0, {});
    EXPECT_TRUE(TKo::ProcessExists(std::int32_t(bystander)));
    TKo::KillProcess(bystander);
}
