// Folders on POSIX: the program folder from /proc/self/exe, the XDG folders for the shell's
// special folders, and the file system type and mount state for the drive questions.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quindle {
namespace {

constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;
constexpr long kFuseMagic = 0x65735546;

// A mount point as /proc/self/mountinfo writes it: blanks, tabs, newlines and backslashes as
// three octal digits after a backslash.
std::string UnescapeMountField(const std::string& Field) {
    std::string out;
    for (std::size_t i = 0; i < Field.size(); ++i) {
        if (Field[i] == '\\' && i + 3 < Field.size()) {
            const std::string digits = Field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += char(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += Field[i];
    }
    return out;
}

// The file system type ("fuse.fuseiso", ...) of the mount that holds the existing Path: the one
// with the longest mount point above it, the later of equal ones (mounted on top).
std::string MountTypeOf(const std::string& Path) {
    std::error_code ec;
    const std::string path = std::filesystem::canonical(Path, ec).string();
    if (ec)
        return std::string();
    std::ifstream in("/proc/self/mountinfo");
    std::string line, type;
    std::size_t best = 0;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional fields] - type source ...
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, field;
        fields >> id >> parent >> device >> root >> mountPoint;
        while (fields >> field && field != "-") {
        }
        std::string fsType;
        fields >> fsType;
        mountPoint = UnescapeMountField(mountPoint);
        const bool above =
            mountPoint == "/" || path == mountPoint ||
            (path.size() > mountPoint.size() &&
             path.compare(0, mountPoint.size(), mountPoint) == 0 && path[mountPoint.size()] == '/');
        if (above && mountPoint.size() >= best) {
            best = mountPoint.size();
            type = fsType;
        }
    }
    return type;
}

std::string HomeDir() {
    if (const char* h = std::getenv("HOME"); h && *h)
        return ExcludeTrailingPathDelimiter(h);
    if (passwd* pw = getpwuid(geteuid()); pw && pw->pw_dir)
        return ExcludeTrailingPathDelimiter(pw->pw_dir);
    return std::string();
}

std::string XdgDataHome() {
    if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d == '/')
        return ExcludeTrailingPathDelimiter(d);
    const std::string home = HomeDir();
    return home.empty() ? std::string() : home + "/.local/share";
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs, with $HOME expanded; empty when not set there.
std::string XdgDocumentsDir() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string file =
        (config && *config == '/' ? std::string(config) : HomeDir() + "/.config") +
        "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = HomeDir() + value.substr(5);
        return value.empty() || value[0] != '/' ? std::string() : value;
    }
    return std::string();
}

std::string DocumentsDir() {
    const std::string xdg = XdgDocumentsDir();
    if (!xdg.empty() && DirectoryExists(xdg))
        return ExcludeTrailingPathDelimiter(xdg);
    const std::string home = HomeDir();
    if (!home.empty() && DirectoryExists(home + "/Documents"))
        return home + "/Documents";
    return home;
}

// The name under /dev/disk/by-label of the block device behind dev, or empty.
std::string LabelOfDevice(dev_t dev) {
    std::string label;
    DIR* d = opendir("/dev/disk/by-label");
    if (!d)
        return label;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        struct stat st;
        const std::string link = std::string("/dev/disk/by-label/") + e->d_name;
        if (stat(link.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && st.st_rdev == dev) {
            // udev writes blanks and other specials as \xNN.
            const std::string raw = e->d_name;
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x') {
                    label += char(std::strtol(raw.substr(i + 2, 2).c_str(), nullptr, 16));
                    i += 3;
                } else {
                    label += raw[i];
                }
            }
            break;
        }
    }
    closedir(d);
    return label;
}

} // namespace

std::string TKo::GetAppFileName() {
    // Taken once: a running program whose file is replaced keeps the path it started from.
    static const std::string path = [] {
        char buf[PATH_MAX];
        const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        std::string p = n > 0 ? std::string(buf, std::size_t(n)) : std::string();
        const std::string deleted = " (deleted)";
        if (p.size() > deleted.size() &&
            p.compare(p.size() - deleted.size(), deleted.size(), deleted) == 0)
            p.resize(p.size() - deleted.size());
        return p;
    }();
    return path;
}

std::string TKo::ExpandAppRelativePath(const std::string& Path) {
    const std::string appDir = Trim(GetAppDir());
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd) || Trim(cwd) != appDir) {
        if (chdir(appDir.c_str()) != 0 || !getcwd(cwd, sizeof cwd))
            cwd[0] = '\0';
    }
    if (Path.empty())
        return std::string();
    std::filesystem::path p(Path);
    if (p.is_relative())
        p = std::filesystem::path(cwd[0] ? std::string(cwd) : appDir) / p;
    return p.lexically_normal().string();
}

std::string TKo::GetSpecialFolder(int Csidl) {
    switch (Csidl) {
    case CSIDL_COMMON_APPDATA: {
        const std::string base = XdgDataHome();
        return base.empty() ? std::string() : base + "/quindle";
    }
    case CSIDL_PERSONAL:
        return DocumentsDir();
    default:
        return std::string();
    }
}

std::string TKo::GetTempDir() {
    if (const char* t = std::getenv("TMPDIR"); t && *t == '/' && DirectoryExists(t))
        return ExcludeTrailingPathDelimiter(t);
    return "/tmp";
}

std::string TKo::GetWindowsDir() {
    return std::string();
}

std::string TKo::GetLoginName() {
    if (passwd* pw = getpwuid(geteuid()); pw && pw->pw_name)
        return Trim(pw->pw_name);
    if (const char* u = std::getenv("LOGNAME"))
        return Trim(u);
    return std::string();
}

bool TKo::IsRunningFromCD(const std::string& Drive) {
    const std::string path = Drive.empty() ? GetAppFileName() : ResolvePathCase(Drive);
    struct statfs fs;
    if (path.empty() || statfs(path.c_str(), &fs) != 0)
        return false;
    if (long(fs.f_type) == kIso9660Magic || long(fs.f_type) == kUdfMagic)
        return true;
    // Without the kernel's disc file systems, a desktop mounts a disc image in user space.
    return long(fs.f_type) == kFuseMagic && MountTypeOf(path) == "fuse.fuseiso";
}

std::optional<std::string> TKo::GetVolumeLabel(const std::string& Path) {
    const std::string path = ResolvePathCase(Trim(Path));
    struct stat st;
    struct statvfs vfs;
    if (path.empty() || stat(path.c_str(), &st) != 0 || statvfs(path.c_str(), &vfs) != 0)
        return std::nullopt;
    return LabelOfDevice(st.st_dev);
}

bool TKo::IsDriveReady(const std::string& Path) {
    return GetVolumeLabel(Path).has_value();
}

} // namespace quindle
