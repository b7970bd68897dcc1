// The copy's file operations on POSIX. Started by the administrator, the copy belongs to the web
// server's account, and its site may have put links anywhere in it: every operation on the copy
// runs with the file-system identity of that account (setfsuid, this thread alone), so the
// kernel refuses what the account itself could not do. The source is read as ourselves.

#include "kit/TreeFiles.h"
#include "kit/Accounts.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace quindle {
namespace {

constexpr std::size_t kBufferBytes = 256 * 1024;

std::int64_t Nanoseconds(const timespec& T) {
    return std::int64_t(T.tv_sec) * 1000000000 + T.tv_nsec;
}

std::optional<TEntryStamp> StampOf(const struct stat& St) {
    if (S_ISREG(St.st_mode))
        return TEntryStamp{TEntryKind::File, std::uint64_t(St.st_size), Nanoseconds(St.st_mtim)};
    if (S_ISLNK(St.st_mode))
        return TEntryStamp{TEntryKind::Link, std::uint64_t(St.st_size), Nanoseconds(St.st_mtim)};
    if (S_ISDIR(St.st_mode))
        return TEntryStamp{TEntryKind::Folder, 0, 0};
    return std::nullopt; // devices, pipes and sockets are no part of a site
}

std::string Reason(int Code) {
    return std::strerror(Code);
}

[[noreturn]] void FailOnSource(const std::string& Path) {
    const int code = errno;
    throw ETreeError("Unable to read " + Path + ": " + Reason(code), code, true);
}

[[noreturn]] void FailOnCopy(const std::string& Path) {
    const int code = errno;
    throw ETreeError("Unable to write " + Path + ": " + Reason(code), code, false);
}

struct TCloser {
    int Fd;
    ~TCloser() {
        if (Fd >= 0)
            close(Fd);
    }
};

void ListFolder(int Fd, const std::string& Prefix, std::vector<TListedEntry>& Out,
                std::vector<std::string>& Unreadable, const std::string& Root) {
    DIR* dir = fdopendir(Fd);
    if (!dir) {
        close(Fd);
        Unreadable.push_back(Root + "/" + Prefix);
        return;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, closedir);
    std::vector<std::pair<std::string, unsigned>> folders;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone while we looked
        const std::optional<TEntryStamp> stamp = StampOf(st);
        if (!stamp)
            continue;
        const std::string path = Prefix.empty() ? name : Prefix + "/" + name;
        Out.push_back({path, *stamp, unsigned(st.st_mode & 07777)});
        if (stamp->Kind == TEntryKind::Folder)
            folders.emplace_back(name, Out.size() - 1);
    }
    for (const auto& [name, index] : folders) {
        const int sub =
            openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) {
            Unreadable.push_back(Root + "/" + Out[index].Path);
            continue;
        }
        const std::string prefix = Out[index].Path; // Out grows below
        ListFolder(sub, prefix, Out, Unreadable, Root);
    }
}

// Copies what is left of From (at its current offset) into To; false when the kernel cannot
// copy between these two files itself.
bool CopyInKernel(int From, int To, const std::string& Target) {
    for (;;) {
        const ssize_t n = copy_file_range(From, nullptr, To, nullptr, 1 << 30, 0);
        if (n > 0)
            continue;
        if (n == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (IsOutOfSpace(errno) || errno == EFBIG || errno == EROFS)
            FailOnCopy(Target);
        return false; // not for these files: the plain way tells which side failed
    }
}

void CopyBytes(int From, int To, const std::string& Source, const std::string& Target) {
    if (CopyInKernel(From, To, Target))
        return;
    std::vector<char> buffer(kBufferBytes);
    for (;;) {
        const ssize_t n = read(From, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            FailOnSource(Source);
        if (n == 0)
            return;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = write(To, buffer.data() + done, std::size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                FailOnCopy(Target);
            done += w;
        }
    }
}

std::string ReadLink(const std::string& Path, bool OnSource) {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = readlink(Path.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            if (OnSource)
                FailOnSource(Path);
            FailOnCopy(Path);
        }
        if (std::size_t(n) < buffer.size())
            return std::string(buffer.data(), std::size_t(n));
        buffer.resize(buffer.size() * 2);
    }
}

bool SameBytes(int A, int B) {
    std::vector<char> a(kBufferBytes), b(kBufferBytes);
    for (;;) {
        const ssize_t n = read(A, a.data(), a.size());
        if (n < 0)
            return false;
        std::size_t got = 0;
        while (got < std::size_t(n)) {
            const ssize_t m = read(B, b.data() + got, std::size_t(n) - got);
            if (m <= 0)
                return false;
            got += std::size_t(m);
        }
        if (n == 0) {
            char extra;
            return read(B, &extra, 1) == 0;
        }
        if (std::memcmp(a.data(), b.data(), std::size_t(n)) != 0)
            return false;
    }
}

// For as long as it lives, this thread works on files as the copy's owner.
class TActingAs {
public:
    TActingAs(bool Other, unsigned Uid, unsigned Gid) : other_(Other) {
        if (!other_)
            return;
        // Group first: once the user is no longer ours, we may not choose the group.
        setfsgid(Gid);
        setfsuid(Uid);
    }
    ~TActingAs() {
        if (!other_)
            return;
        setfsuid(geteuid());
        setfsgid(getegid());
    }
    TActingAs(const TActingAs&) = delete;
    TActingAs& operator=(const TActingAs&) = delete;

private:
    bool other_;
};

} // namespace

bool IsOutOfSpace(int Code) {
    return Code == ENOSPC || Code == EDQUOT;
}

std::vector<TListedEntry> ListTree(const std::string& Root, std::vector<std::string>& Unreadable) {
    const int fd = open(Root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        FailOnSource(Root);
    std::vector<TListedEntry> entries;
    ListFolder(fd, std::string(), entries, Unreadable, Root);
    std::sort(entries.begin(), entries.end(),
              [](const TListedEntry& A, const TListedEntry& B) { return A.Path < B.Path; });
    return entries;
}

TCopySide::TCopySide(const std::string& Owner) {
    if (Owner.empty())
        return;
    const std::optional<TAccountIds> ids = FindAccount(Owner);
    if (!ids)
        throw Exception("The account " + Owner + " does not exist here");
    if (ids->Uid == geteuid() && ids->Gid == getegid())
        return;
    if (geteuid() != 0)
        throw Exception("Only the administrator can make files for the account " + Owner);
    other_ = true;
    uid_ = ids->Uid;
    gid_ = ids->Gid;
}

TCopySide::TFound TCopySide::Look(const std::string& Path) const {
    TActingAs as(other_, uid_, gid_);
    TFound found;
    struct stat st;
    if (lstat(Path.c_str(), &st) == 0) {
        const std::optional<TEntryStamp> stamp = StampOf(st);
        found.Exists = true;
        found.Blocked = !stamp; // something the copy cannot hold stands in the way
        if (stamp)
            found.Stamp = *stamp;
    } else {
        found.Blocked = errno != ENOENT;
    }
    return found;
}

TEntryStamp TCopySide::CopyIn(const std::string& From, const TListedEntry& Entry,
                              const std::string& To) const {
    const timespec times[2] = {
        {0, UTIME_OMIT},
        {Entry.Stamp.ModifiedNs / 1000000000, long(Entry.Stamp.ModifiedNs % 1000000000)}};
    struct stat st;
    if (Entry.Stamp.Kind == TEntryKind::Link) {
        const std::string target = ReadLink(From, true);
        TActingAs as(other_, uid_, gid_);
        if (symlink(target.c_str(), To.c_str()) != 0)
            FailOnCopy(To);
        if (utimensat(AT_FDCWD, To.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0 ||
            lstat(To.c_str(), &st) != 0) {
            const int code = errno;
            unlink(To.c_str());
            errno = code;
            FailOnCopy(To);
        }
        return *StampOf(st);
    }
    const int from = open(From.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (from < 0)
        FailOnSource(From);
    TCloser closeFrom{from};
    TActingAs as(other_, uid_, gid_);
    const int to = open(To.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (to < 0)
        FailOnCopy(To);
    TCloser closeTo{to};
    try {
        CopyBytes(from, to, From, To);
        // The owner may always write the copy: that is what it is made for. Set-id bits stay
        // behind.
        if (fchmod(to, mode_t((Entry.Mode & 0777) | 0200)) != 0 || futimens(to, times) != 0 ||
            fstat(to, &st) != 0)
            FailOnCopy(To);
    } catch (...) {
        unlink(To.c_str());
        throw;
    }
    return *StampOf(st);
}

namespace {

// The folder, and those missing on the way: a copy's folders come parent first, so the first
// attempt nearly always does.
void MakeFolders(const std::string& Path, mode_t Mode) {
    if (mkdir(Path.c_str(), 0700) == 0) {
        if (chmod(Path.c_str(), Mode) != 0)
            FailOnCopy(Path);
        return;
    }
    if (errno == ENOENT) {
        const std::size_t slash = Path.rfind('/');
        if (slash == std::string::npos || slash == 0)
            FailOnCopy(Path);
        MakeFolders(Path.substr(0, slash), 0755);
        if (mkdir(Path.c_str(), 0700) != 0 || chmod(Path.c_str(), Mode) != 0)
            FailOnCopy(Path);
        return;
    }
    struct stat st;
    if (errno != EEXIST || lstat(Path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (errno == EEXIST)
            errno = ENOTDIR;
        FailOnCopy(Path);
    }
}

} // namespace

void TCopySide::MakeFolder(const std::string& Path, unsigned Mode) const {
    TActingAs as(other_, uid_, gid_);
    MakeFolders(Path, mode_t((Mode & 0777) | 0700));
}

void TCopySide::Move(const std::string& From, const std::string& To) const {
    TActingAs as(other_, uid_, gid_);
    if (rename(From.c_str(), To.c_str()) != 0)
        FailOnCopy(To);
}

bool TCopySide::RemoveEntry(const std::string& Path) const {
    TActingAs as(other_, uid_, gid_);
    return unlink(Path.c_str()) == 0 || errno == ENOENT;
}

bool TCopySide::RemoveEmptyFolder(const std::string& Path) const {
    TActingAs as(other_, uid_, gid_);
    return rmdir(Path.c_str()) == 0 || errno == ENOENT;
}

void TCopySide::RemoveContents(const std::string& Path) const {
    TActingAs as(other_, uid_, gid_);
    const int fd = open(Path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    std::vector<std::string> names;
    if (DIR* dir = fdopendir(fd)) {
        while (dirent* e = readdir(dir))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        closedir(dir);
    } else {
        close(fd);
    }
    for (const std::string& name : names) {
        std::error_code ec;
        std::filesystem::remove_all(Path + "/" + name, ec);
        if (ec) {
            errno = ec.value();
            FailOnCopy(Path + "/" + name);
        }
    }
}

bool TCopySide::SameContent(const std::string& Source, const TListedEntry& Entry,
                            const std::string& Copy) const {
    try {
        if (Entry.Stamp.Kind == TEntryKind::Folder)
            return Look(Copy).Stamp.Kind == TEntryKind::Folder;
        if (Entry.Stamp.Kind == TEntryKind::Link) {
            const std::string source = ReadLink(Source, true);
            TActingAs as(other_, uid_, gid_);
            return ReadLink(Copy, false) == source;
        }
        const int a = open(Source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (a < 0)
            return false;
        TCloser closeA{a};
        TActingAs as(other_, uid_, gid_);
        const int b = open(Copy.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (b < 0)
            return false;
        TCloser closeB{b};
        return SameBytes(a, b);
    } catch (const ETreeError&) {
        return false;
    }
}

void TCopySide::HandOver(const std::string& Folder) const {
    if (other_ && lchown(Folder.c_str(), uid_, gid_) != 0)
        FailOnCopy(Folder);
}

} // namespace quindle
