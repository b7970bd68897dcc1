#include "mail/Descriptor.h"

#include <cerrno>
#include <unistd.h>

namespace quindle {

bool WriteWhole(int Fd, std::string_view Bytes) {
    while (!Bytes.empty()) {
        const ssize_t n = write(Fd, Bytes.data(), Bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        Bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

std::string ReadToEnd(int Fd) {
    std::string text;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(Fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buf, std::size_t(n));
    }
}

} // namespace quindle
