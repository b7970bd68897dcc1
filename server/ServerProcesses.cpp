#include "server/ServerProcesses.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

namespace quindle {

void TCooperativeWait::Pause(int Milliseconds) const {
    if (Sleep)
        Sleep(Milliseconds);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

void TCooperativeWait::Idle(int Milliseconds) const {
    const auto start = std::chrono::steady_clock::now();
    LetMessagesRun();
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - start)
                           .count();
    if (spent < Milliseconds)
        Pause(int(Milliseconds - spent));
}

std::string DatabaseServerExe(const std::string& BinDir) {
    return JoinPath(BinDir, std::string("mysql/bin/mysqld") + ExeSuffix);
}

std::string WebServerExe(const std::string& BinDir) {
    return JoinPath(BinDir, std::string("Apache/Apache") + ExeSuffix);
}

namespace {

// Waits, pausing Step ms at a time, until Done or the bound has passed; whether Done came.
template <typename Done>
bool WaitFor(Done done, int BoundMs, const TCooperativeWait& Wait, int StepMs = 5) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(BoundMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        Wait.Pause(StepMs);
    }
    return true;
}

} // namespace

bool KillProcessesByPath(const std::string& ExePath, const TCooperativeWait& Wait) {
    TCardinalArray ended = TKo::FindProcessesByPath(ExePath);
    if (ended.empty())
        return true; // nothing to end, nothing to wait for
    for (auto pid : ended)
        TKo::KillProcess(pid);
    Wait.Pause(60);
    for (auto pid : TKo::FindProcessesByPath(ExePath)) {
        TKo::KillProcess(pid);
        ended.push_back(pid);
    }
    // An ended process no longer shows its program file long before it has closed its files
    // and ports: it is followed by its id until it is gone.
    return WaitFor(
        [&] {
            return std::none_of(ended.begin(), ended.end(), [](std::uint32_t pid) {
                return TKo::ProcessExists(std::int32_t(pid));
            });
        },
        kLeftoverEndMs, Wait);
}

bool WaitForDatabaseFiles(const std::string& DatabaseDir, const TCooperativeWait& Wait) {
    // The storage engines' own locks, held by a server for as long as it uses the folder (a
    // missing file is locked by nobody).
    const std::string files[] = {JoinPath(DatabaseDir, "ibdata1"),
                                 JoinPath(DatabaseDir, "aria_log_control")};
    return WaitFor(
        [&] { return std::none_of(std::begin(files), std::end(files), TKo::IsFileLocked); },
        kLeftoverEndMs, Wait);
}

TArguments DatabaseServerArguments(const std::string& MyIniFile, int MySqlPort,
                                   const std::string& BinDir) {
    return {"--defaults-file=" + MyIniFile, "--port=" + std::to_string(MySqlPort), "--innodb",
            "--language=" + JoinPath(BinDir, "mysql/share/english"), "--user=root"};
}

TArguments WebServerArguments(const std::string& HttpdConfFile) {
    return {"-f", HttpdConfFile};
}

std::uint32_t SpawnDatabaseServer(const std::string& MySqlExe, const std::string& MyIniFile,
                                  int MySqlPort, const std::string& BinDir) {
    return TKo::RunBoundProgram(MySqlExe, DatabaseServerArguments(MyIniFile, MySqlPort, BinDir), "",
                                SW_HIDE);
}

std::uint32_t SpawnWebServer(const std::string& ApacheExe, const std::string& HttpdConfFile,
                             const std::string& DataDir) {
    // A pid file left by a killed run names a process that may be alive again under another
    // program; the server would then refuse to start.
    TKo::DeleteFileIfExists(JoinPath(DataDir, "httpd.pid"));
    // The server must not outlive us, however we end: it would hold the port and go on serving.
    return TKo::RunBoundProgram(ApacheExe, WebServerArguments(HttpdConfFile), "", SW_HIDE);
}

TCardinalArray WaitForWebWorker(const std::string& ApacheExe, std::uint32_t ApachePid,
                                const TCooperativeWait& Wait,
                                std::chrono::steady_clock::time_point Started) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kWorkerWaitMs);
    auto since = Started;
    while (ApachePid != 0 && TKo::ProcessExists(std::int32_t(ApachePid)) &&
           std::chrono::steady_clock::now() < deadline) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - since)
                               .count();
        Wait.Idle(int(std::max<long long>(0, kWorkerLookMs - spent)));
        since = std::chrono::steady_clock::now();
        if (TKo::FindProcessesByPath(ApacheExe).size() >= 2)
            return TKo::FindProcessesByPath(ApacheExe);
    }
    return TCardinalArray();
}

void EndProcessTree(std::uint32_t Pid) {
    if (Pid == 0)
        return;
    for (auto pid : TKo::GetProcessList())
        if (TKo::IsDescendantProcess(Pid, pid))
            TKo::KillProcess(pid);
    TKo::KillProcess(Pid);
}

void StopDatabaseServer(std::uint32_t MySqlPid, int MySqlPort) {
    if (MySqlPid == 0)
        return;
    const auto start = std::chrono::steady_clock::now();
    auto elapsedMs = [&] {
        return int(std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count());
    };
    while (TKo::ProcessExists(std::int32_t(MySqlPid)) && elapsedMs() < kDatabaseStopMs &&
           !TKo::PortGreets(MySqlPort, 250))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    TKo::StopProcess(MySqlPid, std::max(0, kDatabaseStopMs - elapsedMs()));
}

void StopWebServer(const std::string& ApacheExe, std::uint32_t ApachePid,
                   const TCardinalArray& ApachePids) {
    if (ApachePid == 0)
        return;
    // Workers are found as the parent's children, which holds even when the executable's file
    // is gone with its medium; then the recorded ones, and any other of the same file.
    EndProcessTree(ApachePid);
    for (auto pid : ApachePids)
        TKo::KillProcess(pid);
    for (auto pid : TKo::FindProcessesByPath(ApacheExe))
        TKo::KillProcess(pid);
}

} // namespace quindle
