// End requests arrive as signals; the handler only raises a flag, which the window's timer
// takes. Mount changes are announced by /proc/self/mountinfo as an exceptional condition.

#include "kit/SystemEvents.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <atomic>

namespace quindle {
namespace {

std::atomic<bool> g_endRequested{false};

void OnEndSignal(int) {
    g_endRequested.store(true);
}

} // namespace

void InstallEndRequestHandlers() {
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        sigaction(sig, &action, nullptr);
}

bool TakeEndRequest() {
    return g_endRequested.exchange(false);
}

void EndWithParent() {
    const pid_t parent = getppid();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have gone before the request was made: we were handed on already.
    if (getppid() != parent || parent == 1)
        _exit(0);
}

TMountWatch::TMountWatch() : fd_(open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {}

TMountWatch::~TMountWatch() {
    if (fd_ >= 0)
        close(fd_);
}

bool TMountWatch::Changed() {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLPRI, 0};
    if (poll(&p, 1, 0) <= 0 || !(p.revents & (POLLPRI | POLLERR)))
        return false;
    // Reading the table to its end acknowledges the change.
    char buf[4096];
    lseek(fd_, 0, SEEK_SET);
    while (read(fd_, buf, sizeof buf) > 0) {
    }
    return true;
}

} // namespace quindle
