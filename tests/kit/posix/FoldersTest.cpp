// Folders as a POSIX system has them: /proc/self/exe, the XDG folders and mounted media.

#include "kit/Accounts.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

TEST(Folders, ProgramFolderWithAndWithoutDelimiter) {
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    const std::string path(exe, std::size_t(n));
    EXPECT_EQ(TKo::GetAppFileName(), path);
    EXPECT_EQ(TKo::GetAppDir(), path.substr(0, path.rfind('/')));
    EXPECT_EQ(TKo::GetAppPath(), TKo::GetAppDir() + "/");
    EXPECT_NE(TKo::GetAppDir().back(), '/');
}

TEST(Folders, RelativePathsCountFromTheProgramFolderWhateverTheCurrentFolder) {
    ASSERT_EQ(chdir("/"), 0);
    EXPECT_EQ(TKo::ExpandAppRelativePath("bin/../www/./index.php"),
              TKo::GetAppDir() + "/www/index.php");
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), TKo::GetAppDir()); // and it is the current folder again
    EXPECT_EQ(TKo::ExpandAppRelativePath("/etc/../usr"), "/usr");
}

TEST(Folders, DataFolderIsPerUserAndPerProgramPathAndIsCreated) {
    const std::string dataDir = TKo::GetDataDir();
    const std::string expected = std::string(std::getenv("HOME")) + "/.local/share/quindle/" +
                                 TKo::MD5Hex(TKo::GetLoginName() + "/" + TKo::GetAppFileName());
    EXPECT_EQ(dataDir, expected);
    EXPECT_TRUE(DirectoryExists(dataDir));
    EXPECT_EQ(ExtractFileName(dataDir).size(), 32u);

    TempDir xdg;
    setenv("XDG_DATA_HOME", xdg.Path().c_str(), 1);
    EXPECT_EQ(TKo::GetDataDir(), xdg / "quindle/" + ExtractFileName(dataDir));
    EXPECT_TRUE(DirectoryExists(TKo::GetDataDir()));
    unsetenv("XDG_DATA_HOME");
}

TEST(Folders, AnotherCopyOfTheProgramGetsAnotherDataFolder) {
    TempDir a, b;
    CopyFile(TEST_CHILD_PATH, a / "app");
    CopyFile(TEST_CHILD_PATH, b / "app");
    const std::string first = RunAndCapture(a / "app", "datadir -");
    const std::string second = RunAndCapture(b / "app", "datadir -");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first, RunAndCapture(a / "app", "datadir -")); // and stays the same across runs
    EXPECT_EQ(first, TKo::GetCommonAppDataDir() + "/" +
                         TKo::MD5Hex(TKo::GetLoginName() + "/" + (a / "app")) + "\n");
}

TEST(Folders, SpecialTemporaryAndLogin) {
    EXPECT_EQ(TKo::GetCommonAppDataDir(),
              std::string(std::getenv("HOME")) + "/.local/share/quindle");
    EXPECT_EQ(TKo::GetSpecialFolder(12345), "");
    EXPECT_EQ(TKo::GetTempDir(), std::string(std::getenv("TMPDIR")));
    EXPECT_NE(TKo::GetTempDir().back(), '/');
    EXPECT_FALSE(TKo::GetLoginName().empty());
}

TEST(Folders, DocumentsFolderFollowsTheUserDirsFile) {
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(TKo::GetMyDocumentsDir(), home); // no Documents folder yet
    std::filesystem::create_directories(home + "/Documents");
    EXPECT_EQ(TKo::GetMyDocumentsDir(), home + "/Documents");
    std::filesystem::create_directories(home + "/.config");
    std::filesystem::create_directories(home + "/Dokumente");
    WriteFile(home + "/.config/user-dirs.dirs",
              "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(TKo::GetMyDocumentsDir(), home + "/Dokumente");
    std::filesystem::remove(home + "/.config/user-dirs.dirs");
}

TEST(Folders, DrivesAnswerWhileThePathIsThere) {
    EXPECT_TRUE(TKo::IsDriveReady(TKo::GetAppFileName()));
    EXPECT_TRUE(TKo::IsDriveReady("  /  "));
    EXPECT_FALSE(TKo::IsDriveReady("/no/such/medium/app"));
    EXPECT_EQ(TKo::GetVolumeLabel("/no/such/medium"), std::nullopt);
    // A test machine's disk is no CD.
    EXPECT_FALSE(TKo::IsRunningFromCD(""));
    EXPECT_FALSE(TKo::IsRunningFromCD("/"));
}

TEST(Folders, WritableFoldersAndPrivateOnes) {
    TempDir dir;
    EXPECT_TRUE(IsFolderWritable(dir.Path()));
    EXPECT_FALSE(IsFolderWritable(dir / "missing"));
    ASSERT_TRUE(ForcePrivateDirectory(dir / "a/b"));
    EXPECT_EQ(FileMode(dir / "a/b") & 0777, 0700u);
    chmod((dir / "a/b").c_str(), 0555);
    // The administrator may write anywhere; the permission bits only stop everyone else.
    EXPECT_EQ(IsFolderWritable(dir / "a/b"), geteuid() == 0);
    EXPECT_TRUE(ForcePrivateDirectory(dir / "a/b"));
    EXPECT_EQ(FileMode(dir / "a/b") & 0777, 0700u);
}

TEST(Accounts, AnotherAccountReachesOnlyWhatItsRightsAllow) {
    if (geteuid() != 0)
        GTEST_SKIP() << "asking as another account needs the administrator";
    TempDir dir;
    chmod(dir.Path().c_str(), 0755);
    std::filesystem::create_directories(dir / "open/closed");
    chmod((dir / "open").c_str(), 0755);
    chmod((dir / "open/closed").c_str(), 0700);
    EXPECT_TRUE(AccountCanAccess("nobody", dir / "open", false));
    EXPECT_FALSE(AccountCanAccess("nobody", dir / "open", true));
    EXPECT_FALSE(AccountCanAccess("nobody", dir / "open/closed", false));
    // Given to the account, a folder is its own to write, but only where it can pass through.
    ASSERT_TRUE(GiveFolderToAccount(dir / "open/closed", "nobody"));
    EXPECT_TRUE(AccountCanAccess("nobody", dir / "open/closed", true));
    chmod((dir / "open").c_str(), 0700);
    EXPECT_FALSE(AccountCanAccess("nobody", dir / "open/closed", true));
    // An account the machine does not have runs nothing here.
    EXPECT_TRUE(AccountCanAccess("no-such-account-here", dir / "open/closed", true));
    EXPECT_FALSE(GiveFolderToAccount(dir / "open", "no-such-account-here"));
}
