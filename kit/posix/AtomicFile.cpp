#include "kit/AtomicFile.h"
#include "kit/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quindle {
namespace {

mode_t CurrentUmask() {
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned mask;
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(f);
                return mode_t(mask);
            }
        }
        std::fclose(f);
    }
    return 022;
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string RealTarget(const std::string& path) {
    char buf[PATH_MAX];
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        ssize_t n = readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0)
            break;
        std::string link(buf, std::size_t(n));
        p = (link[0] == '/') ? link : JoinPath(ExtractFileDir(p), link);
    }
    return p;
}

} // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& Target) : target_(RealTarget(Target)) {
    std::string dir = ExtractFileDir(target_);
    if (dir.empty())
        dir = ".";
    temp_ = JoinPath(dir, "." + ExtractFileName(target_) + ".qndl-XXXXXX");
    fd_ = mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        temp_.clear();
        return;
    }
    struct stat st;
    const mode_t mode =
        stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (fchmod(fd_, mode) != 0)
        error_ = errno;
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0)
        close(fd_);
    if (!committed_ && !temp_.empty())
        unlink(temp_.c_str());
}

bool AtomicFileWriter::Write(const void* Data, std::size_t Size) {
    const char* p = static_cast<const char*>(Data);
    while (error_ == 0 && Size > 0) {
        ssize_t n = ::write(fd_, p, Size);
        if (n < 0) {
            if (errno != EINTR)
                error_ = errno;
            continue;
        }
        p += n;
        Size -= std::size_t(n);
    }
    return error_ == 0;
}

bool AtomicFileWriter::Commit() {
    if (error_ != 0)
        return false;
    if (fsync(fd_) != 0 || close(fd_) != 0) {
        error_ = errno;
        fd_ = -1;
        return false;
    }
    fd_ = -1;
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    committed_ = true;
    std::string dir = ExtractFileDir(target_);
    int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd); // the rename itself must survive a power cut too
        close(dfd);
    }
    return true;
}

int WriteFileAtomically(const std::string& FileName, const std::string& Bytes) {
    AtomicFileWriter w(FileName);
    if (w.Write(Bytes.data(), Bytes.size()) && w.Commit())
        return 0;
    return w.Error() ? w.Error() : EIO;
}

} // namespace quindle
