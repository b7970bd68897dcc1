#include "kit/File.h"
#include "kit/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace quindle {

const char* const kReadBinaryMode = "rbe";
const char* const kWriteBinaryMode = "wbe";

// The end-of-file code is not an errno value.
std::string SystemErrorText(int code) {
    std::string text;
    if (code == ERROR_HANDLE_EOF) {
        text = "Reached the end of the file.";
    } else {
        char buf[1024];
        const char* s = strerror_r(code, buf, sizeof buf);
        text = s ? s : "";
        if (text.rfind("Unknown error", 0) == 0)
            text.clear();
    }
    return text;
}

TFile::TFile(const std::string& FileName, int CreationIndex, int AccessIndex, int) {
    // Other processes' access cannot be restricted here; the share index is accepted as given.
    static const int access[] = {O_RDONLY, O_WRONLY, O_RDWR};
    static const int creation[] = {O_CREAT | O_TRUNC, O_CREAT | O_EXCL, 0, O_CREAT, O_TRUNC};
    if (AccessIndex < 0 || AccessIndex > 2 || CreationIndex < 0 || CreationIndex > 4)
        RaiseFileError(EINVAL);
    const int flags = access[AccessIndex] | creation[CreationIndex] | O_CLOEXEC | O_NOCTTY;
    const std::string path = CreationIndex == fcCreateNew ? FileName : ResolvePathCase(FileName);
    Handle = open(path.c_str(), flags, 0666);
    if (Handle < 0)
        RaiseFileError(errno);
    OwnsHandle = true;
}

TFile::~TFile() {
    if (OwnsHandle && Handle >= 0)
        close(Handle);
}

std::int64_t TFile::GetSize64() {
    struct stat st;
    if (fstat(Handle, &st) != 0)
        RaiseFileError(errno);
    return st.st_size;
}

int TFile::Read(void* Buffer, int Count) {
    if (Count <= 0)
        return 0;
    char* p = static_cast<char*>(Buffer);
    int total = 0;
    while (total < Count) {
        const ssize_t n = ::read(Handle, p + total, std::size_t(Count - total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseFileError(errno);
        }
        if (n == 0)
            break;
        total += int(n);
    }
    return total;
}

namespace {

// A descriptor closed however the copy ends.
struct TDescriptor {
    int Fd;
    ~TDescriptor() {
        if (Fd >= 0)
            close(Fd);
    }
};

// Copies what is left of In through a buffer here.
void CopyThroughBuffer(const TDescriptor& In, const TDescriptor& Out, const std::string& From,
                       const std::string& To) {
    std::vector<char> buffer(1 << 16);
    for (ssize_t got; (got = read(In.Fd, buffer.data(), buffer.size())) != 0;) {
        if (got < 0)
            RaiseFileErrorOn("read", From, errno);
        for (ssize_t written = 0; written < got;) {
            const ssize_t n = write(Out.Fd, buffer.data() + written, std::size_t(got - written));
            if (n < 0)
                RaiseFileErrorOn("write", To, errno);
            written += n;
        }
    }
}

} // namespace

void CopyFileContents(const std::string& From, const std::string& To) {
    const TDescriptor in{open(From.c_str(), O_RDONLY | O_CLOEXEC)};
    if (in.Fd < 0)
        RaiseFileErrorOn("read", From, errno);
    TDescriptor out{open(To.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
    if (out.Fd < 0)
        RaiseFileErrorOn("write", To, errno);
    // The kernel copies between the files itself; where it cannot (another file system on an
    // older kernel, a special file), the bytes pass through a buffer here.
    for (ssize_t done;
         (done = copy_file_range(in.Fd, nullptr, out.Fd, nullptr, 1 << 30, 0)) != 0;) {
        if (done > 0)
            continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
            CopyThroughBuffer(in, out, From, To);
            break;
        }
        // Which side failed: a read error shows when the source is read again.
        const int code = errno;
        char probe;
        if (pread(in.Fd, &probe, 1, 0) < 0)
            RaiseFileErrorOn("read", From, code);
        RaiseFileErrorOn("write", To, code);
    }
    const int fd = out.Fd;
    out.Fd = -1;
    if (close(fd) != 0)
        RaiseFileErrorOn("write", To, errno);
}

} // namespace quindle
