// The cost of finding a free port past 1,000 occupied ones, per port probed, next to the bare
// socket-bind-close that each probe has to do at the least.

#include "kit/KoClass.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <vector>

using namespace quindle;
using Clock = std::chrono::steady_clock;

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

int Listen(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = Loopback(port);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || listen(fd, 1) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// What each probe has to do at the least, with the same socket option.
bool BareProbe(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    const sockaddr_in a = Loopback(port);
    const bool free = bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return free;
}

} // namespace

int main() {
    const int occupied = 1000;
    // A run of 1,001 ports: the first 1,000 taken here, the last one free.
    int base = 20000;
    std::vector<int> fds;
    while (base + occupied < 60000) {
        for (auto fd : fds)
            close(fd);
        fds.clear();
        for (int p = base; p < base + occupied; ++p) {
            const int fd = Listen(p);
            if (fd < 0)
                break;
            fds.push_back(fd);
        }
        if (int(fds.size()) == occupied && !TKo::IsPortInUse(base + occupied, true))
            break;
        base += 1024;
    }
    const int rounds = 20;
    double ours = 1e18, floor = 1e18;
    int found = 0;
    for (int r = 0; r < 3; ++r) {
        auto start = Clock::now();
        for (int i = 0; i < rounds; ++i)
            found = TKo::FindFreePort(base, true);
        ours =
            std::min(ours, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        start = Clock::now();
        for (int i = 0; i < rounds; ++i)
            for (int p = base; p <= base + occupied && !BareProbe(p);)
                ++p;
        floor = std::min(floor,
                         std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    const double probes = double(rounds) * (occupied + 1);
    std::printf("occupied ports:                 %d from %d, free port found: %d\n", occupied, base,
                found);
    std::printf("FindFreePort:                   %.2f us per port probed\n", ours / probes);
    std::printf("bare socket-bind-close:         %.2f us per port probed\n", floor / probes);
    std::printf("ratio:                          %.2f\n", ours / floor);
    for (auto fd : fds)
        close(fd);
    return 0;
}
