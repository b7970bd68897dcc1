#include "server/ServerConfig.h"
#include "kit/KoClass.h"
#include "server/ServerProcesses.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

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
    EXPECT_EQ(ReadFile(file), "Root " + (pkg / "bin") +
                                  "\nListen 127.0.0.1:8080\nAgain 8080 8080\n"
                                  "Doc \"" +
                                  (pkg / "www") + "\"\nRun " + data.Path() + "\n");
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
    EXPECT_EQ(ReadFile(data / "httpd.conf"), "Listen 9999\r\n# $NOT_OURS$\r\n");
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
    EXPECT_EQ(key("socket"), data / "mysql.sock");
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "client", "x"), "y");
    EXPECT_NE(ReadFile(data / "my.ini").find("basedir=\"" + (pkg / "bin/mysql") + "\""),
              std::string::npos);
}

TEST_F(ServerConfigTest, SocketMovesOutOfAWorkingFolderTooDeepForIt) {
    const std::string deep = data.Path() + "/" + std::string(120, 'd');
    const std::string socket = DatabaseSocketPath(deep);
    EXPECT_LE(socket.size(), 107u);
    EXPECT_EQ(socket, DatabaseSocketPath(deep)); // the same for every start
    EXPECT_NE(socket, DatabaseSocketPath(deep + "x"));
}

TEST_F(ServerConfigTest, FromACdTheSiteAndTheDatabaseAreCopiedAndMadeWritable) {
    WriteFile(pkg / "www/index.php", "<?php");
    WriteFile(pkg / "data/mysql/user.frm", "u");
    chmod((pkg / "www/index.php").c_str(), 0444);
    chmod((pkg / "data/mysql/user.frm").c_str(), 0444);
    c.RunningFromCD = true;

    c.CopyFilesToHardDisk = false; // the site is served from the disc
    WriteHttpdConf(c, 80);
    EXPECT_NE(ReadFile(data / "httpd.conf").find("Doc \"" + (pkg / "www") + "\""),
              std::string::npos);
    EXPECT_FALSE(PathExists(data / "www"));

    c.CopyFilesToHardDisk = true;
    WriteHttpdConf(c, 80);
    EXPECT_NE(ReadFile(data / "httpd.conf").find("Doc \"" + (data / "www") + "\""),
              std::string::npos);
    EXPECT_TRUE(FileMode(data / "www/index.php") & 0200);

    WriteMyIni(c, 3306); // the database files always
    EXPECT_EQ(TKo::ReadIniString(data / "my.ini", "mysqld", "datadir"), data / "data");
    EXPECT_TRUE(FileMode(data / "data/mysql/user.frm") & 0200);
}

TEST(ServerCommandLines, ExactlyAsTheServersExpectThem) {
    EXPECT_EQ(WebServerParams("/W/httpd.conf"), "-f \"/W/httpd.conf\"");
    EXPECT_EQ(DatabaseServerParams("/W/my.ini", 3307, "/P/bin"),
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
