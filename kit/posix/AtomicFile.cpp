#include "kit/AtomicFile.h"
#include "kit/File.h"
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

AtomicFileWriter::AtomicFileWriter(const std::string& Target)
    : name_(Target), target_(RealTarget(Target)) {
    std::string dir = ExtractFileDir(target_);
    if (dir.empty())
        dir = ".";
    temp_ = JoinPath(dir, "." + ExtractFileName(target_) + ".qndl-XXXXXX");
    fd_ = mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        temp_.clear();
        Fail(errno);
    }
    struct stat st;
    const mode_t mode =
        stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    if (fchmod(fd_, mode) != 0)
        Fail(errno);
}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

void AtomicFileWriter::Discard() noexcept {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    if (!committed_ && !temp_.empty())
        unlink(temp_.c_str());
    temp_.clear();
}

void AtomicFileWriter::Fail(int Code) {
    Discard();
    RaiseFileErrorOn("write", name_, Code);
}

void AtomicFileWriter::Write(const void* Data, std::size_t Size) {
    const char* p = static_cast<const char*>(Data);
    while (Size > 0) {
        ssize_t n = ::write(fd_, p, Size);
        if (n < 0) {
            if (errno != EINTR)
                Fail(errno);
            continue;
        }
        p += n;
        Size -= std::size_t(n);
    }
}

void AtomicFileWriter::Commit() {
    if (fsync(fd_) != 0)
        Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 || rename(temp_.c_str(), target_.c_str()) != 0)
        Fail(errno);
    committed_ = true;
    std::string dir = ExtractFileDir(target_);
    int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd); // the rename itself must survive a power cut too
        close(dfd);
    }
}

void WriteFileAtomically(const std::string& FileName, const std::string& Bytes) {
    AtomicFileWriter w(FileName);
    w.Write(Bytes.data(), Bytes.size());
    w.Commit();
}

} // namespace quindle
