// The rebranded package, built from a small package folder by the real program's service
// modes: what lands in OutQNL, what runme carries, and what the database choice leaves out.

#include "brand/PackageBuilder.h"
#include "app/RunState.h"
#include "brand/TfrmBrand.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"
#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

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
        sources = {QUINDLE_PATH, app.Path() + "/", state.BrandFile, data.Path()};
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

    TempDir app, data, bin;
    TRunState state;
    TPackageSources sources;
    std::string savedPath;
};

} // namespace

TEST_F(PackageBuilder, RunmeCarriesTheChoicesAndThePackageTheStackAndTheDatabase) {
    WriteFile(Out("left from before"), "old");
    TfrmBrand form;
    ReadBrandFields(form, state.BrandFile);
    EXPECT_EQ(form.Port, 80);
    EXPECT_EQ(form.OutputDir.toStdString(), Out());
    form.Title = " Corner Shop ";
    form.ShowTrayIcon = "1";
    WritePackage(form, sources);

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
    EXPECT_FALSE(PathExists(Out("data/other")));
    EXPECT_TRUE(DirectoryExists(Out("www")));
    EXPECT_TRUE(std::filesystem::is_empty(Out("www")));
    EXPECT_FALSE(PathExists(Out("left from before")));
    EXPECT_TRUE(WaitUntil(
        [&] { return PathExists(bin / "log") && ReadFile(bin / "log") == Out() + "\n"; }));
}

TEST_F(PackageBuilder, WithoutTheDatabaseTheServerAndItsDataStayOut) {
    TfrmBrand form;
    ReadBrandFields(form, state.BrandFile);
    form.IncludeMySQL = "0";
    WritePackage(form, sources);
    EXPECT_TRUE(FileExists(Out("bin/Apache/Apache")));
    EXPECT_TRUE(FileExists(Out("bin/Favorites.ini")));
    EXPECT_FALSE(PathExists(Out("bin/mysql")));
    EXPECT_FALSE(PathExists(Out("bin/phpmyadmin")));
    EXPECT_FALSE(PathExists(Out("data")));
    EXPECT_NE(ReadFile(state.BrandFile).find("includemysql=0"), std::string::npos);
}

TEST_F(PackageBuilder, APortThatIsNoNumberStopsBeforeTheDialog) {
    TKo::WriteIniString(state.BrandFile, "INI", "port", "8o");
    TfrmBrand form;
    EXPECT_THROW(ReadBrandFields(form, state.BrandFile), Exception);
}

TEST(RebrandedPackage, RunmeBuiltFromTheDemoPackageServesItsSiteWithTheChosenSettings) {
    // No desktop here: the finished folder is "opened" by an opener that does nothing.
    TempDir bin;
    WriteFile(bin / "xdg-open", "#!/bin/sh\nexit 0\n");
    chmod((bin / "xdg-open").c_str(), 0755);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", (bin.Path() + ":" + savedPath).c_str(), 1);
    PackageCopy demo;
    TempDir data;
    TRunState state;
    state.DataDir = data.Path();
    state.WriteBrandDefaults();
    TfrmBrand form;
    ReadBrandFields(form, state.BrandFile);
    form.Title = "Corner Shop";
    form.Port = 8000 + int(getpid() % 900);
    WritePackage(form, {demo.Program(), demo.Dir() + "/", state.BrandFile, data.Path()});

    // The author puts the site into www; the package runs from its own folder.
    const std::string out = GetOutputDir();
    WriteFile(out + "/www/index.php", "<title>Corner</title><?php echo 'served by ' . 'php';");
    chmod(out.c_str(), 0755);
    PackageRun run(out, data.Path() + "/home", "runme");
    ASSERT_NE(run.StartAndWaitForSite(), 0u) << run.Log();
    EXPECT_GE(run.WebPort(), form.Port);
    EXPECT_NE(HttpRequest(run.WebPort(), "GET", "/").body.find("served by php"), std::string::npos);
    const std::string config = ReadFile(run.DataDir() + "/Config.ini");
    EXPECT_NE(config.find("title=\"Corner Shop\""), std::string::npos) << config;
    EXPECT_NE(config.find("brand=1"), std::string::npos) << config;
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
    setenv("PATH", savedPath.c_str(), 1);
}
