#include "mail/Outbox.h"
#include "kit/Exceptions.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "mail/Descriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace quindle {
namespace {

std::string Now(const char* Format) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, Format, &local));
}

} // namespace

std::string KeepInOutbox(const std::string& Folder, const std::string& Message) {
    // Messages hold what their senders meant for the recipients alone (a password reset link).
    if (!ForcePrivateDirectory(Folder))
        throw Exception("Unable to create " + Folder + ": " + std::strerror(errno));
    const std::string stem = JoinPath(Folder, Now("%Y%m%d-%H%M%S-") + std::to_string(getpid()));
    for (int n = 0;; ++n) {
        const std::string name = stem + (n ? "-" + std::to_string(n) : "") + ".eml";
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw Exception("Unable to create " + name + ": " + std::strerror(errno));
        const bool written = WriteWhole(fd, Message) && fsync(fd) == 0;
        const int error = errno;
        close(fd);
        if (!written) {
            unlink(name.c_str());
            throw Exception("Unable to write " + name + ": " + std::strerror(error));
        }
        return name;
    }
}

std::string PhpErrorLog(const std::string& WorkingFolder) {
    if (WorkingFolder.empty())
        return std::string();
    return Trim(TKo::ReadIniString(JoinPath(WorkingFolder, "php.ini"), "PHP", "error_log"));
}

void LogToPhpErrorLog(const std::string& File, const std::string& Text) {
    const std::string line = "[" + Now("%d-%b-%Y %H:%M:%S %Z") + "] " + Text + "\n";
    // One write of a line opened for appending never interleaves with PHP's own lines.
    const int fd =
        File.empty() ? -1 : open(File.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        const bool written = WriteWhole(fd, line);
        close(fd);
        if (written)
            return;
    }
    WriteWhole(STDERR_FILENO, line);
}

} // namespace quindle
