// The names and the menu entry a package is installed with, for titles an author may choose.

#include "launcher/debian/DesktopFiles.h"
#include "kit/Strings.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <vector>

using namespace quindle;
using quindle::test::TextLines;

TEST(MenuEntry, StartsTheInstalledProgramWithTheIconAndWindowClassOfItsName) {
    const std::vector<std::string> lines = TextLines(MenuEntry("Corner Shop", "corner-shop"));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "[Desktop Entry]");
    const std::vector<std::string> keys(lines.begin() + 1, lines.end());
    for (const char* expected :
         {"Type=Application", "Name=Corner Shop", "Exec=/opt/corner-shop/runme", "Icon=corner-shop",
          "Terminal=false", "StartupWMClass=corner-shop"})
        EXPECT_EQ(std::count(keys.begin(), keys.end(), expected), 1) << expected;
    for (const std::string& line : keys)
        EXPECT_NE(line.find('='), std::string::npos) << line;
}

TEST(MenuEntry, KeepsBackslashesAndLettersBeyondAsciiOfTheTitle) {
    // The entry reads "\\" as one backslash; the title's UTF-8 bytes stand as they are.
    const std::string title = "C:\\Shop\\ Caf\xC3\xA9";
    const std::vector<std::string> lines = TextLines(MenuEntry(title, SoftwareName(title)));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Name=C:\\\\Shop\\\\ Caf\xC3\xA9"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "StartupWMClass=" + DesktopId(title)), 1);
    EXPECT_EQ(lines.size(), TextLines(MenuEntry("Corner Shop", "corner-shop")).size());
}

TEST(SoftwareName, IsADebianPackageNameForAnyTitle) {
    const std::regex debianName("[a-z0-9][a-z0-9+.-]+");
    for (const char* title : {"Corner Shop",
                              "Caf\xC3\xA9 \xC3\x9Cn\xC3\xAF"
                              "code",
                              "!!!", "???", "Q", "  --  ", "\xE6\x97\xA5\xE6\x9C\xAC", "A\\B"})
        EXPECT_TRUE(std::regex_match(SoftwareName(title), debianName))
            << title << " -> " << SoftwareName(title);
    EXPECT_EQ(SoftwareName("Corner Shop"), "corner-shop");
    EXPECT_EQ(SoftwareName("Caf\xC3\xA9 \xC3\x9Cn\xC3\xAF"
                           "code"),
              "caf-n-code");
    // One letter is no Debian name; a title of punctuation alone names nothing, and two such
    // titles are still two packages.
    EXPECT_EQ(SoftwareName("Q"), "quindle-q");
    EXPECT_EQ(SoftwareName("!!!").rfind("quindle-", 0), 0u);
    EXPECT_NE(SoftwareName("!!!"), SoftwareName("???"));
}

TEST(VersionProblem, AcceptsDebiansVersionsAndNamesTheOneItRefuses) {
    for (const char* version : {"1.0", "2.3~beta1", "10+dfsg-2", "0"})
        EXPECT_EQ(VersionProblem(version), "") << version;
    // A line feed would add a field of its own to the control file.
    for (const char* version : {"", "v1", "1 0", "1_0", "1.0\nEssential: yes", "1.0/2"}) {
        const std::string problem = VersionProblem(version);
        EXPECT_NE(problem, "") << version;
        EXPECT_NE(problem.find("'" + std::string(version) + "'"), std::string::npos) << problem;
    }
}
