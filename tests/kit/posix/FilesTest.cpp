// Files as a POSIX system has them: names that differ from the package's only in letter case,
// symbolic links, sparse files and the C library's error texts.

#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

class PosixFilesTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(PosixFilesTest, NamesAreFoundWhateverTheirLetterCase) {
    std::filesystem::create_directories(dir / "Apache/Conf");
    WriteFile(dir / "Apache/Conf/httpd.conf", "x");
    EXPECT_EQ(ResolvePathCase(dir / "apache/CONF/HTTPD.conf"), dir / "Apache/Conf/httpd.conf");
    EXPECT_TRUE(FileExists(dir / "APACHE/conf/Httpd.Conf"));
    EXPECT_TRUE(DirectoryExists(dir / "apache/conf"));
    EXPECT_FALSE(FileExists(dir / "apache/conf"));
    EXPECT_EQ(ResolvePathCase(dir / "apache/nothing"), dir / "apache/nothing");
    EXPECT_EQ(TKo::ReadTextFile(dir / "APACHE/CONF/HTTPD.CONF"), "x");
}

TEST_F(PosixFilesTest, ReadOnlyTreeLeavesLinkTargetsAlone) {
    std::filesystem::create_directories(dir / "t/a");
    WriteFile(dir / "t/a/f", "");
    WriteFile(dir / "outside", "");
    symlink((dir / "outside").c_str(), (dir / "t/link").c_str());
    EXPECT_TRUE(TKo::SetReadOnlyTree(dir / "t", true));
    EXPECT_EQ(FileMode(dir / "t/a/f") & 0222, 0u);
    EXPECT_NE(FileMode(dir / "outside") & 0200, 0u);
    EXPECT_TRUE(TKo::SetReadOnlyTree(dir / "t", false));
}

TEST_F(PosixFilesTest, TFileClampsSizesBeyondTwoGigabytes) {
    const std::string big = dir / "big";
    {
        TFile f(big, fcCreateAlways, faReadWrite, fsNone);
        ASSERT_EQ(ftruncate(f.Handle, 3LL << 30), 0); // sparse: no real 3 GiB on disk
    }
    TFile f(big, fcOpenExisting, faRead, fsRead);
    EXPECT_EQ(f.GetSize64(), 3LL << 30);
    EXPECT_EQ(f.GetSize(), 2147483647);
}

TEST_F(PosixFilesTest, EndOfFileHasTheWindowsTextAndMissingFilesTheLibrarys) {
    WriteFile(dir / "f", "12");
    TFile f(dir / "f", fcOpenExisting, faRead, fsRead);
    char buf[4];
    try {
        f.ReadBuffer(buf, 3);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "Reached the end of the file");
    }
    try {
        TFile missing(dir / "nope", fcOpenExisting, faRead, fsRead);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.ErrorCode, ENOENT);
        EXPECT_STREQ(e.what(), "No such file or directory");
    }
}
