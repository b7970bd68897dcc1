#include "kit/Paths.h"
#include "kit/File.h"
#include "kit/KoClass.h"
#include "kit/Strings.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace quindle {

const char PathDelim = '/';
const char* const ExeSuffix = "";

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The entry of Dir whose name equals Name ignoring case, or empty.
std::string FindEntryIgnoringCase(const std::string& dir, const std::string& name) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return std::string();
    std::string found;
    while (dirent* e = readdir(d)) {
        if (SameText(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

} // namespace

std::string ResolvePathCase(const std::string& Path) {
    if (Path.empty() || Exists(Path))
        return Path;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= Path.size()) {
        const auto pos = Path.find('/', start);
        const auto end = pos == std::string::npos ? Path.size() : pos;
        if (end > start)
            parts.push_back(Path.substr(start, end - start));
        if (pos == std::string::npos)
            break;
        start = pos + 1;
    }
    std::string current = Path[0] == '/' ? "/" : "";
    for (const auto& part : parts) {
        std::string candidate = current + part;
        if (part != "." && part != ".." && !Exists(candidate)) {
            const std::string match = FindEntryIgnoringCase(current, part);
            if (match.empty())
                return Path;
            candidate = current + match;
        }
        current = candidate + "/";
    }
    if (Path.back() != '/' && !current.empty())
        current.pop_back();
    return current;
}

std::string GetShortPath(const std::string& Path) {
    if (Path.empty())
        return std::string();
    const std::string resolved = ResolvePathCase(TKo::ExpandAppRelativePath(Path));
    char buf[PATH_MAX];
    if (!FileExists(resolved) || !realpath(resolved.c_str(), buf))
        return std::string();
    return buf;
}

bool FileExists(const std::string& Path) {
    struct stat st;
    return !Path.empty() && stat(ResolvePathCase(Path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& Path) {
    struct stat st;
    return !Path.empty() && stat(ResolvePathCase(Path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsForeignEntry(const std::string& Path) {
    struct stat st;
    if (Path.empty() || lstat(ResolvePathCase(Path).c_str(), &st) != 0)
        return false;
    return !S_ISREG(st.st_mode) || st.st_uid != geteuid();
}

bool HasReadOnlyAttribute(const std::string& Path) {
    struct stat st;
    return stat(ResolvePathCase(Path).c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool ForceDirectories(const std::string& Path) {
    if (Path.empty())
        return false;
    if (DirectoryExists(Path))
        return true;
    const std::string parent = ExtractFileDir(ExcludeTrailingPathDelimiter(Path));
    if (!parent.empty() && parent != Path && !ForceDirectories(parent))
        return false;
    const std::string name = ExtractFileName(ExcludeTrailingPathDelimiter(Path));
    const std::string target = parent.empty() ? name : JoinPath(ResolvePathCase(parent), name);
    return mkdir(target.c_str(), 0777) == 0 || errno == EEXIST;
}

bool ForcePrivateDirectory(const std::string& Path) {
    if (!ForceDirectories(Path))
        return false;
    return chmod(ResolvePathCase(Path).c_str(), 0700) == 0;
}

bool IsFolderWritable(const std::string& Path) {
    return DirectoryExists(Path) && access(ResolvePathCase(Path).c_str(), W_OK | X_OK) == 0;
}

void WritePrivateFile(const std::string& Path, const std::string& Bytes) {
    const std::string path = ResolvePathCase(Path);
    // A new file: an old one keeps the mode it had, and whoever holds it open.
    if (unlink(path.c_str()) != 0 && errno != ENOENT)
        RaiseFileErrorOn("write", Path, errno);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        RaiseFileErrorOn("write", Path, errno);
    for (std::size_t done = 0; done < Bytes.size();) {
        const ssize_t n = write(fd, Bytes.data() + done, Bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            close(fd);
            unlink(path.c_str());
            RaiseFileErrorOn("write", Path, code);
        }
        done += std::size_t(n);
    }
    if (close(fd) != 0)
        RaiseFileErrorOn("write", Path, errno);
}

bool OwnPrivateDirectory(const std::string& Path) {
    const std::string path = ResolvePathCase(Path);
    const std::string parent = ExtractFileDir(ExcludeTrailingPathDelimiter(path));
    if (!parent.empty() && parent != path && !ForceDirectories(parent))
        return false;
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    // Not a link to elsewhere, and ours: a folder someone else made first is theirs to watch.
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
           ((st.st_mode & 077) == 0 || chmod(path.c_str(), 0700) == 0);
}

} // namespace quindle
