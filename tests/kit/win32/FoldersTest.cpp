// Folders as Windows has them: the module's path, drive letters, the shell's special folders.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>

using namespace quindle;
using namespace quindle::test;

TEST(WindowsFolders, ProgramFolderWithAndWithoutDelimiter) {
    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, sizeof exe), 0u);
    EXPECT_EQ(TKo::GetAppFileName(), exe);
    EXPECT_EQ(ExtractFileName(TKo::GetAppFileName()), "kit_tests.exe");
    EXPECT_EQ(TKo::GetAppPath(), TKo::GetAppDir() + "\\");
    EXPECT_NE(TKo::GetAppDir().back(), '\\');
}

TEST(WindowsFolders, BothSlashesSeparateNames) {
    EXPECT_EQ(ExtractFileName("C:\\a/b\\app.exe"), "app.exe");
    EXPECT_EQ(ExtractFileDir("C:\\a/b\\app.exe"), "C:\\a/b");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a/"), "C:\\a/");
    EXPECT_EQ(JoinPath("C:\\a", "b"), "C:\\a\\b");
}

TEST(WindowsFolders, RelativePathsCountFromTheProgramFolderWhateverTheCurrentFolder) {
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(TKo::ExpandAppRelativePath("bin\\..\\www\\.\\index.php"),
              TKo::GetAppDir() + "\\www\\index.php");
    char cwd[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof cwd, cwd), 0u);
    EXPECT_TRUE(SameText(cwd, TKo::GetAppDir())); // and it is the current folder again
    EXPECT_EQ(TKo::ExpandAppRelativePath("C:\\windows\\..\\users"), "C:\\users");
}

TEST(WindowsFolders, DataFolderIsPerUserAndPerProgramPathAndIsCreated) {
    const std::string dataDir = TKo::GetDataDir();
    EXPECT_EQ(dataDir, TKo::GetCommonAppDataDir() + "\\" +
                           TKo::MD5Hex(TKo::GetLoginName() + "\\" + TKo::GetAppFileName()));
    EXPECT_TRUE(DirectoryExists(dataDir));
    EXPECT_FALSE(TKo::GetCommonAppDataDir().empty());
}

TEST(WindowsFolders, SpecialTemporaryWindowsAndLogin) {
    EXPECT_EQ(TKo::GetSpecialFolder(12345), "");
    EXPECT_FALSE(TKo::GetMyDocumentsDir().empty());
    // The run's own temporary folder (TMP), without a trailing delimiter.
    EXPECT_TRUE(SameText(TKo::GetTempDir(), std::getenv("TMP")));
    EXPECT_NE(TKo::GetTempDir().back(), '\\');
    EXPECT_TRUE(DirectoryExists(TKo::GetWindowsDir()));
    EXPECT_FALSE(TKo::GetLoginName().empty());
}

TEST(WindowsFolders, DrivesAnswerWhileTheyAreThere) {
    EXPECT_TRUE(TKo::IsDriveReady(TKo::GetAppFileName()));
    EXPECT_TRUE(TKo::IsDriveReady("  C:\\  "));
    EXPECT_EQ(TKo::GetVolumeLabel("no drive"), std::nullopt);
    EXPECT_FALSE(TKo::IsRunningFromCD(""));
    EXPECT_FALSE(TKo::IsRunningFromCD("C:\\"));
}
