// Starting programs on POSIX: with posix_spawn (never through a shell), or by fork and exec for
// a child that must not outlive us; each is handed its show command in the environment.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "kit/posix/ProcessChildren.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

extern char** environ;

namespace quindle {
namespace {

constexpr const char* kShowCommandVariable = "QUINDLE_SHOWCMD";

std::mutex g_childrenLock;
std::vector<pid_t> g_children;

// The start-up show command, read once and taken out of the environment so that no child
// inherits it by accident.
std::optional<std::uint16_t> g_showCommand;

std::uint16_t ReadShowCommandOnce() {
    if (!g_showCommand) {
        std::uint16_t value = SW_SHOWNORMAL;
        if (const char* text = std::getenv(kShowCommandVariable)) {
            if (const auto v = TryStrToInt(text))
                value = std::uint16_t(*v);
            unsetenv(kShowCommandVariable);
        }
        g_showCommand = value;
    }
    return *g_showCommand;
}

// The child side of a bound start, between fork and exec: only system calls, as another thread
// of ours may have held a lock when we forked. The signal set and dispositions are those a
// spawned child gets; the system sends EndSignal when the thread that forked it ends, which in
// our program is the main thread, so the process.
// A failure before or at exec is reported on Report, which the exec closes.
[[noreturn]] void ExecBound(const char* Exe, char* const* Argv, char* const* Envp, const char* Dir,
                            pid_t Parent, int EndSignal, int Report) {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        sigaction(sig, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    setpgid(0, 0);
    const char failed = 1;
    // Gone already, the starter can no longer end the child: it must not run on alone.
    if (prctl(PR_SET_PDEATHSIG, EndSignal) != 0 || getppid() != Parent ||
        (Dir && chdir(Dir) != 0)) {
        (void)!write(Report, &failed, 1);
        _exit(127);
    }
    // Handles are not inherited; the report pipe closes itself at exec.
    if (Report > 3)
        close_range(3, unsigned(Report) - 1, 0);
    close_range(unsigned(Report) + 1, ~0U, 0);
    execve(Exe, Argv, Envp);
    (void)!write(Report, &failed, 1);
    _exit(127);
}

// Starts ExePath with the arguments; 0 when the start fails. A detached program
// gets a session of its own, as a program the shell starts would. A bound one (EndSignal not 0)
// receives EndSignal when this process ends, however it ends.
pid_t Spawn(const std::string& ExePath, const TArguments& Arguments, const std::string& WorkDir,
            std::uint16_t ShowState, bool detached = false, int EndSignal = 0) {
    ReadShowCommandOnce();
    // A path may come quoted, as Windows writes paths with blanks; a quote inside it is part of
    // the name (a file name may hold one here).
    std::string exe = ExePath;
    if (exe.size() >= 2 && exe.front() == '"' && exe.back() == '"')
        exe = exe.substr(1, exe.size() - 2);
    exe = ResolvePathCase(exe);
    if (exe.empty())
        return 0;

    std::vector<std::string> args = Arguments;
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The child's environment is ours with its show command set.
    const std::string show = std::string(kShowCommandVariable) + "=" + std::to_string(ShowState);
    std::vector<char*> envp;
    const std::size_t prefix = std::strlen(kShowCommandVariable) + 1;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, show.c_str(), prefix) != 0)
            envp.push_back(*e);
    envp.push_back(const_cast<char*>(show.c_str()));
    envp.push_back(nullptr);

    const std::string dir = ResolvePathCase(WorkDir);
    if (EndSignal != 0) {
        // posix_spawn cannot ask for a signal at our death: fork and exec by hand, with a pipe
        // that tells, as posix_spawn does, whether the program could be run.
        const char* chdirTo = !WorkDir.empty() && DirectoryExists(dir) ? dir.c_str() : nullptr;
        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0)
            return 0;
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0)
            ExecBound(exe.c_str(), argv.data(), envp.data(), chdirTo, parent, EndSignal, report[1]);
        close(report[1]);
        char failed = 0;
        ssize_t got;
        while ((got = read(report[0], &failed, 1)) < 0 && errno == EINTR) {
        }
        close(report[0]);
        if (pid > 0 && got > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            return 0;
        }
        return pid < 0 ? 0 : pid;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!WorkDir.empty() && DirectoryExists(dir))
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addclosefrom_np(&actions, 3); // handles are not inherited

    // A fresh process group keeps a terminal's Ctrl+C from reaching the servers directly: only
    // our own shutdown ends them, in the order it chooses.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                        (detached ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP));

    pid_t pid = 0;
    if (posix_spawn(&pid, exe.c_str(), &actions, &attr, argv.data(), envp.data()) != 0)
        pid = 0;
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Starts a child that runs on its own; remembered so that it is reaped once it ends.
std::uint32_t StartUnwaited(const std::string& ExePath, const TArguments& Arguments,
                            const std::string& WorkDir, std::uint16_t ShowState, bool detached,
                            int EndSignal = 0) {
    ReapChildren();
    const pid_t pid = Spawn(ExePath, Arguments, WorkDir, ShowState, detached, EndSignal);
    if (pid <= 0)
        return 0;
    RememberChild(pid);
    return std::uint32_t(pid);
}

} // namespace

void RememberChild(pid_t pid) {
    std::lock_guard<std::mutex> lock(g_childrenLock);
    g_children.push_back(pid);
}

void ReapChildren() {
    std::lock_guard<std::mutex> lock(g_childrenLock);
    g_children.erase(std::remove_if(g_children.begin(), g_children.end(),
                                    [](pid_t pid) {
                                        int status;
                                        const pid_t r = waitpid(pid, &status, WNOHANG);
                                        return r == pid || (r < 0 && errno == ECHILD);
                                    }),
                     g_children.end());
}

std::uint32_t TKo::RunProgram(const std::string& ExePath, const std::string& Params,
                              const std::string& WorkDir, std::uint16_t ShowState) {
    return RunProgram(ExePath, SplitCommandLine(Params), WorkDir, ShowState);
}

std::uint32_t TKo::RunProgram(const std::string& ExePath, const TArguments& Arguments,
                              const std::string& WorkDir, std::uint16_t ShowState) {
    return StartUnwaited(ExePath, Arguments, WorkDir, ShowState, false);
}

std::uint32_t TKo::RunBoundProgram(const std::string& ExePath, const std::string& Params,
                                   const std::string& WorkDir, std::uint16_t ShowState) {
    return RunBoundProgram(ExePath, SplitCommandLine(Params), WorkDir, ShowState);
}

std::uint32_t TKo::RunBoundProgram(const std::string& ExePath, const TArguments& Arguments,
                                   const std::string& WorkDir, std::uint16_t ShowState) {
    // A request to end, not a kill: a database server closes its files first.
    return StartUnwaited(ExePath, Arguments, WorkDir, ShowState, false, SIGTERM);
}

void TKo::RunProgramAndWait(const std::string& ExePath, const std::string& Params,
                            const std::string& WorkDir, std::uint16_t ShowState) {
    RunProgramAndWait(ExePath, SplitCommandLine(Params), WorkDir, ShowState);
}

void TKo::RunProgramAndWait(const std::string& ExePath, const TArguments& Arguments,
                            const std::string& WorkDir, std::uint16_t ShowState) {
    const pid_t pid = Spawn(ExePath, Arguments, WorkDir, ShowState);
    if (pid <= 0)
        return;
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

bool TKo::ShellOpenProgram(const std::string& ExePath, std::uint16_t ShowCommand) {
    return StartUnwaited(ExePath, TArguments(), std::string(), ShowCommand, true) != 0;
}

std::uint16_t TKo::GetStartupShowWindow() {
    return ReadShowCommandOnce();
}

bool TKo::RunningAsAdministrator() {
    return geteuid() == 0;
}

} // namespace quindle
