// Processes on Windows: CreateProcessA with our own start-up information, tool-help snapshots,
// module paths, named mutexes and exclusive opens.

#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/ProcessPlatform.h"
#include "kit/Strings.h"

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <functional>

namespace quindle {
namespace {

// The started program's command line: the path in double quotes (quotes in it dropped), a
// blank, the parameters as given.
std::string CommandLine(const std::string& ExePath, const std::string& Params) {
    std::string exe;
    for (char c : ExePath)
        if (c != '"')
            exe += c;
    return "\"" + exe + "\" " + Params;
}

// The job of the children that end with us: the system ends every process in it when the last
// handle to it closes, which our end does, however it comes. Null when no job can be made.
HANDLE BoundChildrenJob() {
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectA(nullptr, nullptr);
        if (!made)
            return HANDLE(nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return made;
    }();
    return job;
}

// Starts the program with our start-up information and the given show command; the process
// handle is the caller's to close. Zero handle when the start failed. A bound child is put in
// the job before it runs a single instruction, so that what it starts is in the job as well.
PROCESS_INFORMATION Start(const std::string& ExePath, const std::string& Params,
                          const std::string& WorkDir, std::uint16_t ShowState, bool Bound = false) {
    STARTUPINFOA si;
    GetStartupInfoA(&si);
    si.cb = sizeof si;
    si.dwFlags |= STARTF_USESHOWWINDOW;
    si.wShowWindow = ShowState;
    // Our own standard handles are not passed on: no handle is inherited.
    si.dwFlags &= ~DWORD(STARTF_USESTDHANDLES);
    std::string line = CommandLine(ExePath, Params);
    PROCESS_INFORMATION pi{};
    const DWORD flags = NORMAL_PRIORITY_CLASS | (Bound ? CREATE_SUSPENDED : 0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        WorkDir.empty() ? nullptr : WorkDir.c_str(), &si, &pi))
        return PROCESS_INFORMATION{};
    if (Bound) {
        if (const HANDLE job = BoundChildrenJob())
            AssignProcessToJobObject(job, pi.hProcess);
        ResumeThread(pi.hThread);
    }
    CloseHandle(pi.hThread);
    return pi;
}

// Calls Visit with every process entry of a tool-help snapshot.
void ForEachProcess(const std::function<void(const PROCESSENTRY32&)>& Visit) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        Visit(entry);
    CloseHandle(snapshot);
}

// The path key of a file: its short path, upper-cased, so that spellings of one file compare
// equal.
std::string PathKey(const std::string& Path) {
    std::string path = Path;
    std::replace(path.begin(), path.end(), '/', '\\');
    char buf[MAX_PATH];
    const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    return UpperCase(n > 0 && n < sizeof buf ? std::string(buf, n) : path);
}

} // namespace

std::uint32_t TKo::RunProgram(const std::string& ExePath, const std::string& Params,
                              const std::string& WorkDir, std::uint16_t ShowState) {
    const PROCESS_INFORMATION pi = Start(ExePath, Params, WorkDir, ShowState);
    if (!pi.hProcess)
        return 0;
    CloseHandle(pi.hProcess);
    return pi.dwProcessId;
}

std::uint32_t TKo::RunBoundProgram(const std::string& ExePath, const std::string& Params,
                                   const std::string& WorkDir, std::uint16_t ShowState) {
    const PROCESS_INFORMATION pi = Start(ExePath, Params, WorkDir, ShowState, true);
    if (!pi.hProcess)
        return 0;
    CloseHandle(pi.hProcess);
    return pi.dwProcessId;
}

void TKo::RunProgramAndWait(const std::string& ExePath, const std::string& Params,
                            const std::string& WorkDir, std::uint16_t ShowState) {
    const PROCESS_INFORMATION pi = Start(ExePath, Params, WorkDir, ShowState);
    if (!pi.hProcess)
        return;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
}

// A program here gets one command line, which it splits itself.
std::uint32_t TKo::RunProgram(const std::string& ExePath, const TArguments& Arguments,
                              const std::string& WorkDir, std::uint16_t ShowState) {
    return RunProgram(ExePath, JoinArguments(Arguments), WorkDir, ShowState);
}

std::uint32_t TKo::RunBoundProgram(const std::string& ExePath, const TArguments& Arguments,
                                   const std::string& WorkDir, std::uint16_t ShowState) {
    return RunBoundProgram(ExePath, JoinArguments(Arguments), WorkDir, ShowState);
}

void TKo::RunProgramAndWait(const std::string& ExePath, const TArguments& Arguments,
                            const std::string& WorkDir, std::uint16_t ShowState) {
    RunProgramAndWait(ExePath, JoinArguments(Arguments), WorkDir, ShowState);
}

TCardinalArray TKo::GetProcessList() {
    TCardinalArray pids;
    ForEachProcess([&](const PROCESSENTRY32& e) { pids.push_back(e.th32ProcessID); });
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::string TKo::GetProcessPath(std::uint32_t Pid) {
    const HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Pid);
    if (!h)
        return std::string();
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameExA(h, nullptr, buf, sizeof buf);
    CloseHandle(h);
    return n > 0 ? std::string(buf, n) : std::string();
}

TCardinalArray TKo::FindProcessesByPath(const std::string& ExePath) {
    TCardinalArray pids;
    // Relative paths count from the program folder; no process runs a file that is not there.
    const std::string path = TKo::ExpandAppRelativePath(ExePath);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return pids;
    const std::string key = PathKey(path);
    for (const std::uint32_t pid : GetProcessList()) {
        const std::string running = GetProcessPath(pid);
        if (!running.empty() && PathKey(running) == key)
            pids.push_back(pid);
    }
    return pids;
}

std::uint32_t TKo::FindProcessByPath(const std::string& ExePath) {
    const TCardinalArray pids = FindProcessesByPath(ExePath);
    return pids.empty() ? 0 : pids.front();
}

bool TKo::ProcessExists(std::int32_t Pid) {
    if (Pid <= 0)
        return false;
    const HANDLE h =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(Pid));
    if (!h)
        return false;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
}

std::uint32_t TKo::GetParentPid(std::uint32_t Pid) {
    std::uint32_t parent = 0;
    ForEachProcess([&](const PROCESSENTRY32& e) {
        if (e.th32ProcessID == Pid)
            parent = e.th32ParentProcessID;
    });
    return parent;
}

bool TKo::KillProcess(std::uint32_t Pid) {
    if (Pid == 0 || Pid == GetCurrentProcessId())
        return false;
    const HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, Pid);
    if (!h)
        return false;
    // A process that has already ended is not ended again.
    const bool ended = WaitForSingleObject(h, 0) == WAIT_TIMEOUT && TerminateProcess(h, 0) &&
                       WaitForSingleObject(h, 5000) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

void TKo::TerminateSelf() {
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
}

bool TKo::ShellOpenProgram(const std::string& ExePath, std::uint16_t ShowCommand) {
    return std::intptr_t(
               ShellExecuteA(nullptr, "open", ExePath.c_str(), nullptr, nullptr, ShowCommand)) > 32;
}

bool RequestProcessEnd(std::uint32_t Pid) {
    // Console servers listen for the close of their window's owner: a window close message to
    // each of the process's top-level windows.
    bool asked = false;
    struct Request {
        std::uint32_t pid;
        bool* asked;
    } request{Pid, &asked};
    EnumWindows(
        [](HWND Window, LPARAM Data) -> BOOL {
            auto* r = reinterpret_cast<Request*>(Data);
            DWORD owner = 0;
            GetWindowThreadProcessId(Window, &owner);
            if (owner == r->pid && PostMessageA(Window, WM_CLOSE, 0, 0))
                *r->asked = true;
            return TRUE;
        },
        LPARAM(&request));
    return asked;
}

bool TKo::IsFirstInstance(const std::string& MutexName) {
    // Held until the process ends: the handle is never closed.
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, MutexName.c_str());
    return mutex && GetLastError() != ERROR_ALREADY_EXISTS;
}

std::uint16_t TKo::GetStartupShowWindow() {
    STARTUPINFOA si;
    GetStartupInfoA(&si);
    return (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWNORMAL;
}

bool TKo::RunningAsAdministrator() {
    BOOL member = FALSE;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                 0, 0, 0, 0, &administrators)) {
        CheckTokenMembership(nullptr, administrators, &member);
        FreeSid(administrators);
    }
    return member;
}

} // namespace quindle
