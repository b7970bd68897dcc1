#include "mail/RelayClient.h"
#include "kit/Strings.h"
#include "mail/Descriptor.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quindle {
namespace {

constexpr int kConfigurationFd = 3;

struct TPipe {
    int Read = -1, Write = -1;
    bool Open() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        Read = fds[0];
        Write = fds[1];
        return true;
    }
    static void Shut(int& Fd) {
        if (Fd >= 0)
            close(Fd);
        Fd = -1;
    }
    void CloseRead() { Shut(Read); }
    void CloseWrite() { Shut(Write); }
    ~TPipe() {
        CloseRead();
        CloseWrite();
    }
};

// msmtp's lines without its name, and without the closing line that only names the account.
std::string ReasonFrom(const std::string& Errors) {
    std::string reason;
    std::size_t at = 0;
    while (at < Errors.size()) {
        std::size_t end = Errors.find('\n', at);
        if (end == std::string::npos)
            end = Errors.size();
        std::string line = Trim(Errors.substr(at, end - at));
        at = end + 1;
        if (line.rfind("msmtp: ", 0) == 0)
            line.erase(0, 7);
        if (line.empty() || line.rfind("could not send mail (account", 0) == 0)
            continue;
        reason += (reason.empty() ? "" : "; ") + line;
    }
    return reason;
}

} // namespace

TRelayResult SendThroughMsmtp(const std::string& Msmtp, const std::string& Configuration,
                              const std::vector<std::string>& Arguments,
                              const std::string& Message) {
    TPipe configuration, input, errors;
    if (!configuration.Open() || !input.Open() || !errors.Open())
        return {false, std::string("cannot start msmtp: ") + std::strerror(errno)};
    // An account is a few hundred bytes: the pipe holds it before msmtp runs.
    if (!WriteWhole(configuration.Write, Configuration))
        return {false, std::string("cannot start msmtp: ") + std::strerror(errno)};
    configuration.CloseWrite();

    std::vector<std::string> args = {Msmtp, "-C", "/dev/fd/" + std::to_string(kConfigurationFd),
                                     "-a", "relay"};
    args.insert(args.end(), Arguments.begin(), Arguments.end());
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0)
        return {false, std::string("cannot start msmtp: ") + std::strerror(errno)};
    if (pid == 0) {
        // A copy made by dup2 stays open across exec; a pipe that already has the number it
        // needs (the configuration's, as the first one opened) must be told so.
        const auto place = [](int Fd, int Target) {
            return Fd == Target ? fcntl(Fd, F_SETFD, 0) : dup2(Fd, Target);
        };
        if (place(input.Read, STDIN_FILENO) < 0 || place(errors.Write, STDERR_FILENO) < 0 ||
            place(configuration.Read, kConfigurationFd) < 0)
            _exit(127);
        execv(Msmtp.c_str(), argv.data());
        const std::string why = "msmtp: cannot run " + Msmtp + ": " + std::strerror(errno) + "\n";
        (void)!write(STDERR_FILENO, why.data(), why.size());
        _exit(127);
    }
    configuration.CloseRead();
    input.CloseRead();
    errors.CloseWrite();

    // msmtp stops reading when the relay turns the message down; what it says then is the
    // reason, not the broken pipe.
    struct sigaction quiet = {}, old = {};
    quiet.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &quiet, &old);
    WriteWhole(input.Write, Message);
    input.CloseWrite();
    sigaction(SIGPIPE, &old, nullptr);
    // Its messages are a few lines: they never fill the pipe while it still reads the message.
    const std::string said = ReadToEnd(errors.Read);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {true, std::string()};
    std::string reason = ReasonFrom(said);
    if (reason.empty())
        reason = WIFSIGNALED(status)
                     ? "msmtp was ended by signal " + std::to_string(WTERMSIG(status))
                     : "msmtp failed with exit code " + std::to_string(WEXITSTATUS(status));
    return {false, reason};
}

} // namespace quindle
