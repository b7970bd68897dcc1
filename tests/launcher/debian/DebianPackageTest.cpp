// The Debian package of a built package, written through the module's entry as the builder does,
// and read back with libarchive as dpkg would read it.

#include "launcher/debian/DebianPackage.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/debian/DesktopFiles.h"
#include "launcher/modules/Modules.h"
#include "tests/TestSupport.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

using namespace quindle;
using namespace quindle::test;

namespace {

struct Member {
    std::string Path;
    unsigned Type = 0;
    unsigned Mode = 0;
    long Uid = -1;
    std::string Bytes, Target;
};

// The members of an ar or a compressed tar archive held in Bytes.
std::vector<Member> Members(const std::string& Bytes) {
    archive* a = archive_read_new();
    archive_read_support_format_ar(a);
    archive_read_support_format_tar(a);
    archive_read_support_filter_all(a);
    std::vector<Member> members;
    if (archive_read_open_memory(a, Bytes.data(), Bytes.size()) != ARCHIVE_OK) {
        ADD_FAILURE() << archive_error_string(a);
        archive_read_free(a);
        return members;
    }
    archive_entry* e = nullptr;
    while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
        Member m{archive_entry_pathname(e),
                 archive_entry_filetype(e),
                 unsigned(archive_entry_perm(e)),
                 long(archive_entry_uid(e)),
                 "",
                 ""};
        if (const char* target = archive_entry_symlink(e))
            m.Target = target;
        char buffer[65536];
        for (la_ssize_t n; (n = archive_read_data(a, buffer, sizeof buffer)) > 0;)
            m.Bytes.append(buffer, std::size_t(n));
        members.push_back(std::move(m));
    }
    archive_read_free(a);
    return members;
}

const Member* Find(const std::vector<Member>& Members, const std::string& Path) {
    for (const Member& m : Members)
        if (m.Path == Path)
            return &m;
    return nullptr;
}

// "Key: value" lines, and "key=value" lines of a menu entry.
std::map<std::string, std::string> Fields(const std::string& Text, const std::string& Between) {
    std::map<std::string, std::string> fields;
    for (const std::string& line : TextLines(Text))
        if (const std::size_t at = line.find(Between); at != std::string::npos && line[0] != ' ')
            fields[line.substr(0, at)] = line.substr(at + Between.size());
    return fields;
}

std::vector<std::string> FilesEndingIn(const std::string& Folder, const std::string& Suffix) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(Folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= Suffix.size() &&
            name.compare(name.size() - Suffix.size(), Suffix.size(), Suffix) == 0)
            files.push_back(name);
    }
    return files;
}

class DebianPackage : public ::testing::Test {
protected:
    // A package as the builder leaves it, with beside its own files the desktop's, a disc's and
    // an earlier Debian package, none of which belongs in /opt.
    void SetUp() override {
        WriteFile(out / "runme", "#!/bin/sh\necho shop\n");
        chmod((out / "runme").c_str(), 0755);
        ForceDirectories(out / "bin/Apache");
        WriteFile(out / "bin/Apache/httpd.conf", "Listen 80\n");
        chmod((out / "bin/Apache/httpd.conf").c_str(), 0600);
        ForceDirectories(out / "www");
        WriteFile(out / "www/index.php", std::string(10 * 1024, 'x'));
        WriteFile(out / "autorun.inf", "[autorun]\n");
        WriteFile(out / (name + ".desktop"), MenuEntry(title, name));
        WriteFile(out / (name + "_0.9_amd64.deb"), "an earlier package");
    }
    // The module's answer: the package's path, or the reason it was not written.
    std::string Write(const std::string& Version, const std::string& Ico,
                      const std::string& OutputDir, bool& Failed) {
        std::string error;
        const auto write = reinterpret_cast<TDebianPackageEntry>(
            LoadModuleEntry(PACKAGE_MODULE_PATH, kDebianPackageEntry, error));
        Failed = true;
        if (!write) {
            ADD_FAILURE() << error;
            return error;
        }
        TDebianPackage deb{name, title, Version, maintainer, out.Path(), MenuEntry(title, name),
                           {}};
        std::string result;
        write(deb, Ico, OutputDir, result, Failed);
        return result;
    }
    // The package written into the package's own folder with the program's icon, as a build
    // does, and its members.
    std::vector<Member> Written() {
        bool failed = true;
        deb = Write("2.1", ReadFile(QUINDLE_SOURCE_DIR "/resources/CD.ico"), out.Path(), failed);
        EXPECT_FALSE(failed) << deb;
        return Members(ReadFile(deb));
    }
    std::vector<Member> Inner(const std::vector<Member>& Ar, const std::string& Prefix) {
        for (const Member& m : Ar)
            if (m.Path.rfind(Prefix, 0) == 0)
                return Members(m.Bytes);
        ADD_FAILURE() << "no " << Prefix << "*";
        return {};
    }

    TempDir out;
    const std::string title = "Corner Shop";
    const std::string name = SoftwareName(title);
    const std::string maintainer = "Ann Author <ann@example.org>";
    std::string deb;
};

} // namespace

TEST_F(DebianPackage, IsAnArOfDebianBinaryControlAndDataInThatOrder) {
    const std::vector<Member> ar = Written();
    EXPECT_EQ(deb, out / (name + "_2.1_amd64.deb"));
    ASSERT_EQ(ar.size(), 3u);
    EXPECT_EQ(ar[0].Path, "debian-binary");
    EXPECT_EQ(ar[0].Bytes, "2.0\n");
    EXPECT_EQ(ar[1].Path.rfind("control.tar.", 0), 0u) << ar[1].Path;
    EXPECT_EQ(ar[2].Path.rfind("data.tar.", 0), 0u) << ar[2].Path;
    // The parts it was made of are gone; the earlier package is the author's to remove.
    EXPECT_TRUE(FilesEndingIn(out.Path(), ".part").empty());
    EXPECT_EQ(ReadFile(out / (name + "_0.9_amd64.deb")), "an earlier package");
}

TEST_F(DebianPackage, ControlNamesThePackageItsVersionMaintainerAndWhatItNeeds) {
    const std::vector<Member> ar = Written();
    const std::vector<Member> control = Inner(ar, "control.tar.");
    const Member* fields = Find(control, "./control");
    ASSERT_NE(fields, nullptr);
    auto field = Fields(fields->Bytes, ": ");
    EXPECT_EQ(field["Package"], "corner-shop");
    EXPECT_EQ(field["Version"], "2.1");
    EXPECT_EQ(field["Maintainer"], maintainer);
    EXPECT_EQ(field["Architecture"], "amd64");
    EXPECT_NE(field["Description"].find(title), std::string::npos) << fields->Bytes;
    // Each dependency a package name, with a version bound where it has one.
    const std::regex dependency(R"([a-z0-9][a-z0-9+.-]+( \((>=|<=|=|<<|>>) [0-9][^)]*\))?)");
    std::istringstream depends(field["Depends"]);
    int count = 0;
    for (std::string item; std::getline(depends, item, ',');) {
        item.erase(0, item.find_first_not_of(' '));
        EXPECT_TRUE(std::regex_match(item, dependency)) << "'" << item << "'";
        ++count;
    }
    EXPECT_GT(count, 0) << fields->Bytes;
    // In KiB: the 10 KiB page, and not its bytes.
    const int size = std::stoi(field["Installed-Size"]);
    EXPECT_GE(size, 10);
    EXPECT_LT(size, 100);

    // dpkg checks every installed file against md5sums, by its path without "./".
    const Member* sums = Find(control, "./md5sums");
    ASSERT_NE(sums, nullptr);
    const std::vector<std::string> listed = TextLines(sums->Bytes);
    const std::set<std::string> lines(listed.begin(), listed.end());
    std::size_t files = 0;
    for (const Member& m : Inner(ar, "data.tar.")) {
        if (m.Type != AE_IFREG)
            continue;
        ++files;
        EXPECT_EQ(lines.count(TKo::MD5Hex(m.Bytes) + "  " + m.Path.substr(2)), 1u) << m.Path;
    }
    EXPECT_EQ(lines.size(), files);
}

TEST_F(DebianPackage, InstallsThePackageUnderOptWithTheMenuEntryAndIconsItNames) {
    const std::vector<Member> data = Inner(Written(), "data.tar.");
    const std::string opt = "./opt/" + name + "/";
    const Member* runme = Find(data, opt + "runme");
    ASSERT_NE(runme, nullptr);
    EXPECT_EQ(runme->Type, unsigned(AE_IFREG));
    EXPECT_EQ(runme->Mode, 0755u);
    // Installed by the administrator, readable by every user, whatever the author's own modes.
    const Member* conf = Find(data, opt + "bin/Apache/httpd.conf");
    ASSERT_NE(conf, nullptr);
    EXPECT_EQ(conf->Mode, 0644u);
    EXPECT_EQ(conf->Bytes, "Listen 80\n");
    ASSERT_NE(Find(data, opt + "www/index.php"), nullptr);
    EXPECT_EQ(Find(data, opt + "www/index.php")->Bytes, std::string(10 * 1024, 'x'));
    std::set<std::string> seen;
    for (const Member& m : data) {
        EXPECT_EQ(m.Uid, 0) << m.Path;
        if (m.Type == AE_IFDIR) {
            EXPECT_EQ(m.Mode, 0755u) << m.Path;
        }
        // Each folder before what it holds.
        const std::string path =
            m.Path.back() == '/' ? m.Path.substr(0, m.Path.size() - 1) : m.Path;
        if (path != ".") {
            EXPECT_EQ(seen.count(path.substr(0, path.rfind('/') + 1)), 1u) << m.Path;
        }
        seen.insert(m.Path);
        if (m.Path.rfind(opt, 0) == 0) {
            const std::string inside = m.Path.substr(opt.size());
            for (const std::string& other : std::vector<std::string>{
                     "autorun.inf", name + ".desktop", name + "_0.9_amd64.deb", "icons/"})
                EXPECT_NE(inside.rfind(other, 0), 0u) << m.Path;
            EXPECT_EQ(inside.find(".part"), std::string::npos) << m.Path;
        }
    }

    const Member* command = Find(data, "./usr/bin/" + name);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->Type, unsigned(AE_IFLNK));
    EXPECT_EQ(command->Target, "/opt/" + name + "/runme");
    const Member* entry = Find(data, "./usr/share/applications/" + name + ".desktop");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Bytes, MenuEntry(title, name));
    auto line = Fields(entry->Bytes, "=");
    const Member* started = Find(data, "." + line["Exec"]);
    ASSERT_NE(started, nullptr) << line["Exec"];
    EXPECT_EQ(started->Mode, 0755u);
    // The icon the entry names, at each size the program's icon holds, and the same pictures
    // beside the package for a desktop that shows it uninstalled.
    int icons = 0;
    const std::regex icon(R"(\./usr/share/icons/(hicolor/([0-9]+)x\2/apps/)" + line["Icon"] +
                          R"(\.png))");
    for (const Member& m : data) {
        std::smatch match;
        if (!std::regex_match(m.Path, match, icon))
            continue;
        ++icons;
        EXPECT_EQ(m.Bytes.substr(0, 8), "\x89PNG\r\n\x1a\n") << m.Path;
        EXPECT_EQ(m.Mode, 0644u) << m.Path;
        EXPECT_EQ(ReadFile(out / ("icons/" + match[1].str())), m.Bytes) << m.Path;
    }
    EXPECT_GE(icons, 2);
}

TEST_F(DebianPackage, AVersionDebianRefusesIsAFailureAndWritesNoPackage) {
    bool failed = false;
    EXPECT_EQ(Write("2.1\nEssential: yes", "", out.Path(), failed),
              VersionProblem("2.1\nEssential: yes"));
    EXPECT_TRUE(failed);
    EXPECT_EQ(FilesEndingIn(out.Path(), ".deb"), std::vector<std::string>{name + "_0.9_amd64.deb"});
    EXPECT_TRUE(FilesEndingIn(out.Path(), ".part").empty());
}

TEST_F(DebianPackage, AnOutputFolderThatCannotBeWrittenIsAFailureNamingTheFile) {
    TempDir target;
    // The administrator writes past a folder's modes: a file system that is read-only stops him.
    struct Unmount {
        std::string at;
        ~Unmount() {
            if (!at.empty())
                umount2(at.c_str(), MNT_DETACH);
        }
    } unmount;
    if (geteuid() == 0) {
        ASSERT_EQ(mount("tmpfs", target.Path().c_str(), "tmpfs", MS_RDONLY, "size=1m"), 0)
            << strerror(errno);
        unmount.at = target.Path();
    } else {
        chmod(target.Path().c_str(), 0555);
    }
    bool failed = false;
    const std::string result = Write("2.1", "", target.Path(), failed);
    EXPECT_TRUE(failed) << result;
    EXPECT_NE(result.find(target.Path()), std::string::npos) << result;
    EXPECT_TRUE(FilesEndingIn(target.Path(), ".deb").empty());
    chmod(target.Path().c_str(), 0755);
}
