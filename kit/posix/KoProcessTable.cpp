// The processes on POSIX as /proc lists them: found by scanning it, matched by the device and
// inode of their executable, ended with SIGKILL; and the locks they hold, on a single instance
// and on files.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/ProcessPlatform.h"
#include "kit/SystemEvents.h"
#include "kit/posix/ProcessChildren.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quindle {
namespace {

// The single-instance lock files this process holds.
std::mutex g_instancesLock;
std::vector<std::string> g_instances;

// How long a start waits for a killed or crashed instance to let go of the single-instance lock.
constexpr int kEndingInstanceWaitMs = 10000;

bool ValidPid(std::uint32_t pid) {
    return pid > 0 && pid <= std::uint32_t(INT_MAX);
}

struct ProcStatus {
    char state = '?';
    std::uint32_t tgid = 0;
    std::uint32_t ppid = 0;
    unsigned threads = 0;
    bool killPending = false; // a SIGKILL on its way to the thread or to the whole process
};

// Whether a mask of signals as /proc writes it (hexadecimal, bit n-1 for signal n) holds SIGKILL.
bool HoldsKill(const char* mask) {
    const unsigned long long bits = std::strtoull(mask, nullptr, 16);
    return (bits >> (SIGKILL - 1)) & 1;
}

// Opens /proc/<pid>/<Name> for reading; null when there is no such process.
FILE* OpenProcessFile(std::uint32_t pid, const char* Name) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%u/%s", pid, Name);
    return std::fopen(path, "re");
}

// Reads /proc/<pid>/status. False for ids that are no process, also for thread ids, which
// /proc answers for although it does not list them.
bool ReadStatus(std::uint32_t pid, ProcStatus& out) {
    FILE* f = OpenProcessFile(pid, "status");
    if (!f)
        return false;
    char line[256];
    int found = 0;
    while (found < 6 && std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "State:", 6) == 0) {
            const char* p = line + 6;
            while (*p == ' ' || *p == '\t')
                ++p;
            out.state = *p;
            ++found;
        } else if (std::sscanf(line, "Tgid: %u", &out.tgid) == 1 ||
                   std::sscanf(line, "PPid: %u", &out.ppid) == 1 ||
                   std::sscanf(line, "Threads: %u", &out.threads) == 1) {
            ++found;
        } else if (std::strncmp(line, "SigPnd:", 7) == 0 || std::strncmp(line, "ShdPnd:", 7) == 0) {
            out.killPending = out.killPending || HoldsKill(line + 7);
            ++found;
        }
    }
    std::fclose(f);
    return found == 6 && out.tgid == pid;
}

// A process lives while any of its threads does. Its first thread turns zombie as soon as it
// has ended, while the others may still be ending and holding the process's files, locks and
// ports: only then is the process gone.
bool IsLiveProcess(std::uint32_t pid, ProcStatus* status = nullptr) {
    ProcStatus s;
    if (!ValidPid(pid) || !ReadStatus(pid, s) ||
        ((s.state == 'Z' || s.state == 'X') && s.threads <= 1))
        return false;
    if (status)
        *status = s;
    return true;
}

// The kernel's flags of a process's first thread (the ninth field of /proc/<pid>/stat).
constexpr unsigned long kFlagExiting = 0x4;       // PF_EXITING
constexpr unsigned long kFlagDumpingCore = 0x200; // PF_DUMPCORE
constexpr unsigned long kFlagSignaled = 0x400;    // PF_SIGNALED: a signal ends it

// Whether a live process is on its way out: killed, crashed, or already past its last
// instruction. It will let go of everything it holds without doing anything more.
bool IsEndingProcess(std::uint32_t pid) {
    ProcStatus s;
    if (!IsLiveProcess(pid, &s))
        return false;
    if (s.state == 'Z' || s.state == 'X' || s.killPending)
        return true;
    FILE* f = OpenProcessFile(pid, "stat");
    if (!f)
        return false;
    char text[1024];
    const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[n] = '\0';
    // The name in parentheses may hold anything, parentheses too: the fields follow the last.
    const char* rest = std::strrchr(text, ')');
    char state;
    int ppid, pgrp, session, tty, tpgid;
    unsigned long flags;
    if (!rest || std::sscanf(rest + 1, " %c %d %d %d %d %d %lu", &state, &ppid, &pgrp, &session,
                             &tty, &tpgid, &flags) != 7)
        return false;
    return (flags & (kFlagExiting | kFlagDumpingCore | kFlagSignaled)) != 0;
}

// Calls visit(pid) for every process id in /proc in ascending order until it returns false.
template <typename Visit> void ForEachPid(Visit visit) {
    std::vector<std::uint32_t> pids;
    if (DIR* d = opendir("/proc")) {
        while (dirent* e = readdir(d)) {
            char* end;
            const unsigned long v = std::strtoul(e->d_name, &end, 10);
            if (*end == '\0' && e->d_name[0] >= '1' && e->d_name[0] <= '9' && v <= UINT32_MAX)
                pids.push_back(std::uint32_t(v));
        }
        closedir(d);
    }
    std::sort(pids.begin(), pids.end());
    for (auto pid : pids)
        if (!visit(pid))
            return;
}

struct FileKey {
    dev_t dev;
    ino_t ino;
    bool operator==(const FileKey& o) const { return dev == o.dev && ino == o.ino; }
};

// Calls found(pid) for each process whose executable is the file at ExePath, until it says stop.
template <typename Found> void ScanByExecutable(const std::string& ExePath, Found found) {
    // Relative paths count from the program folder, also for the test whether the file is there.
    const std::string path = ResolvePathCase(TKo::ExpandAppRelativePath(ExePath));
    struct stat st;
    if (ExePath.empty() || !FileExists(path) || stat(path.c_str(), &st) != 0)
        return;
    const FileKey key{st.st_dev, st.st_ino};
    ReapChildren();
    const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0)
        return;
    char rel[32];
    ForEachPid([&](std::uint32_t pid) {
        std::snprintf(rel, sizeof rel, "%u/exe", pid);
        struct stat pst;
        if (fstatat(proc, rel, &pst, 0) == 0 && FileKey{pst.st_dev, pst.st_ino} == key)
            return found(pid);
        return true;
    });
    close(proc);
}

std::string RuntimeDir() {
    if (const char* d = std::getenv("XDG_RUNTIME_DIR");
        d && *d && DirectoryExists(d) && access(d, W_OK) == 0)
        return ExcludeTrailingPathDelimiter(d);
    return std::string();
}

} // namespace

TCardinalArray TKo::FindProcessesByPath(const std::string& ExePath) {
    TCardinalArray result;
    ScanByExecutable(ExePath, [&](std::uint32_t pid) {
        result.push_back(pid);
        return true;
    });
    return result;
}

std::uint32_t TKo::FindProcessByPath(const std::string& ExePath) {
    std::uint32_t first = 0;
    ScanByExecutable(ExePath, [&](std::uint32_t pid) {
        first = pid;
        return false;
    });
    return first;
}

TCardinalArray TKo::GetProcessList() {
    ReapChildren();
    TCardinalArray result;
    ForEachPid([&](std::uint32_t pid) {
        if (IsLiveProcess(pid))
            result.push_back(pid);
        return true;
    });
    return result;
}

std::string TKo::GetProcessPath(std::uint32_t Pid) {
    if (!ValidPid(Pid) || !ProcessExists(std::int32_t(Pid)))
        return std::string();
    char link[64], target[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/%u/exe", Pid);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, std::size_t(n)) : std::string();
}

bool TKo::ProcessExists(std::int32_t Pid) {
    if (Pid <= 0)
        return false;
    ReapChildren();
    return IsLiveProcess(std::uint32_t(Pid));
}

std::uint32_t TKo::GetParentPid(std::uint32_t Pid) {
    ReapChildren();
    ProcStatus s;
    return IsLiveProcess(Pid, &s) ? s.ppid : 0;
}

bool TKo::KillProcess(std::uint32_t Pid) {
    // kill() reads 0 and negative numbers as whole process groups, -1 as every process we may
    // signal: only a real id of a live process is ever passed on.
    if (!ValidPid(Pid) || !ProcessExists(std::int32_t(Pid)))
        return false;
    return kill(pid_t(Pid), SIGKILL) == 0;
}

void TKo::TerminateSelf() {
    _exit(0);
}

bool RequestProcessEnd(std::uint32_t Pid) {
    return ValidPid(Pid) && TKo::ProcessExists(std::int32_t(Pid)) && kill(pid_t(Pid), SIGTERM) == 0;
}

bool TKo::IsFirstInstance(const std::string& MutexName) {
    std::string name;
    for (char c : MutexName)
        name += (c == '/' || c == '\0') ? '_' : c;
    std::string dir = RuntimeDir(), file;
    if (!dir.empty()) {
        file = dir + "/quindle-" + name + ".lock";
    } else {
        // A shared temporary folder: the user id keeps one user's lock from blocking another's.
        file = GetTempDir() + "/quindle-" + std::to_string(geteuid()) + "-" + name + ".lock";
    }
    std::lock_guard<std::mutex> guard(g_instancesLock);
    // This process asking again is a second instance too. It must not open the file again:
    // closing that descriptor would drop the lock it holds.
    if (std::find(g_instances.begin(), g_instances.end(), file) != g_instances.end())
        return false;
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    // A record lock rather than flock: it belongs to this process alone (no child inherits it,
    // not even between fork and exec), and the system names the process that holds it. The
    // descriptor stays open, and so the lock held, until the process ends.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kEndingInstanceWaitMs);
    while (fcntl(fd, F_SETLK, &whole) != 0) {
        // An instance that was killed or crashed holds the lock until the last of its threads
        // has ended, which takes a while for a large program: that instance is no longer
        // running, and the start waits for it instead of being refused. A start asked to end
        // meanwhile stops waiting: it will start nothing.
        struct flock holder = whole;
        if (fcntl(fd, F_GETLK, &holder) != 0 || std::chrono::steady_clock::now() >= deadline ||
            EndRequestPending() ||
            (holder.l_type != F_UNLCK &&
             (holder.l_pid <= 0 || !IsEndingProcess(std::uint32_t(holder.l_pid))))) {
            close(fd);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    g_instances.push_back(file);
    return true;
}

bool TKo::IsFileInUse(const std::string& FileName) {
    if (!FileExists(FileName))
        return false;
    if (HasReadOnlyAttribute(FileName))
        return true;
    // A running program's file cannot be opened for writing (ETXTBSY): that is the case the
    // callers wait out.
    const int fd = open(ResolvePathCase(FileName).c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return true;
    const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return locked;
}

bool TKo::IsFileLocked(const std::string& FileName) {
    const int fd = open(ResolvePathCase(FileName).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    // Asking about a record lock takes none, and a descriptor of ours that closes drops only
    // record locks of ours, of which there are none on such files.
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    bool locked = fcntl(fd, F_GETLK, &whole) == 0 && whole.l_type != F_UNLCK;
    if (!locked && flock(fd, LOCK_SH | LOCK_NB) != 0)
        locked = errno == EWOULDBLOCK;
    close(fd);
    return locked;
}

} // namespace quindle
