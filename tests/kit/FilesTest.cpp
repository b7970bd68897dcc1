#include "kit/AtomicFile.h"
#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

using namespace quindle;
using namespace quindle::test;

class FilesTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(FilesTest, WholeFilesAreBytesAndFailuresNameTheFile) {
    const std::string bytes("a\r\nb\0c\xff", 7);
    TKo::WriteTextFile(dir / "f.bin", bytes);
    EXPECT_EQ(TKo::ReadTextFile(dir / "f.bin"), bytes);
    TKo::WriteTextFile(dir / "f.bin", "x");
    EXPECT_EQ(TKo::ReadTextFile(dir / "f.bin"), "x");
    try {
        TKo::ReadTextFile(dir / "missing.txt");
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
    }
    EXPECT_THROW(TKo::WriteTextFile(dir / "no/dir/f", "x"), EStreamError);
}

TEST_F(FilesTest, ReadSucceedsWhileAnotherHolderHasTheFileOpen) {
    WriteFile(dir / "held.txt", "content");
    std::fstream holder(dir / "held.txt", std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(holder.is_open());
    EXPECT_EQ(TKo::ReadTextFile(dir / "held.txt"), "content");
}

TEST_F(FilesTest, CopyFolderIntoExistingFolderOverwritesAndKeepsExtras) {
    std::filesystem::create_directories(dir / "src/bin/sub");
    WriteFile(dir / "src/bin/a.txt", "new");
    WriteFile(dir / "src/bin/sub/b.txt", "b");
    std::filesystem::create_directories(dir / "data/bin");
    WriteFile(dir / "data/bin/a.txt", "old");
    chmod((dir / "data/bin/a.txt").c_str(), 0444);
    WriteFile(dir / "data/bin/only-in-copy.txt", "stays");
    TKo::CopyFiles(dir / "src/bin", dir / "data");
    EXPECT_EQ(ReadFile(dir / "data/bin/a.txt"), "new");
    EXPECT_EQ(ReadFile(dir / "data/bin/sub/b.txt"), "b");
    EXPECT_EQ(ReadFile(dir / "data/bin/only-in-copy.txt"), "stays");
}

TEST_F(FilesTest, CopyToNewNameAndWildcards) {
    WriteFile(dir / "a.txt", "a");
    WriteFile(dir / "b.TXT", "b");
    WriteFile(dir / "c.dat", "c");
    TKo::CopyFiles(dir / "a.txt", dir / "copy.txt");
    EXPECT_EQ(ReadFile(dir / "copy.txt"), "a");
    TKo::CopyFiles(dir / "*.txt", dir / "out");
    EXPECT_TRUE(PathExists(dir / "out/a.txt"));
    EXPECT_TRUE(PathExists(dir / "out/b.TXT"));
    EXPECT_FALSE(PathExists(dir / "out/c.dat"));
}

TEST_F(FilesTest, CopyOfAFolderIntoItselfStops) {
    std::filesystem::create_directories(dir / "tree/inner");
    WriteFile(dir / "tree/f", "f");
    TKo::CopyFiles(dir / "tree", dir / "tree/inner");
    EXPECT_FALSE(PathExists(dir / "tree/inner/tree"));
}

TEST_F(FilesTest, DeleteFilesFoldersAndPatterns) {
    std::filesystem::create_directories(dir / "www/deep/er");
    WriteFile(dir / "www/deep/er/x", "x");
    chmod((dir / "www/deep/er").c_str(), 0555);
    TKo::DeleteFolder("  " + (dir / "www") + "  ");
    EXPECT_FALSE(PathExists(dir / "www"));

    WriteFile(dir / "1.log", "");
    WriteFile(dir / "2.log", "");
    WriteFile(dir / "keep.txt", "");
    TKo::DeleteFiles(dir / "*.log");
    EXPECT_FALSE(PathExists(dir / "1.log"));
    EXPECT_TRUE(PathExists(dir / "keep.txt"));
    TKo::DeleteFiles(""); // nothing, and no crash
}

TEST_F(FilesTest, DeleteFileIfExists) {
    EXPECT_TRUE(TKo::DeleteFileIfExists(dir / "missing"));
    WriteFile(dir / "f", "x");
    EXPECT_TRUE(TKo::DeleteFileIfExists(dir / "f"));
    EXPECT_FALSE(PathExists(dir / "f"));
    std::filesystem::create_directories(dir / "folder");
    EXPECT_TRUE(TKo::DeleteFileIfExists(dir / "folder"));
    EXPECT_TRUE(PathExists(dir / "folder")); // a folder is not a file: left alone
}

TEST_F(FilesTest, ReadOnlyTreeReachesEveryEntry) {
    // Wine keeps no read-only attribute on folders (Windows and POSIX systems do): there only
    // the files can show it.
    std::filesystem::create_directories(dir / "probe");
    TKo::SetReadOnlyTree(dir / "probe", true);
    const bool foldersKeepIt = HasReadOnlyAttribute(dir / "probe");
    TKo::SetReadOnlyTree(dir / "probe", false);
    std::vector<std::string> entries = {"t/.hidden", "t/a/b/f"};
    if (foldersKeepIt)
        entries.insert(entries.end(), {"t", "t/a", "t/a/b"});

    std::filesystem::create_directories(dir / "t/a/b");
    WriteFile(dir / "t/.hidden", "");
    WriteFile(dir / "t/a/b/f", "");
    EXPECT_TRUE(TKo::SetReadOnlyTree(dir / "t", true));
    for (const auto& p : entries)
        EXPECT_TRUE(HasReadOnlyAttribute(dir / p)) << p;
    EXPECT_TRUE(TKo::SetReadOnlyTree(dir / "t", false));
    for (const auto& p : entries)
        EXPECT_FALSE(HasReadOnlyAttribute(dir / p)) << p;
    EXPECT_FALSE(TKo::SetReadOnlyTree(dir / "missing", false));
}

TEST_F(FilesTest, TempFileNamesSkipLockedFiles) {
    const std::string first = TKo::MakeTempFileName("qndl_cmd", "", ".tmp", 0);
    EXPECT_EQ(first, JoinPath(TKo::GetTempDir(), "qndl_cmd0.tmp"));
    WriteFile(first, "unlocked");
    EXPECT_EQ(TKo::MakeTempFileName("qndl_cmd", "", ".tmp", 0), first);
    chmod(first.c_str(), 0444); // read-only counts as locked
    EXPECT_EQ(TKo::MakeTempFileName("qndl_cmd", "", ".tmp", 0),
              JoinPath(TKo::GetTempDir(), "qndl_cmd1.tmp"));
    EXPECT_EQ(TKo::MakeTempFileName("p", dir.Path(), ".x", 7), JoinPath(dir.Path(), "p7.x"));
    EXPECT_EQ(TKo::MakeTempFileName("p", dir / "nonexistent", ".x", 7),
              JoinPath(TKo::GetTempDir(), "p7.x"));
    chmod(first.c_str(), 0644);
    std::remove(first.c_str());
}

TEST_F(FilesTest, TFileReadsSizesAndReportsEndOfFile) {
    WriteFile(dir / "f", "12345");
    TFile f(dir / "f", fcOpenExisting, faRead, fsRead);
    EXPECT_EQ(f.GetSize64(), 5);
    EXPECT_EQ(f.GetSize(), 5);
    char buf[8];
    f.ReadBuffer(buf, 3);
    EXPECT_EQ(std::string(buf, 3), "123");
    try {
        f.ReadBuffer(buf, 3);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.ErrorCode, ERROR_HANDLE_EOF);
        EXPECT_STRNE(e.what(), "");
    }
    try {
        TFile missing(dir / "nope", fcOpenExisting, faRead, fsRead);
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.ErrorCode, 2); // the system's "not found" code, 2 on both systems
        EXPECT_STRNE(e.what(), "");
    }
}

TEST(FileError, UnknownCodesGetTheGenericText) {
    try {
        RaiseFileError(123456);
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "File I/O error 123456");
        EXPECT_EQ(e.ErrorCode, 123456);
    }
}

TEST_F(FilesTest, AFileCopyTakesEveryByteAndAFailureNamesTheSideThatFailed) {
    std::string bytes;
    for (int i = 0; i < 300000; ++i) // several of any buffer, and not a multiple of one
        bytes.push_back(char(i * 7 % 251));
    WriteFile(dir / "big.bin", bytes);
    WriteFile(dir / "old.bin", std::string(400000, 'x')); // longer: emptied first
    CopyFileContents(dir / "big.bin", dir / "old.bin");
    EXPECT_EQ(ReadFile(dir / "old.bin"), bytes);
    WriteFile(dir / "empty.bin", "");
    CopyFileContents(dir / "empty.bin", dir / "empty-copy.bin");
    EXPECT_TRUE(PathExists(dir / "empty-copy.bin"));
    EXPECT_EQ(ReadFile(dir / "empty-copy.bin"), "");

    // The message the copy of From to To fails with.
    auto failure = [](const std::string& From, const std::string& To) {
        try {
            CopyFileContents(From, To);
        } catch (const Exception& e) {
            return e.Message();
        }
        return std::string("copied");
    };
    EXPECT_EQ(failure(dir / "missing.bin", dir / "copy.bin"),
              "Unable to read " + (dir / "missing.bin") + ": " +
                  std::generic_category().message(ENOENT));
    EXPECT_EQ(failure(dir / "big.bin", dir / "no-folder/copy.bin"),
              "Unable to write " + (dir / "no-folder/copy.bin") + ": " +
                  std::generic_category().message(ENOENT));
}

TEST_F(FilesTest, AFailedAtomicReplacementNamesTheFileAndWhyAndLeavesNothingBehind) {
    const std::string inMissingFolder = dir / "no-folder/f.ini";
    try {
        WriteFileAtomically(inMissingFolder, "x");
        FAIL() << "no error";
    } catch (const EFileError& e) {
        const std::string prefix = "Unable to write " + inMissingFolder + ": ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u) << e.what();
        EXPECT_GT(std::string(e.what()).size(), prefix.size()) << "no reason given";
#ifndef _WIN32
        EXPECT_EQ(e.ErrorCode, ENOENT);
#endif
    }
    // A folder where the file is to go refuses only the last step, the rename: the temporary
    // file written by then must not stay.
    const std::string folder = dir / "taken";
    std::filesystem::create_directory(folder);
    try {
        WriteFileAtomically(folder, "x");
        FAIL() << "a folder was replaced";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to write " + folder + ": ", 0), 0u)
            << e.what();
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"taken"});
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}
