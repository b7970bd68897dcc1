// End requests arrive as signals; the handler raises a flag and writes a byte to a pipe of its
// own, which wakes the window's loop. Mount changes are announced by /proc/self/mountinfo as an
// exceptional condition.

#include "kit/SystemEvents.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace quindle {
namespace {

std::atomic<bool> g_endRequested{false};
int g_endPipe[2] = {-1, -1};

void OnEndSignal(int) {
    const int saved = errno;
    g_endRequested.store(true);
    const char wake = 1;
    // A full pipe has woken the loop already.
    [[maybe_unused]] const ssize_t written = write(g_endPipe[1], &wake, 1);
    errno = saved;
}

} // namespace

void InstallEndRequestHandlers() {
    if (g_endPipe[0] < 0 && pipe2(g_endPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        g_endPipe[0] = g_endPipe[1] = -1; // the flag alone, looked at by a timer
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        sigaction(sig, &action, nullptr);
}

bool TakeEndRequest() {
    char drained[64];
    while (g_endPipe[0] >= 0 && read(g_endPipe[0], drained, sizeof drained) > 0) {
    }
    return g_endRequested.exchange(false);
}

bool EndRequestPending() {
    return g_endRequested.load();
}

int EndRequestDescriptor() {
    return g_endPipe[0];
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

int TMountWatch::Descriptor() const {
    return fd_;
}

bool TMountWatch::Changed() {
    if (fd_ < 0)
        return false;
    // The system reports a change to the first poll after it, and to that one only.
    pollfd p{fd_, POLLPRI, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR));
}

TProcessEndWatch::TProcessEndWatch(std::uint32_t Pid) {
#ifdef SYS_pidfd_open
    // A process descriptor: it reads as ready when the process ends, whoever ends it, and it
    // cannot come to name another process that reuses the id. It is closed at every exec.
    if (Pid > 0 && Pid <= std::uint32_t(INT32_MAX))
        fd_ = int(syscall(SYS_pidfd_open, pid_t(Pid), 0));
#endif
}

TProcessEndWatch::~TProcessEndWatch() {
    if (fd_ >= 0)
        close(fd_);
}

} // namespace quindle
