// Silent copy and delete of files, folders and wildcard patterns, and the read-only switch.
// Like the shell operations they stand in for, they neither raise nor report: callers that
// must know look at the disk afterwards.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace quindle {
namespace {

bool HasWildcard(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

// The items a source names: itself, or the entries of its folder that match its pattern.
std::vector<std::string> ExpandSources(const std::string& source) {
    const std::string name = ExtractFileName(source);
    if (!HasWildcard(name)) {
        const std::string path = ResolvePathCase(source);
        struct stat st;
        if (lstat(path.c_str(), &st) == 0)
            return {path};
        return {};
    }
    std::string dir = ExtractFileDir(source);
    dir = ResolvePathCase(dir.empty() ? "." : dir);
    const std::string pattern = name == "*.*" ? "*" : name; // "*.*" also names files without a dot
    std::vector<std::string> items;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string entry = e->d_name;
            if (entry == "." || entry == "..")
                continue;
            if (fnmatch(pattern.c_str(), entry.c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0)
                items.push_back(JoinPath(dir, entry));
        }
        closedir(d);
    }
    return items;
}

bool IsWithin(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(inner, ec), b = fs::weakly_canonical(outer, ec);
    auto [ai, bi] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return bi == b.end();
}

void MakeWritable(const fs::path& p) {
    std::error_code ec;
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow,
                    ec);
}

void CopyItem(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(from, ec);
    if (ec)
        return;
    if (fs::is_symlink(st)) {
        fs::remove(to, ec);
        fs::copy_symlink(from, to, ec);
    } else if (fs::is_directory(st)) {
        const bool created = !fs::is_directory(to, ec) && fs::create_directory(to, ec);
        for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
            CopyItem(it->path(), to / it->path().filename());
        // A read-only source folder (a CD) gives a read-only copy, but only once it is filled.
        if (created)
            fs::permissions(to, st.permissions(), ec);
    } else {
        if (fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec))
            return;
        // An existing copy may be read-only (a tree copied from a CD); it is replaced all the same.
        MakeWritable(to);
        fs::remove(to, ec);
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    }
}

void DeleteItem(const fs::path& p) {
    std::error_code ec;
    if (p.empty() || p == p.root_path())
        return; // never the whole file system
    if (fs::remove_all(p, ec) != static_cast<std::uintmax_t>(-1) && !ec)
        return;
    // Read-only folders keep their entries: make the tree writable and try once more.
    TKo::SetReadOnlyTree(p.string(), false);
    MakeWritable(p.parent_path());
    fs::remove_all(p, ec);
}

bool SetReadOnlyAttribute(const std::string& path, bool readOnly) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    return chmod(path.c_str(), mode) == 0;
}

} // namespace

void TKo::CopyFiles(const std::string& From, const std::string& To) {
    if (From.empty() || To.empty())
        return;
    const bool many = HasWildcard(ExtractFileName(From));
    const std::string target = ResolvePathCase(To);
    std::error_code ec;
    if (many && !fs::is_directory(target, ec))
        fs::create_directories(target, ec);
    const bool intoFolder = fs::is_directory(target, ec);
    for (const auto& item : ExpandSources(From)) {
        const fs::path dest =
            intoFolder ? fs::path(target) / fs::path(item).filename() : fs::path(target);
        if (fs::path(item) == dest || IsWithin(dest, item))
            continue; // a folder copied into itself would never end
        CopyItem(item, dest);
    }
}

void TKo::DeleteFiles(const std::string& Path) {
    if (Path.empty())
        return;
    for (const auto& item : ExpandSources(Path))
        DeleteItem(item);
}

void TKo::DeleteFolder(const std::string& Path) {
    DeleteFiles(Trim(Path));
}

bool TKo::SetReadOnlyTree(const std::string& Path, bool ReadOnly) {
    const std::string path = ResolvePathCase(Path);
    if (!SetReadOnlyAttribute(path, ReadOnly))
        return false;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return true;
    DIR* d = opendir(path.c_str());
    if (!d)
        return false;
    bool result = true;
    while (result) {
        dirent* e = readdir(d);
        if (!e)
            break;
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = JoinPath(path, name);
        struct stat est;
        if (lstat(full.c_str(), &est) != 0) {
            result = false;
        } else if (S_ISLNK(est.st_mode)) {
            continue; // links are not followed out of the tree
        } else if (S_ISDIR(est.st_mode)) {
            result = SetReadOnlyTree(full, ReadOnly);
        } else {
            result = SetReadOnlyAttribute(full, ReadOnly);
        }
    }
    closedir(d);
    return result;
}

} // namespace quindle
