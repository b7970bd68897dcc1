#include "launcher/run/RunState.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/builder/BrandChoices.h"
#include "launcher/builder/BrandKeys.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

class RunStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.PrepareEnvironment();
        s.ConfigFile = s.DataDir + "/Config.ini";
    }
    TRunState s;
};

TEST_F(RunStateTest, EnvironmentForTheServers) {
    EXPECT_EQ(s.DataDir, TKo::GetDataDir());
    EXPECT_EQ(std::string(std::getenv("PHPRC")), s.DataDir);
    EXPECT_EQ(std::string(std::getenv("SERVER_FILENAME")), TKo::GetAppFileName());
    EXPECT_STREQ(std::getenv("SERVER_FILEVERSION"), "9.00");
    EXPECT_STREQ(std::getenv("SERVER_APPNAME"), "Quindle");
    EXPECT_NE(std::getenv("OS_LANGUAGE"), nullptr);

    s.BinDir = s.DataDir + "/nobin";
    s.SetStackEnvironment(); // files missing: set, but empty
    ASSERT_NE(std::getenv("PHP_EXE"), nullptr);
    EXPECT_STREQ(std::getenv("PHP_EXE"), "");
    EXPECT_STREQ(std::getenv("SSLEAY_CONF"), "");
}

TEST_F(RunStateTest, BrandDefaultsReplaceWhatTheFileHeld) {
    WriteFile(s.DataDir + "/Brand.ini", "[INI]\r\ntitle=Old Shop\r\nport=8080\r\n");
    EXPECT_EQ(s.WriteBrandDefaults(), s.DataDir + "/Brand.ini");
    auto key = [&](const char* k) { return TKo::ReadIniString(s.BrandFile, "INI", k); };
    EXPECT_EQ(key("title"), "");
    EXPECT_EQ(key("port"), "80");
    EXPECT_EQ(key("brand"), "1");
    EXPECT_EQ(key("trayicon"), "0");
    EXPECT_EQ(key("includemysql"), "1");
    EXPECT_EQ(key("version"), "1.0"); // the Debian package's
    TStringArray keys;
    TKo::ReadIniSectionKeys(s.BrandFile, "INI", keys);
    EXPECT_EQ(keys.size(), 17u);
}

// The Rebrand dialog of a fresh run starts from what a fresh Brand.ini holds, and storing those
// choices untouched leaves the file as it was.
TEST_F(RunStateTest, BrandDefaultsAreTheChoicesDefaults) {
    s.WriteBrandDefaults();
    const std::string fresh = ReadFile(s.BrandFile);
    const TBrandChoices read = BrandChoicesOf(
        [&](const std::string& Key) { return TKo::ReadIniString(s.BrandFile, "INI", Key); });
    EXPECT_TRUE(read == TBrandChoices{}) << fresh;
    TKo::WriteIniStrings(s.BrandFile, "INI", BrandTexts(TBrandChoices{}));
    EXPECT_EQ(ReadFile(s.BrandFile), fresh);
}

TEST_F(RunStateTest, TitleAndPortFromTheConfiguration) {
    WriteFile(s.ConfigFile, "[INI]\r\ntitle=   \r\nport=abc\r\n");
    s.ReadTitle();
    EXPECT_EQ(s.AppTitle, "Quindle");
    try {
        s.ChooseWebPort();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    WriteFile(s.ConfigFile, "[INI]\r\ntitle= My Shop \r\nport=24080\r\nip=127.0.0.1\r\n");
    s.ReadTitle();
    EXPECT_EQ(s.AppTitle, "My Shop");
    s.ChooseWebPort();
    EXPECT_GE(s.WebPort, 24080);
    EXPECT_EQ(s.HomeAddress(), "http://127.0.0.1:" + std::to_string(s.WebPort));
}

TEST_F(RunStateTest, BinFolderBesideTheProgramAndACommandCopy) {
    EXPECT_EQ(s.GetBinDir(), TKo::GetAppPath() + "bin");
    const std::string copy = s.MakeCommandCopy();
    EXPECT_EQ(copy, TKo::GetTempDir() + "/qndl_cmd0.tmp");
    EXPECT_EQ(ReadFile(copy), ReadFile(TKo::GetAppFileName()));
    EXPECT_FALSE(TKo::IsFileInUse(copy));
}

TEST_F(RunStateTest, ACommandCopyPassesOverNamesSomeoneElseHolds) {
    const std::string tmp = TKo::GetTempDir();
    TempDir elsewhere;
    const std::string victim = elsewhere / "victim";
    WriteFile(victim, "keep");
    for (const char* name : {"/qndl_cmd0.tmp", "/qndl_cmd1.tmp", "/qndl_cmd2.tmp"})
        std::remove((tmp + name).c_str());
    // A link where the copy would go, and one where its configuration would go.
    ASSERT_EQ(symlink(victim.c_str(), (tmp + "/qndl_cmd0.tmp").c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), (tmp + "/qndl_cmd1.tmp.ini").c_str()), 0);
    std::string expected = tmp + "/qndl_cmd2.tmp";
    if (geteuid() == 0) {
        // A file of another user, even one we could write to.
        WriteFile(tmp + "/QNDL_CMD2.TMP", "theirs");
        ASSERT_EQ(chown((tmp + "/QNDL_CMD2.TMP").c_str(), 65534, 65534), 0);
        expected = tmp + "/qndl_cmd3.tmp";
    }
    const std::string copy = s.MakeCommandCopy();
    EXPECT_EQ(copy, expected);
    EXPECT_EQ(ReadFile(copy), ReadFile(TKo::GetAppFileName()));
    EXPECT_EQ(ReadFile(victim), "keep");
    // A stale copy of our own is replaced, under the same name.
    WriteFile(copy, "stale");
    EXPECT_EQ(s.MakeCommandCopy(), expected);
    EXPECT_EQ(ReadFile(copy), ReadFile(TKo::GetAppFileName()));
    for (const char* name : {"/qndl_cmd0.tmp", "/qndl_cmd1.tmp.ini", "/QNDL_CMD2.TMP"})
        std::remove((tmp + name).c_str());
}

TEST_F(RunStateTest, EndingAProcessTreeReachesGrandchildren) {
    TempDir dir;
    const auto parent = TKo::RunProgram(TEST_CHILD_PATH, "parent 30 " + (dir / "id"), "", SW_HIDE);
    ASSERT_TRUE(WaitUntil([&] { return PathExists(dir / "id") && !ReadFile(dir / "id").empty(); }));
    const auto grandchild = std::uint32_t(std::stoul(ReadFile(dir / "id")));
    EndProcessTree(parent);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(grandchild)); }));
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(parent)); }));
}

namespace {

// The process has set the signal to be ignored, as the system's process table shows.
bool IgnoresSignal(std::uint32_t Pid, int Signal) {
    for (const std::string& line : ReadLines("/proc/" + std::to_string(Pid) + "/status"))
        if (line.rfind("SigIgn:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (Signal - 1)) & 1;
    return false;
}

} // namespace

TEST(StopProcess, AskedFirstForcedWhenItDoesNotListen) {
    const auto polite = TKo::RunProgram(TEST_CHILD_PATH, "sleep 30", "", SW_HIDE);
    TKo::StopProcess(polite, 5000);
    EXPECT_FALSE(TKo::ProcessExists(std::int32_t(polite)));
    // A process that ignores the request is ended when the wait runs out.
    const auto stubborn = TKo::RunProgram("/bin/sh", "-c \"trap '' TERM; sleep 30\"", "", SW_HIDE);
    // Until the shell has set the trap, the request would end it politely after all.
    ASSERT_TRUE(WaitUntil([&] { return IgnoresSignal(stubborn, SIGTERM); }));
    TKo::StopProcess(stubborn, 300);
    EXPECT_TRUE(WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(stubborn)); }));
}

TEST_F(RunStateTest, StartedByTheAdministratorTheWebServersAccountGetsFoldersItCanReach) {
    if (!TKo::RunningAsAdministrator())
        GTEST_SKIP() << "the web server keeps our account unless the administrator starts it";
    TempDir bin;
    std::filesystem::create_directories(bin / "apache");
    WriteFile(bin / "apache/httpd.conf", "Listen 80\nUser nobody\nGroup nogroup\n");
    WriteFile(bin / "apache/php.ini", "session.save_path=$WEBDATA$/sessions\n");
    s.BinDir = bin.Path();
    const uid_t nobody = getpwnam("nobody")->pw_uid;
    auto owner = [](const std::string& Path) {
        struct stat st {};
        stat(Path.c_str(), &st);
        return st.st_uid;
    };

    // A working folder the account can pass through holds its folders, given to it. No site
    // beside this test program: the error names it, and only it.
    s.ChooseWebFolders();
    EXPECT_EQ(s.WebAccount, "nobody");
    EXPECT_EQ(s.WebDataDir, s.DataDir);
    EXPECT_EQ(std::string(std::getenv("QUINDLE_WEBDATA")), s.DataDir);
    s.WritePhpIni();
    s.PrepareWebServerAccount();
    EXPECT_EQ(owner(SessionFolder(s.DataDir)), nobody);
    const std::string site = TKo::GetAppPath() + "www";
    EXPECT_NE(s.WebServerAccessProblem.find("\"nobody\""), std::string::npos)
        << s.WebServerAccessProblem;
    EXPECT_NE(s.WebServerAccessProblem.find(site), std::string::npos) << s.WebServerAccessProblem;
    EXPECT_EQ(s.WebServerAccessProblem.find(SessionFolder(s.DataDir)), std::string::npos)
        << s.WebServerAccessProblem;

    // A working folder closed to it, as in a home of mode 0700: its folders go to one of the
    // machine's that only the administrator makes, and that others cannot look into.
    chmod(s.DataDir.c_str(), 0700);
    s.ChooseWebFolders();
    chmod(s.DataDir.c_str(), 0755);
    const std::string machine = "/var/lib/quindle/" + ExtractFileName(s.DataDir);
    struct Remove {
        std::string Path;
        ~Remove() { std::filesystem::remove_all(Path); }
    } remove{machine};
    EXPECT_EQ(s.WebDataDir, machine);
    EXPECT_EQ(FileMode(machine) & 0777, 0711u);
    EXPECT_EQ(owner(machine), 0u);
    // The database's socket, where only the account and we pass through.
    struct stat socketFolder {};
    ASSERT_EQ(stat((machine + "/mysql").c_str(), &socketFolder), 0);
    EXPECT_EQ(socketFolder.st_mode & 0777, 0710u);
    EXPECT_EQ(socketFolder.st_gid, getpwnam("nobody")->pw_gid);
    s.WritePhpIni();
    s.PrepareWebServerAccount();
    for (const std::string& folder :
         {SessionFolder(machine), UploadFolder(machine), OutboxFolder(machine)}) {
        EXPECT_EQ(owner(folder), nobody) << folder;
        EXPECT_EQ(FileMode(folder) & 0777, 0700u) << folder;
        EXPECT_EQ(s.WebServerAccessProblem.find(folder), std::string::npos)
            << s.WebServerAccessProblem;
    }
    EXPECT_EQ(ReadFile(s.DataDir + "/php.ini"), "session.save_path=" + machine + "/sessions\n");

    // A configuration that names no account has nothing to check.
    WriteFile(bin / "apache/httpd.conf", "Listen 80\n");
    s.ChooseWebFolders();
    s.PrepareWebServerAccount();
    EXPECT_EQ(s.WebAccount, "");
    EXPECT_EQ(s.WebServerAccessProblem, "");
}
