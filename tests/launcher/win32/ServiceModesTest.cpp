// The service modes of the window-less quindle.exe on real PE files under Windows: each
// resource stamped by a process of its own, "/setup" and its chain, failures that leave the
// target as it was.

#include "kit/ExeResources.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"
#include "tests/kit/IconSamples.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using namespace quindle;
using namespace quindle::test;

namespace {

std::string Resource(const std::string& Exe, std::uint16_t Type, const std::string& Name) {
    try {
        const ResourceContainer c = LoadExeResources(Exe);
        const ResourceEntry* e = c.Find(Type, ResourceName::Text(Name));
        return e ? e->Data : "<missing>";
    } catch (const EFileError&) {
        return "<damaged>";
    }
}

} // namespace

class WindowsServiceModes : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFile(RESOURCE_PROBE_PATH, target);
        WriteFile(config, "[INI]\r\ntitle=\"Corner Shop\"\r\nbrand=1");
        WriteFile(icon, MakeIcon({{16, 11}, {32, 22}}, 'n'));
        WriteFile(splash, std::string("\x89PNG\r\n\x1a\n", 8) + "picture");
    }
    void Run(const std::string& Params) { TKo::RunProgramAndWait(QUINDLE_PATH, Params, "", 1); }
    TempDir dir;
    std::string target = dir / "runme.exe", config = dir / "Brand.ini", icon = dir / "new.ico",
                splash = dir / "new.png";
};

TEST_F(WindowsServiceModes, ConfigIconAndSplashStampTheirResourcesWhateverTheWordsCase) {
    Run("/CONFIG \"" + target + "\" \"" + config + "\"");
    EXPECT_EQ(Resource(target, RT_RCDATA, "RES_CONFIG_INI"), ReadFile(config));
    Run("/Icon \"" + target + "\" \"" + icon + "\"");
    ResourceContainer c;
    ASSERT_NO_THROW(c = LoadExeResources(target));
    const ResourceEntry* group = c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Language, LANG_ENGLISH_US);
    EXPECT_EQ(c.Find(RT_GROUP_ICON, ResourceName::Text("MAINICON"), 0x0407), nullptr);
    Run("/splash \"" + target + "\" \"" + splash + "\"");
    EXPECT_EQ(Resource(target, RT_RCDATA, "RES_SPLASH"), ReadFile(splash));
    // The stamped program still runs and reads what was stamped.
    EXPECT_EQ(RunAndCapture(target, "RES_CONFIG_INI"),
              "RES_CONFIG_INI=" + TKo::MD5Hex(ReadFile(config)) + "\n");
}

TEST_F(WindowsServiceModes, BadIconsUnknownWordsAndMissingFilesChangeNothing) {
    const std::string before = ReadFile(target);
    WriteFile(dir / "bad.ico", "MZ not an icon");
    Run("/icon \"" + target + "\" \"" + (dir / "bad.ico") + "\"");
    Run("/colour \"" + target + "\" \"" + config + "\"");
    Run("/config \"" + target + "\"");
    Run("/config \"" + target + "\" \"" + (dir / "missing.ini") + "\"");
    Run("/config \"" + (dir / "missing.exe") + "\" \"" + config + "\"");
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_FALSE(PathExists(dir / "missing.exe"));
}

TEST_F(WindowsServiceModes, AReadOnlyTargetIsMadeWritableAndStamped) {
    chmod(target.c_str(), 0444);
    Run("/config \"" + target + "\" \"" + config + "\"");
    EXPECT_EQ(Resource(target, RT_RCDATA, "RES_CONFIG_INI"), ReadFile(config));
}

TEST_F(WindowsServiceModes, SetupStampsInItsOrderAndStartsTheTargetUnlessToldNot) {
    // Test programs that note a plain start in <file>.started.
    const std::string quiet = dir / "quiet.exe", opened = dir / "opened.exe";
    CopyFile(TEST_CHILD_PATH, quiet);
    CopyFile(TEST_CHILD_PATH, opened);
    // Six arguments and more: stamped, not started.
    Run("/setup \"" + quiet + "\" \"" + config + "\" \"" + icon + "\" \"" + splash + "\" x");
    EXPECT_EQ(Resource(quiet, RT_RCDATA, "RES_CONFIG_INI"), ReadFile(config));
    EXPECT_EQ(Resource(quiet, RT_RCDATA, "RES_SPLASH"), ReadFile(splash));
    // Fewer: the target is opened afterwards.
    Run("/setup \"" + opened + "\" \"" + config + "\"");
    EXPECT_TRUE(WaitUntil([&] { return PathExists(opened + ".started"); }, 10000));
    EXPECT_EQ(Resource(opened, RT_RCDATA, "RES_CONFIG_INI"), ReadFile(config));
    EXPECT_FALSE(PathExists(quiet + ".started"));
}

TEST_F(WindowsServiceModes, DownsizeDeletesTheChosenPartsWithTheirExecutables) {
    const std::string pkg = dir / "pkg";
    for (const char* file :
         {"data/quindle/t.frm", "bin/mysql/bin/mysqld.exe", "bin/Apache/libmysql.dll",
          "bin/Apache/sendmail.exe", "bin/Apache/sendmail.ini", "bin/php/ext/php_imap.dll",
          "bin/php/ext/php_curl.dll", "bin/Apache/libeay32.dll", "bin/php/ext/php_gd2.dll"}) {
        std::filesystem::create_directories(std::filesystem::path(pkg + "/" + file).parent_path());
        WriteFile(pkg + "/" + file, file);
    }
    WriteFile(pkg + "/bin/Favorites.ini", "[DIRS]\r\nMySQL data directory={APPDIR}\\data\r\n");
    CopyFile(QUINDLE_PATH, pkg + "/quindle.exe");
    // Position 2 (MySQL) and 8 (IMAP and mail) of the sixteen flags.
    TKo::RunProgramAndWait(pkg + "/quindle.exe", "DOWNSIZE 1 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0", "",
                           SW_SHOWNORMAL);
    for (const char* gone :
         {"data", "bin/mysql", "bin/Apache/libmysql.dll", "bin/Apache/sendmail.exe",
          "bin/Apache/sendmail.ini", "bin/php/ext/php_imap.dll"})
        EXPECT_FALSE(PathExists(pkg + "/" + gone)) << gone;
    // cURL is left, and with it the OpenSSL library it needs; GD was not chosen.
    for (const char* kept :
         {"bin/php/ext/php_curl.dll", "bin/Apache/libeay32.dll", "bin/php/ext/php_gd2.dll"})
        EXPECT_TRUE(PathExists(pkg + "/" + kept)) << kept;
    EXPECT_EQ(TKo::ReadIniString(pkg + "/bin/Favorites.ini", "DIRS", "MySQL data directory"), "");
}
