// The build without a window: the real demo package builds its rebranded copy from a Brand.ini
// given on the command line, says each step, and names what fails.

#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace quindle;
using namespace quindle::test;

namespace {

struct Result {
    int Code = -1;
    std::string Output; // both streams
};

// The package's program in the "/package" mode, in a private home.
Result Build(const PackageCopy& Package, const std::string& Home, const std::string& BrandFile) {
    Result r;
    const std::string command = "HOME='" + Home + "' XDG_RUNTIME_DIR='" + Home + "' '" +
                                Package.Program() + "' /package '" + BrandFile + "' 2>&1";
    if (FILE* p = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        while (std::size_t n = fread(buffer.data(), 1, buffer.size(), p))
            r.Output.append(buffer.data(), n);
        const int status = pclose(p);
        r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    return r;
}

} // namespace

TEST(PackageMode, BuildsTheRebrandedPackageABrandFileDescribesAndNamesWhatFails) {
    PackageCopy package;
    TempDir home;
    const std::string brand = home / "corner-shop.ini";
    const std::string text = "[INI]\ntitle=Corner Shop\nport=8123\n";
    std::ofstream(brand) << text;

    const Result missing = Build(package, home.Path(), home / "nothere.ini");
    EXPECT_NE(missing.Code, 0);
    EXPECT_NE(missing.Output.find(home / "nothere.ini"), std::string::npos) << missing.Output;
    // A version Debian would refuse is refused before anything is built.
    std::ofstream(home / "bad-version.ini") << "[INI]\ntitle=Corner Shop\nversion=v1\n";
    const Result badVersion = Build(package, home.Path(), home / "bad-version.ini");
    EXPECT_NE(badVersion.Code, 0);
    EXPECT_NE(badVersion.Output.find("key version"), std::string::npos) << badVersion.Output;
    EXPECT_FALSE(std::filesystem::exists(home / "OutQNL/runme"));

    const Result built = Build(package, home.Path(), brand);
    ASSERT_EQ(built.Code, 0) << built.Output;
    const std::string out = home / "OutQNL";
    for (const char* step :
         {"Stamping the splash picture", "Stamping the icon", "Stamping the settings",
          "Copying the database", "The package is ready: ",
          "a site that writes into its own folder needs copyfilestoharddisk=1"})
        EXPECT_NE(built.Output.find(step), std::string::npos) << step << "\n" << built.Output;
    // The author's keys over the dialog's defaults, stamped into the copy; the author's file
    // as it was.
    const std::string config = ExeResource(out + "/runme", 10, "RES_CONFIG_INI");
    EXPECT_NE(config.find("title=\"Corner Shop\""), std::string::npos) << config;
    EXPECT_NE(config.find("port=8123"), std::string::npos) << config;
    EXPECT_NE(config.find("toolbar=1"), std::string::npos) << config;
    EXPECT_EQ(ReadFile(brand), text);
    for (const char* part :
         {"bin/Apache/Apache", "bin/mysql/bin/mysqld", "data/mysql", "www", "lib",
          "libexec/QtWebEngineProcess", "corner-shop.desktop",
          "icons/hicolor/48x48/apps/corner-shop.png", "corner-shop_1.0_amd64.deb"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + part)) << part;

    // A running package's database is held by its server: the build refuses, and says why.
    PackageRun run(package, home / "user");
    ASSERT_NE(run.StartAndWaitForSite(), 0u);
    const Result refused = Build(package, home.Path(), brand);
    EXPECT_NE(refused.Code, 0);
    EXPECT_NE(refused.Output.find("The package is running"), std::string::npos) << refused.Output;
    EXPECT_EQ(HttpRequest(run.WebPort(), "GET", "/").status, 200);
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}
