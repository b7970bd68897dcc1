#include "kit/ReportChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace quindle {
namespace {

// An abstract address: a leading NUL, then the name, no terminator.
bool MakeAddress(const std::string& Name, sockaddr_un& Address, socklen_t& Length) {
    std::memset(&Address, 0, sizeof Address);
    Address.sun_family = AF_UNIX;
    if (Name.empty() || Name.size() + 1 > sizeof Address.sun_path)
        return false;
    std::memcpy(Address.sun_path + 1, Name.data(), Name.size());
    Length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + Name.size());
    return true;
}

} // namespace

TReportChannel::TReportChannel() = default;

TReportChannel::~TReportChannel() {
    Close();
}

bool TReportChannel::IsOpen() const {
    return handle_ >= 0;
}

int TReportChannel::Handle() const {
    return handle_;
}

bool TReportChannel::Open(const std::string& Name) {
    Close();
    sockaddr_un address;
    socklen_t length;
    if (!MakeAddress(Name, address, length))
        return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int on = 1;
    // The kernel then attaches each sender's credentials, which decide who is heard.
    if (setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void TReportChannel::Close() {
    if (handle_ >= 0)
        close(handle_);
    handle_ = -1;
}

std::uint32_t TReportChannel::Receive() {
    std::uint32_t last = 0;
    while (handle_ >= 0) {
        char text[64];
        iovec data{text, sizeof text - 1};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        msghdr message{};
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(handle_, &message, MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bool ours = false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
                ucred credentials;
                std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
                ours = credentials.uid == geteuid();
            }
        }
        if (!ours || (message.msg_flags & MSG_TRUNC))
            continue;
        if (const auto pid = ParseReportedPid(std::string(text, std::size_t(n))))
            last = *pid;
    }
    return last;
}

bool SendReport(const std::string& Name, std::uint32_t Pid) {
    sockaddr_un address;
    socklen_t length;
    if (!MakeAddress(Name, address, length))
        return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const std::string text = std::to_string(Pid);
    const bool sent = sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&address),
                             length) == ssize_t(text.size());
    close(fd);
    return sent;
}

} // namespace quindle
