#include "kit/File.h"
#include "kit/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

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

} // namespace quindle
