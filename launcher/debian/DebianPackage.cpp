#include "launcher/debian/DebianPackage.h"
#include "kit/Exceptions.h"
#include "kit/IconImages.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "launcher/debian/DesktopFiles.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <set>
#include <sstream>

namespace quindle {

const char* const kDesktopDependencies =
    "libc6 (>= 2.36), libstdc++6 (>= 12), libgcc-s1, libgl1, libegl1, libglx0, libopengl0, "
    "libx11-6, libx11-xcb1, libxext6, libxrender1, libxcb1, libxcb-glx0, libxcb-randr0, "
    "libxcb-render0, libxcb-shape0, libxcb-shm0, libxcb-sync1, libxcb-xfixes0, libxcb-xkb1, "
    "libxkbcommon0, libxkbcommon-x11-0, libwayland-client0, libwayland-cursor0, libwayland-egl1";

namespace {

namespace fs = std::filesystem;

// One member of an archive being written; what goes wrong names the archive's file.
class TArchive {
public:
    TArchive(const std::string& File, bool Ar) : file_(File), a_(archive_write_new()) {
        const int format =
            Ar ? archive_write_set_format_ar_bsd(a_) : archive_write_set_format_gnutar(a_);
        if (format != ARCHIVE_OK ||
            (!Ar &&
             (archive_write_add_filter_xz(a_) != ARCHIVE_OK ||
              archive_write_set_filter_option(a_, "xz", "compression-level", "2") != ARCHIVE_OK ||
              archive_write_set_filter_option(a_, "xz", "threads", "0") != ARCHIVE_OK)) ||
            archive_write_open_filename(a_, File.c_str()) != ARCHIVE_OK)
            Fail();
    }
    ~TArchive() { archive_write_free(a_); }
    TArchive(const TArchive&) = delete;
    TArchive& operator=(const TArchive&) = delete;

    void Folder(const std::string& Path) { Add(Path, AE_IFDIR, 0755, nullptr, 0, {}); }
    void File(const std::string& Path, const std::string& Bytes, int Mode = 0644) {
        Add(Path, AE_IFREG, Mode, Bytes.data(), Bytes.size(), {});
    }
    void Link(const std::string& Path, const std::string& Target) {
        Add(Path, AE_IFLNK, 0777, nullptr, 0, Target);
    }
    void Close() {
        if (archive_write_close(a_) != ARCHIVE_OK)
            Fail();
    }

private:
    void Add(const std::string& Path, unsigned Type, int Mode, const char* Data, std::size_t Size,
             const std::string& Target) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, Path.c_str());
        archive_entry_set_filetype(e, Type);
        archive_entry_set_perm(e, Mode);
        archive_entry_set_size(e, la_int64_t(Size));
        archive_entry_set_uid(e, 0);
        archive_entry_set_gid(e, 0);
        archive_entry_set_uname(e, "root");
        archive_entry_set_gname(e, "root");
        archive_entry_set_mtime(e, std::time(nullptr), 0);
        if (!Target.empty())
            archive_entry_set_symlink(e, Target.c_str());
        const bool written = archive_write_header(a_, e) == ARCHIVE_OK &&
                             (Size == 0 || archive_write_data(a_, Data, Size) == la_ssize_t(Size));
        archive_entry_free(e);
        if (!written)
            Fail();
    }
    [[noreturn]] void Fail() {
        const char* why = archive_error_string(a_);
        throw Exception("Unable to write " + file_ + ": " + (why ? why : "unknown error"));
    }

    std::string file_;
    archive* a_;
};

// Debian's compressed documents: gzip at its best, with no time in the header.
std::string Gzip(const std::string& Text) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw Exception("Unable to compress the changelog");
    std::string out(deflateBound(&z, uLong(Text.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Text.data()));
    z.avail_in = uInt(Text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    const int done = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (done != Z_STREAM_END)
        throw Exception("Unable to compress the changelog");
    return out;
}

std::string Year() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    return std::to_string(1900 + utc.tm_year);
}

// The time as Debian's changelog writes it (RFC 5322).
std::string ChangelogDate() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
    return text;
}

// Whether an entry at the top of the built folder is the desktop's (installed elsewhere), a
// disc's, or an earlier Debian package: none of them goes to /opt.
bool LeftOut(const fs::path& Entry, const std::string& Name) {
    const std::string file = Entry.filename().string();
    return file == "icons" || file == Name + ".desktop" || file == "autorun.inf" ||
           Entry.extension() == ".deb" || Entry.extension() == ".part";
}

// The data archive with the md5sums of its files, which dpkg checks what it installed against.
class TDataArchive {
public:
    explicit TDataArchive(const std::string& File) : tar_(File, false) {}
    void Folder(const std::string& Path) { tar_.Folder(Path); }
    void Link(const std::string& Path, const std::string& Target) { tar_.Link(Path, Target); }
    void File(const std::string& Path, const std::string& Bytes, int Mode = 0644) {
        tar_.File(Path, Bytes, Mode);
        md5sums_ << TKo::MD5Hex(Bytes) << "  " << Path.substr(2) << "\n";
    }
    // The md5sums file.
    std::string Close() {
        tar_.Close();
        return md5sums_.str();
    }

private:
    TArchive tar_;
    std::ostringstream md5sums_;
};

// What the package's own files take once installed, for the control file.
struct TInstalledSize {
    std::uintmax_t Bytes = 0, Entries = 0;
    std::uintmax_t KiB() const { return Bytes / 1024 + Entries + 1; }
};

// The built folder below Opt, in the order of its names, so that two builds of one folder are
// alike.
TInstalledSize AddPackageFiles(TDataArchive& Tar, const TDebianPackage& Package,
                               const std::string& Opt) {
    const fs::path folder(Package.Folder);
    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(folder), end; it != end; ++it) {
        if (it.depth() == 0 && LeftOut(it->path(), Package.Name)) {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    TInstalledSize size;
    for (const fs::path& file : files) {
        const std::string inside = Opt + "/" + fs::relative(file, folder).generic_string();
        ++size.Entries;
        if (fs::is_directory(file)) {
            Tar.Folder(inside + "/");
            continue;
        }
        const std::string content = TKo::ReadTextFile(file.string());
        const bool runs =
            (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
        Tar.File(inside, content, runs ? 0755 : 0644);
        size.Bytes += content.size();
    }
    return size;
}

// The command of the package's name, its menu entry and its icons.
void AddDesktopFiles(TDataArchive& Tar, const TDebianPackage& Package) {
    const std::string& name = Package.Name;
    Tar.Link("./usr/bin/" + name, "/opt/" + name + "/runme");
    Tar.File("./usr/share/applications/" + name + ".desktop", Package.MenuEntry);
    const std::string icons = "./usr/share/icons/";
    Tar.Folder(icons);
    std::set<std::string> made;
    for (const auto& [path, png] : Package.Icons) {
        // Each folder of the path once, before what it holds.
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1))
            if (made.insert(path.substr(0, slash + 1)).second)
                Tar.Folder(icons + path.substr(0, slash + 1));
        Tar.File(icons + path, png);
    }
}

void AddDocuments(TDataArchive& Tar, const TDebianPackage& Package, const std::string& Doc) {
    const std::string copyright = Package.Title + " (" + Package.Name + ")\n\nCopyright " + Year() +
                                  " " + Package.Maintainer + "\n\n" + Package.Title +
                                  " is distributed by its author under the author's own terms.\n";
    Tar.File(Doc + "/copyright", copyright);
    Tar.File(Doc + "/changelog.gz",
             Gzip(Package.Name + " (" + Package.Version + ") unstable; urgency=medium\n\n  * " +
                  Package.Title + " " + Package.Version + ".\n\n -- " + Package.Maintainer + "  " +
                  ChangelogDate() + "\n"));
}

// What Debian's checker says of software for its own archive, and why it does not hold for a
// package that keeps all it runs in one folder of its own.
void AddLintianOverrides(TDataArchive& Tar, const std::string& Name) {
    const std::string overrides =
        "# Add-on software keeps its files in /opt/<name>, as the FHS provides for.\n" + Name +
        ": dir-or-file-in-opt\n" +
        "# The package carries the libraries it runs with: it runs on any desktop as built.\n" +
        Name + ": embedded-library\n" +
        "# The program carries its resources after its last byte: stripping would drop "
        "them.\n" +
        Name + ": unstripped-binary-or-object\n" +
        "# A bundled library that needs only the C++ runtime names no C library itself.\n" + Name +
        ": library-not-linked-against-libc\n" +
        "# The bundled mount and block-device libraries name the pager of the system's "
        "tools, which nothing of the package starts.\n" +
        Name + ": missing-depends-on-sensible-utils\n";
    for (const char* dir : {"./usr/share/lintian/", "./usr/share/lintian/overrides/"})
        Tar.Folder(dir);
    Tar.File("./usr/share/lintian/overrides/" + Name, overrides);
}

struct TDataWritten {
    std::string Md5sums;
    TInstalledSize Size;
};

TDataWritten WriteData(const TDebianPackage& Package, const std::string& File) {
    const std::string opt = "./opt/" + Package.Name;
    const std::string doc = "./usr/share/doc/" + Package.Name;
    TDataArchive tar(File);
    for (const char* dir : {"./", "./opt/", "./usr/", "./usr/bin/", "./usr/share/",
                            "./usr/share/applications/", "./usr/share/doc/"})
        tar.Folder(dir);
    tar.Folder(doc + "/");
    tar.Folder(opt + "/");
    const TInstalledSize size = AddPackageFiles(tar, Package, opt);
    AddDesktopFiles(tar, Package);
    AddDocuments(tar, Package, doc);
    AddLintianOverrides(tar, Package.Name);
    return {tar.Close(), size};
}

void WriteControl(const TDebianPackage& Package, const TDataWritten& Data,
                  const std::string& File) {
    const std::string fields =
        "Package: " + Package.Name + "\nVersion: " + Package.Version +
        "\nArchitecture: amd64\nMaintainer: " + Package.Maintainer +
        "\nInstalled-Size: " + std::to_string(Data.Size.KiB()) +
        "\nDepends: " + kDesktopDependencies +
        "\nSection: misc\nPriority: optional\nDescription: " + Package.Title +
        ", a desktop application\n " + Package.Title +
        " as a desktop application: its own web server, PHP and database run\n"
        " while its window is open, and end with it.\n";
    TArchive tar(File, false);
    tar.Folder("./");
    tar.File("./control", fields);
    tar.File("./md5sums", Data.Md5sums);
    tar.Close();
}

void WriteDeb(const std::string& File, const std::string& Control, const std::string& Data) {
    TArchive ar(File, true);
    ar.File("debian-binary", "2.0\n");
    ar.File("control.tar.xz", TKo::ReadTextFile(Control));
    ar.File("data.tar.xz", TKo::ReadTextFile(Data));
    ar.Close();
}

} // namespace

std::vector<std::pair<std::string, std::string>> ThemeIcons(const std::string& Ico,
                                                            const std::string& Name) {
    std::vector<std::pair<std::string, std::string>> icons;
    for (const TBitmap& image : IconImages(Ico)) {
        std::string png = EncodePng(image);
        if (png.empty() || image.Width != image.Height)
            continue;
        const std::string size = std::to_string(image.Width);
        icons.emplace_back("hicolor/" + size + "x" + size + "/apps/" + Name + ".png",
                           std::move(png));
    }
    return icons;
}

std::string WriteDebianPackage(const TDebianPackage& Package, const std::string& OutputDir) {
    if (const std::string problem = VersionProblem(Package.Version); !problem.empty())
        throw Exception(problem);
    const fs::path data = fs::path(OutputDir) / "data.tar.xz.part";
    const fs::path control = fs::path(OutputDir) / "control.tar.xz.part";
    const fs::path deb =
        fs::path(OutputDir) / (Package.Name + "_" + Package.Version + "_amd64.deb");
    WriteControl(Package, WriteData(Package, data.string()), control.string());
    WriteDeb(deb.string(), control.string(), data.string());
    std::error_code ec;
    fs::remove(data, ec);
    fs::remove(control, ec);
    return deb.string();
}

} // namespace quindle
