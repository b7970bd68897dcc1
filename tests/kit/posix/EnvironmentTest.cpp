// The environment and the desktop's opener as a POSIX system has them: the shell, the locale
// variables and xdg-open. On Windows the same operations go to the system's functions, which
// these tests cannot stand in for.

#include "kit/KoClass.h"
#include "kit/Product.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

using namespace quindle;
using namespace quindle::test;

TEST(Environment, ChildrenInheritWhatWasSet) {
    TempDir dir;
    ASSERT_TRUE(TKo::SetPHPRCEnv(dir.Path()));
    // The child is a shell only to print its environment; our starts never use one.
    const std::string out = RunAndCapture("/bin/sh", "-c 'printf %s \"$PHPRC\"'");
    EXPECT_EQ(out, dir.Path());
}

TEST(Environment, PhpReadsNoDistributionIniFolder) {
    // A distribution's PHP scans a folder of its own unless told to scan none.
    ASSERT_TRUE(TKo::SetPHPRCEnv("/pkg/data dir"));
    ASSERT_NE(std::getenv("PHP_INI_SCAN_DIR"), nullptr);
    EXPECT_STREQ(std::getenv("PHP_INI_SCAN_DIR"), "");
}

TEST(Environment, LanguageNameInEnglish) {
    const char* saved = std::getenv("LC_ALL");
    setenv("LC_ALL", "C", 1);
    ASSERT_TRUE(TKo::SetOSLanguageEnv());
    EXPECT_STREQ(std::getenv("OS_LANGUAGE"), "English");
    setenv("LC_ALL", "no_SUCH.locale", 1);
    ASSERT_TRUE(TKo::SetOSLanguageEnv());
    EXPECT_STREQ(std::getenv("OS_LANGUAGE"), "English");
    if (saved)
        setenv("LC_ALL", saved, 1);
    else
        unsetenv("LC_ALL");
}

TEST(Shell, FoldersAndMailGoToTheDesktopOpenerAsOneArgument) {
    TempDir bin, out;
    // A recorder in place of the desktop's opener: it writes down what it was asked to open.
    WriteFile(bin / "xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                                    (out / "log") + "'\n");
    chmod((bin / "xdg-open").c_str(), 0755);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", bin.Path().c_str(), 1);
    TKo::ExploreFolder(out.Path() + "/My \"Shop\" folder", SW_SHOWNORMAL);
    TKo::OpenContactMail();
    setenv("PATH", savedPath.c_str(), 1);
    EXPECT_TRUE(WaitUntil([&] {
        return PathExists(out / "log") &&
               ReadFile(out / "log").find("mailto:") != std::string::npos &&
               ReadFile(out / "log").find("folder") != std::string::npos;
    }));
    const std::string log = ReadFile(out / "log");
    EXPECT_NE(log.find(out.Path() + "/My Shop folder\n"), std::string::npos) << log;
    EXPECT_NE(log.find(std::string("mailto:") + kContactMail + "\n"), std::string::npos) << log;
}
