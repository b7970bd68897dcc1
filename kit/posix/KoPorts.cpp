// The port probe: a port is free when a listener can be opened on it right now. Claims are
// locked files in the temporary folder.

#include "kit/KoClass.h"
#include "kit/PortsPlatform.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace quindle {

bool TKo::IsPortInUse(int Port, bool LoopbackOnly) {
    if (Port < 0 || Port > 65535)
        return true;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;
    // The question is whether a server could listen here now. Servers set SO_REUSEADDR, which
    // on this system still refuses a port another socket listens on but ignores connections of
    // an earlier server that are only waiting out their close: without it, a port would count as
    // taken for a minute after every shutdown, and a restarted package would move to another.
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(Port));
    addr.sin_addr.s_addr = htonl(LoopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    const bool active =
        bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd, 1) == 0;
    close(fd);
    return !active;
}

namespace {

// A server at the address accepts a connection and sends something within TimeoutMs.
bool Greets(const sockaddr* Address, socklen_t Size, int TimeoutMs) {
    const int fd = socket(Address->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    timeval tv{TimeoutMs / 1000, (TimeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    char byte;
    const bool greeted = connect(fd, Address, Size) == 0 && recv(fd, &byte, 1, 0) == 1;
    close(fd);
    return greeted;
}

} // namespace

bool TKo::PortGreets(int Port, int TimeoutMs) {
    if (Port <= 0 || Port > 65535)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(Port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return Greets(reinterpret_cast<sockaddr*>(&addr), sizeof addr, TimeoutMs);
}

bool TKo::PortListens(int Port) {
    if (Port <= 0 || Port > 65535)
        return false;
    // Each line: slot, local address:port, remote address:port, state, all in hexadecimal; state
    // 0A is a listening socket.
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        FILE* f = std::fopen(table, "re");
        if (!f)
            continue;
        char line[512];
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f)) {
            char local[64], remote[64];
            unsigned state = 0;
            if (std::sscanf(line, " %*[0-9]: %63s %63s %x", local, remote, &state) != 3)
                continue;
            const char* colon = std::strrchr(local, ':');
            found = state == 0x0A && colon &&
                    std::strtoul(colon + 1, nullptr, 16) == static_cast<unsigned long>(Port);
        }
        std::fclose(f);
        if (found)
            return true;
    }
    return false;
}

bool TKo::SocketGreets(const std::string& Path, int TimeoutMs) {
    sockaddr_un addr{};
    if (Path.empty() || Path.size() >= sizeof addr.sun_path)
        return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, Path.c_str(), Path.size());
    return Greets(reinterpret_cast<sockaddr*>(&addr), sizeof addr, TimeoutMs);
}

bool TKo::SocketListens(const std::string& Path) {
    if (Path.empty())
        return false;
    // Each line: slot, references, protocol, flags, type, state, inode, path; flag 00010000
    // marks a socket that accepts connections.
    FILE* f = std::fopen("/proc/net/unix", "re");
    if (!f)
        return false;
    char line[4352];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, f)) {
        unsigned long flags = 0;
        int pathAt = -1;
        if (std::sscanf(line, "%*s %*x %*x %lx %*x %*x %*u %n", &flags, &pathAt) < 1 || pathAt < 0)
            continue;
        std::string path = line + pathAt;
        while (!path.empty() && (path.back() == '\n' || path.back() == ' '))
            path.pop_back();
        found = (flags & 0x10000) != 0 && path == Path;
    }
    std::fclose(f);
    return found;
}

bool HoldPortClaim(int Port) {
    // Ports are the machine's, and so are the claims: in the system's temporary folder, whatever
    // TMPDIR says, so that every user's and every session's runs see them. Another user's file
    // can still be locked when opened for reading, and the system may refuse to create over it
    // (protected sticky folders): it is opened first, made only when missing.
    const std::string file =
        std::string(P_tmpdir) + "/quindle-port-" + std::to_string(Port) + ".lock";
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) {
        fd = open(file.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd >= 0)
            fchmod(fd, 0644); // readable by every user whatever our umask, or they cannot see it
        else if (errno == EEXIST)
            fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (fd < 0)
        return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return !held;
    }
    return true; // the descriptor stays open until the process ends
}

} // namespace quindle
