// The copy of a site kept in step with its package: what the package changed comes in, what the
// site did to its copy stays, a call cut short or a full disk loses nothing.

#include "kit/TreeSync.h"
#include "kit/Accounts.h"
#include "kit/CopyRecord.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace quindle;
using namespace quindle::test;

namespace {

class TreeSyncTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(src / "sub");
        WriteFile(src / "a.txt", "a1");
        WriteFile(src / "sub/b.txt", "b1");
        ASSERT_EQ(symlink("a.txt", (src / "l").c_str()), 0);
        chmod((src / "a.txt").c_str(), 0444); // as on a disc
    }
    TTreeSyncResult Sync() { return SyncTree({src.Path(), Copy(), dir / "www.record", owner}); }
    std::string Copy() const { return dir / "www"; }
    std::string InCopy(const std::string& Name) const { return Copy() + "/" + Name; }
    std::vector<std::pair<TTreeConflict::TKind, std::string>>
    Conflicts(const TTreeSyncResult& R) const {
        std::vector<std::pair<TTreeConflict::TKind, std::string>> out;
        for (const TTreeConflict& c : R.Conflicts)
            out.emplace_back(c.Kind, c.Path);
        return out;
    }

    TempDir src, dir;
    std::string owner;
};

struct stat StatOf(const std::string& Path) {
    struct stat st {};
    lstat(Path.c_str(), &st);
    return st;
}

bool Untouched(const struct stat& Before, const std::string& Path) {
    const struct stat now = StatOf(Path);
    return now.st_ino == Before.st_ino && now.st_mtim.tv_nsec == Before.st_mtim.tv_nsec &&
           now.st_ctim.tv_sec == Before.st_ctim.tv_sec &&
           now.st_ctim.tv_nsec == Before.st_ctim.tv_nsec;
}

} // namespace

TEST_F(TreeSyncTest, OnlyWhatThePackageChangedComesInAndWhatTheSiteDidStays) {
    TTreeSyncResult r = Sync();
    ASSERT_TRUE(r.Complete) << r.Error;
    EXPECT_EQ(r.Copied, 3u);
    EXPECT_EQ(ReadFile(InCopy("a.txt")), "a1");
    EXPECT_EQ(ReadFile(InCopy("sub/b.txt")), "b1");
    EXPECT_EQ(std::filesystem::read_symlink(InCopy("l")), "a.txt");
    EXPECT_EQ(FileMode(InCopy("a.txt")) & 0777, 0644u); // the site may write its copy
    EXPECT_EQ(FileMode(Copy()) & 0777, 0700u);
    EXPECT_EQ(StatOf(InCopy("a.txt")).st_mtim.tv_nsec, StatOf(src / "a.txt").st_mtim.tv_nsec);
    EXPECT_FALSE(PathExists(TreeSyncStaging(Copy())));

    // Nothing changed: nothing is written, the record neither.
    const struct stat a = StatOf(InCopy("a.txt")), record = StatOf(dir / "www.record");
    r = Sync();
    ASSERT_TRUE(r.Complete) << r.Error;
    EXPECT_EQ(r.Copied + r.Removed, 0u);
    EXPECT_TRUE(Untouched(a, InCopy("a.txt")));
    EXPECT_TRUE(Untouched(record, dir / "www.record"));

    // The site edits a shipped file and makes one of its own; the package brings new versions
    // of that file and of one the site left alone, a new file, and drops the link.
    WriteFile(InCopy("a.txt"), "edited by the site");
    WriteFile(InCopy("page.txt"), "the site's page");
    chmod((src / "a.txt").c_str(), 0644);
    WriteFile(src / "a.txt", "a2");
    WriteFile(src / "sub/b.txt", "b2");
    WriteFile(src / "sub/c.txt", "c1");
    std::filesystem::remove(src / "l");
    r = Sync();
    ASSERT_TRUE(r.Complete) << r.Error;
    EXPECT_EQ(ReadFile(InCopy("a.txt")), "edited by the site");
    EXPECT_EQ(ReadFile(InCopy("sub/b.txt")), "b2");
    EXPECT_EQ(ReadFile(InCopy("sub/c.txt")), "c1");
    EXPECT_EQ(ReadFile(InCopy("page.txt")), "the site's page");
    EXPECT_FALSE(std::filesystem::is_symlink(InCopy("l")));
    EXPECT_EQ(Conflicts(r), (decltype(Conflicts(r)){{TTreeConflict::ChangedInCopy, "a.txt"}}));

    // Said once; a newer version of the package is a conflict again, and still the site's.
    r = Sync();
    EXPECT_TRUE(r.Conflicts.empty());
    WriteFile(src / "a.txt", "a3");
    r = Sync();
    EXPECT_EQ(Conflicts(r), (decltype(Conflicts(r)){{TTreeConflict::ChangedInCopy, "a.txt"}}));
    EXPECT_EQ(ReadFile(InCopy("a.txt")), "edited by the site");

    // A file the site made where the package now brings one, and a shipped file the site
    // removed: both stay as the site has them.
    WriteFile(InCopy("sub/mine.txt"), "mine");
    WriteFile(src / "sub/mine.txt", "the package's");
    std::filesystem::remove(InCopy("sub/c.txt"));
    WriteFile(src / "sub/c.txt", "c2");
    r = Sync();
    EXPECT_EQ(Conflicts(r), (decltype(Conflicts(r)){{TTreeConflict::RemovedInCopy, "sub/c.txt"},
                                                    {TTreeConflict::MadeInCopy, "sub/mine.txt"}}));
    EXPECT_EQ(ReadFile(InCopy("sub/mine.txt")), "mine");
    EXPECT_FALSE(PathExists(InCopy("sub/c.txt")));
}

TEST_F(TreeSyncTest, WhatThePackageDroppedGoesUnlessTheSiteChangedIt) {
    std::filesystem::create_directories(src / "old/empty");
    WriteFile(src / "old/x.txt", "x");
    WriteFile(src / "gone.txt", "g");
    WriteFile(src / "kept.txt", "k");
    ASSERT_TRUE(Sync().Complete);
    WriteFile(InCopy("kept.txt"), "changed by the site");
    WriteFile(InCopy("old/upload.jpg"), "the site's");
    for (const char* name : {"old", "gone.txt", "kept.txt"})
        std::filesystem::remove_all(src / name);
    const TTreeSyncResult r = Sync();
    ASSERT_TRUE(r.Complete) << r.Error;
    EXPECT_FALSE(PathExists(InCopy("gone.txt")));
    EXPECT_FALSE(PathExists(InCopy("old/x.txt")));
    EXPECT_FALSE(PathExists(InCopy("old/empty")));
    EXPECT_EQ(ReadFile(InCopy("kept.txt")), "changed by the site");
    EXPECT_EQ(ReadFile(InCopy("old/upload.jpg")), "the site's");
    EXPECT_EQ(r.Removed, 3u);
    EXPECT_EQ(Conflicts(r), (decltype(Conflicts(r)){{TTreeConflict::GoneChanged, "kept.txt"},
                                                    {TTreeConflict::GoneNotEmpty, "old"}}));
    EXPECT_TRUE(Sync().Conflicts.empty());
}

TEST_F(TreeSyncTest, ACopyCutShortIsNeverTakenAsWholeAndTheNextCallFinishesIt) {
    // Killed during the first copy: a staging folder with part of it, no copy.
    std::filesystem::create_directories(TreeSyncStaging(Copy()) + "/sub");
    WriteFile(TreeSyncStaging(Copy()) + "/sub/b.txt", "b");
    TTreeSyncResult r = Sync();
    ASSERT_TRUE(r.Complete) << r.Error;
    EXPECT_EQ(ReadFile(InCopy("sub/b.txt")), "b1");
    EXPECT_FALSE(PathExists(TreeSyncStaging(Copy())));

    // Killed while an update was moved in: one new version is in place, the other not, and the
    // record still tells the earlier version and that the copy is between two.
    const std::string before = ReadFile(dir / "www.record");
    chmod((src / "a.txt").c_str(), 0644);
    WriteFile(src / "a.txt", "a2");
    WriteFile(src / "sub/b.txt", "b2");
    WriteFile(InCopy("a.txt"), "a2");
    std::optional<TCopyRecord> record = ParseCopyRecord(before);
    ASSERT_TRUE(record);
    record->Complete = false;
    WriteFile(dir / "www.record", FormatCopyRecord(*record));
    r = Sync();
    ASSERT_TRUE(r.Complete) << r.Error;
    EXPECT_TRUE(r.Conflicts.empty()); // the new version in place is known as the package's
    EXPECT_EQ(ReadFile(InCopy("a.txt")), "a2");
    EXPECT_EQ(ReadFile(InCopy("sub/b.txt")), "b2");
    EXPECT_TRUE(ParseCopyRecord(ReadFile(dir / "www.record"))->Complete);
    // And it is the package's from then on: its next version comes in.
    WriteFile(src / "a.txt", "a3");
    EXPECT_TRUE(Sync().Conflicts.empty());
    EXPECT_EQ(ReadFile(InCopy("a.txt")), "a3");
}

TEST_F(TreeSyncTest, AFullDiskLeavesTheCopyAsItWasAndSaysSo) {
    if (geteuid() != 0)
        GTEST_SKIP() << "a small disk of its own needs the administrator";
    ASSERT_EQ(mount("quindle-test", dir.Path().c_str(), "tmpfs", 0, "size=64k"), 0);
    struct Unmount {
        std::string Path;
        ~Unmount() { umount2(Path.c_str(), MNT_DETACH); }
    } unmount{dir.Path()};
    WriteFile(src / "big.bin", std::string(200 * 1024, 'x'));
    // The first copy does not fit: nothing to serve, nothing left behind.
    TTreeSyncResult r = Sync();
    EXPECT_FALSE(r.Complete);
    EXPECT_TRUE(r.OutOfSpace) << r.Error;
    EXPECT_FALSE(r.EarlierCopyWhole);
    EXPECT_FALSE(PathExists(Copy()));
    EXPECT_FALSE(PathExists(TreeSyncStaging(Copy())));

    // A copy that fits, edited by the site; then a new version that does not.
    std::filesystem::remove(src / "big.bin");
    ASSERT_TRUE(Sync().Complete);
    WriteFile(InCopy("a.txt"), "the site's edit");
    const std::string record = ReadFile(dir / "www.record");
    WriteFile(src / "sub/b.txt", "b2");
    WriteFile(src / "big.bin", std::string(200 * 1024, 'y'));
    r = Sync();
    EXPECT_FALSE(r.Complete);
    EXPECT_TRUE(r.OutOfSpace) << r.Error;
    EXPECT_TRUE(r.EarlierCopyWhole);
    EXPECT_NE(r.Error.find(TreeSyncStaging(Copy())), std::string::npos) << r.Error;
    EXPECT_EQ(ReadFile(InCopy("a.txt")), "the site's edit");
    EXPECT_EQ(ReadFile(InCopy("sub/b.txt")), "b1"); // no half of the new version
    EXPECT_EQ(ReadFile(dir / "www.record"), record);
    EXPECT_FALSE(PathExists(TreeSyncStaging(Copy())));
}

TEST_F(TreeSyncTest, TheCopyOfAnotherAccountIsItsOwnAndItsLinksLeadNowhereElse) {
    if (geteuid() != 0)
        GTEST_SKIP() << "files of another account need the administrator";
    owner = "nobody";
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    chmod(dir.Path().c_str(), 0711);
    ASSERT_TRUE(Sync().Complete);
    EXPECT_EQ(StatOf(InCopy("sub/b.txt")).st_uid, nobody->pw_uid);
    EXPECT_EQ(StatOf(Copy()).st_uid, nobody->pw_uid);
    EXPECT_EQ(StatOf(dir / "www.record").st_uid, 0u); // ours: the account cannot change it

    // The site swaps a folder of its copy for a link to a folder of the administrator's; the
    // package's next file for that folder must not land there.
    TempDir theirs;
    chmod(theirs.Path().c_str(), 0755);
    std::filesystem::remove_all(InCopy("sub"));
    ASSERT_EQ(symlink(theirs.Path().c_str(), InCopy("sub").c_str()), 0);
    WriteFile(src / "sub/new.txt", "new");
    const TTreeSyncResult r = Sync();
    EXPECT_TRUE(r.Complete) << r.Error;
    EXPECT_FALSE(PathExists(theirs / "new.txt"));
    ASSERT_EQ(r.Conflicts.size(), 1u);
    EXPECT_EQ(r.Conflicts[0].Kind, TTreeConflict::NotPlaced);
}

TEST(CopyRecord, ReadsWhatItWroteAndNothingThatLeavesTheFolder) {
    TCopyRecord record;
    record.Complete = false;
    record.Entries["a b/c\nd\\e"] = {{TEntryKind::File, 12, -5},
                                     TEntryStamp{TEntryKind::File, 12, 7}};
    record.Entries["dir"] = {{TEntryKind::Folder, 0, 0}, TEntryStamp{TEntryKind::Folder, 0, 0}};
    record.Entries["site's"] = {{TEntryKind::Link, 3, 99}, std::nullopt};
    const std::optional<TCopyRecord> back = ParseCopyRecord(FormatCopyRecord(record));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->Complete);
    ASSERT_EQ(back->Entries.size(), 3u);
    EXPECT_EQ(back->Entries.at("a b/c\nd\\e").Copy->ModifiedNs, 7);
    EXPECT_EQ(back->Entries.at("a b/c\nd\\e").Source.ModifiedNs, -5);
    EXPECT_FALSE(back->Entries.at("site's").Copy);

    // Damaged lines, and paths that would leave the folder, are left out; a last line without
    // its end was cut short.
    const auto parsed = ParseCopyRecord("quindle-copy 1 complete\n"
                                        "f 1 2 1 2 ../../etc/passwd\n"
                                        "f 1 2 1 2 /etc/passwd\n"
                                        "f 1 2 1 2 a//b\n"
                                        "f 1 2 1 2 a/./b\n"
                                        "x 1 2 1 2 kind\n"
                                        "f 1 two 1 2 number\n"
                                        "f 1 2 1 2 bad\\escape\n"
                                        "f 1 2 - - good\n"
                                        "f 1 2 1 2 cut");
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->Entries.size(), 1u);
    EXPECT_TRUE(parsed->Entries.count("good"));
    EXPECT_FALSE(ParseCopyRecord("something else\n"));
    EXPECT_FALSE(ParseCopyRecord("quindle-copy 1 maybe\n"));
}
