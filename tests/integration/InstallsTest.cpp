// The demo package installed as real sites meet it: in a folder its user cannot write, with a
// site that writes into its own folder, and started by the administrator from a home no other
// account can enter.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using namespace quindle;
using namespace quindle::test;

namespace {

// A site that keeps what its visitors write beside its own code, as a wiki or a blog's media
// folder does, with its shipped files.
void AddNotesSite(PackageCopy& Package, int Port) {
    CopyFile(QUINDLE_SOURCE_DIR "/tests/integration/fresh-root/site/fresh-notes.php",
             Package.Path("www/notes.php"));
    std::filesystem::create_directories(Package.Path("www/pages"));
    WriteFile(Package.Path("www/pages/Home.txt"), "home 1");
    WriteFile(Package.Path("www/notice.txt"), "notice 1");
    WriteFile(Package.Path("www/gone.txt"), "gone 1");
    Package.SetConfig("[INI]\r\ntitle=Notes\r\nport=" + std::to_string(Port) +
                      "\r\nip=127.0.0.1\r\ncopyfilestoharddisk=1\r\nbrand=0");
}

std::string Get(const PackageRun& Run, const std::string& Path) {
    return HttpRequest(Run.WebPort(), "GET", Path).body;
}

struct stat StatOf(const std::string& Path) {
    struct stat st {};
    lstat(Path.c_str(), &st);
    return st;
}

std::size_t Count(const std::string& Text, const std::string& Part) {
    std::size_t n = 0;
    for (auto at = Text.find(Part); at != std::string::npos; at = Text.find(Part, at + 1))
        ++n;
    return n;
}

} // namespace

class Installs : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "another account, and the administrator's run, need the administrator";
    }
    TempDir home;
};

TEST_F(Installs, ASiteWritesIntoItsOwnFolderWhereItsUserCannotAcrossARestartAndAnUpgrade) {
    PackageCopy package; // the administrator's: no other account can write in it
    AddNotesSite(package, 24310);
    const passwd* user = getpwnam("nobody");
    ASSERT_NE(user, nullptr);
    PackageRun run(package, home / "user");
    ASSERT_EQ(chown((home / "user").c_str(), user->pw_uid, user->pw_gid), 0);
    run.RunAs("nobody");
    const std::string copy = run.DataDir() + "/www";

    run.StartAndWaitForSite();
    EXPECT_EQ(Get(run, "/notes.php?write=Mine.txt&text=mine"), "written") << run.Log();
    EXPECT_EQ(Get(run, "/notes.php?notice=the+site"), "written");
    EXPECT_EQ(Get(run, "/notes.php?read=pages/Mine.txt"), "mine");
    EXPECT_EQ(StatOf(copy + "/pages/Mine.txt").st_uid, user->pw_uid);
    EXPECT_FALSE(PathExists(package.Path("www/pages/Mine.txt")));
    EXPECT_EQ(ReadFile(package.Path("www/notice.txt")), "notice 1");
    ASSERT_TRUE(run.ShutDownAndWait());

    // What the site wrote is there after a restart.
    run.StartAndWaitForSite();
    EXPECT_EQ(Get(run, "/notes.php?read=pages/Mine.txt"), "mine");
    EXPECT_EQ(Get(run, "/notes.php?read=notice.txt"), "the site");
    ASSERT_TRUE(run.ShutDownAndWait());

    // A newer package: a file the site changed, one it left alone, a new one, one dropped.
    WriteFile(package.Path("www/notice.txt"), "notice 2");
    WriteFile(package.Path("www/pages/Home.txt"), "home 2");
    WriteFile(package.Path("www/new.txt"), "new 2");
    std::filesystem::remove(package.Path("www/gone.txt"));
    run.StartAndWaitForSite();
    EXPECT_EQ(Get(run, "/notes.php?read=notice.txt"), "the site");
    EXPECT_EQ(Get(run, "/notes.php?read=pages/Home.txt"), "home 2");
    EXPECT_EQ(Get(run, "/notes.php?read=new.txt"), "new 2");
    EXPECT_EQ(Get(run, "/notes.php?read=gone.txt"), "missing");
    EXPECT_EQ(Get(run, "/notes.php?read=pages/Mine.txt"), "mine");
    ASSERT_TRUE(run.ShutDownAndWait());
    const std::string conflict = "The package brings a new version of notice.txt, but the site has "
                                 "changed its own copy in " +
                                 copy + ": the site's version is kept.";
    EXPECT_EQ(Count(run.Log(), conflict), 1u) << run.Log();

    // Said once.
    run.StartAndWaitForSite();
    ASSERT_TRUE(run.ShutDownAndWait());
    EXPECT_EQ(Count(run.Log(), conflict), 1u) << run.Log();
}

TEST_F(Installs,
       TheAdministratorsRunFromAClosedHomeKeepsSessionsUploadsMailAndTheSiteForTheWebServer) {
    PackageCopy package;
    AddNotesSite(package, 24320);
    for (const char* page :
         {"fresh-session.php", "fresh-upload.php", "fresh-mail.php", "fresh-database.php"})
        CopyFile(QUINDLE_SOURCE_DIR "/tests/integration/fresh-root/site/" + std::string(page),
                 package.Path("www/" + std::string(page)));
    PackageRun run(package, home / "root");
    chmod((home / "root").c_str(), 0700); // as /root is
    const passwd* web = getpwnam("www-data");
    ASSERT_NE(web, nullptr);
    const std::string machine = "/var/lib/quindle/" + ExtractFileName(run.DataDir());
    struct Remove {
        std::string Path;
        ~Remove() { std::filesystem::remove_all(Path); }
    } remove{machine};

    run.StartAndWaitForSite();
    // The web server's account has folders of its own that nobody else can look into.
    EXPECT_EQ(StatOf(machine).st_uid, 0u);
    EXPECT_EQ(StatOf(machine).st_mode & 0777, 0711u);
    for (const char* folder : {"sessions", "uploads", "outbox", "www"}) {
        EXPECT_EQ(StatOf(machine + "/" + folder).st_uid, web->pw_uid) << folder;
        EXPECT_EQ(StatOf(machine + "/" + folder).st_mode & 0777, 0700u) << folder;
    }

    // The database by its socket (localhost) and by its address, with both drivers.
    ASSERT_TRUE(run.WaitForDatabase()) << run.Log();
    EXPECT_EQ(Count(Get(run, "/fresh-database.php"), "=ok\n"), 4u)
        << Get(run, "/fresh-database.php");

    // A session counted over three requests.
    std::string cookie;
    for (int n = 1; n <= 3; ++n) {
        const HttpReply reply = HttpRequest(run.WebPort(), "GET", "/fresh-session.php", "",
                                            cookie.empty() ? std::vector<std::string>()
                                                           : std::vector<std::string>{cookie});
        EXPECT_EQ(reply.body, "count=" + std::to_string(n) + " in " + machine + "/sessions")
            << run.Log();
        const auto set = reply.headers.find("Set-Cookie: ");
        if (cookie.empty() && set != std::string::npos)
            cookie = "Cookie: " +
                     reply.headers.substr(set + 12, reply.headers.find(';', set) - set - 12);
    }

    // An upload.
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += char(i * 7919 % 251);
    const std::string body =
        "--b0undary\r\nContent-Disposition: form-data; name=\"file\"; "
        "filename=\"p.bin\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
        bytes + "\r\n--b0undary--\r\n";
    EXPECT_EQ(HttpRequest(run.WebPort(), "POST", "/fresh-upload.php", body,
                          {"Content-Type: multipart/form-data; boundary=b0undary"})
                  .body,
              "md5=" + TKo::MD5Hex(bytes) + " in " + machine + "/uploads");

    // A mail without a relay is kept, for the web server's account alone.
    EXPECT_EQ(Get(run, "/fresh-mail.php"), "not sent");
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(machine + "/outbox"))
        kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(ReadFile(kept[0]).find("Subject: From a fresh root"), std::string::npos);
    EXPECT_EQ(StatOf(kept[0]).st_uid, web->pw_uid);
    EXPECT_EQ(StatOf(kept[0]).st_mode & 0777, 0600u);

    // The site writes into its own folder, which is the web server's copy.
    EXPECT_EQ(Get(run, "/notes.php?write=Mine.txt&text=mine"), "written");
    EXPECT_EQ(StatOf(machine + "/www/pages/Mine.txt").st_uid, web->pw_uid);

    ASSERT_TRUE(run.ShutDownAndWait());
    EXPECT_EQ(run.Log().find("Error: "), std::string::npos) << run.Log();
}
