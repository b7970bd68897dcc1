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
    // An ended process no longer shows its program file long before it has closed its files
    // and ports: it is followed by its id until it is gone.
    auto gone = [&] {
        return std::none_of(ended.begin(), ended.end(), [](std::uint32_t pid) {
            return TKo::ProcessExists(std::int32_t(pid));
        });
    };
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kLeftoverEndMs);
    auto left = [&] {
        return int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(
                                              deadline - std::chrono::steady_clock::now())
                                              .count()));
    };
    for (auto pid : ended)
        TKo::KillProcess(pid);
    // A process that one of them started while it was ended is ended once they are gone.
    bool done = WaitFor(gone, left(), Wait);
    const TCardinalArray late = TKo::FindProcessesByPath(ExePath);
    for (auto pid : late) {
        TKo::KillProcess(pid);
        ended.push_back(pid);
    }
    if (!late.empty())
        done = WaitFor(gone, left(), Wait);
    return done;
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

TCardinalArray WaitForServers(const std::string& ApacheExe, std::uint32_t ApachePid, int WebPort,
                              std::uint32_t MySqlPid, int MySqlPort, const TCooperativeWait& Wait,
                              const std::string& MySqlSocket) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kServeWaitMs);
    auto running = [](std::uint32_t Pid) { return TKo::ProcessExists(std::int32_t(Pid)); };
    // The system's table of listening sockets is one small file: a look costs next to nothing,
    // where a look at the process list reads files of every process. A port that listens is
    // served: the system accepts connections for the server from then on.
    bool webServes = false, databaseServes = MySqlPid == 0;
    auto nextWorkerLook = Clock::now();
    while (ApachePid != 0 && running(ApachePid) && Clock::now() < deadline) {
        if (!webServes) {
            webServes = TKo::PortListens(WebPort);
            if (!webServes && Clock::now() >= nextWorkerLook) {
                webServes = TKo::FindProcessesByPath(ApacheExe).size() >= 2;
                nextWorkerLook = Clock::now() + std::chrono::milliseconds(kWorkerLookMs);
            }
        }
        // A database server that has ended will not serve: the page says so, as it would later.
        if (!databaseServes)
            databaseServes = !running(MySqlPid) || TKo::PortListens(MySqlPort) ||
                             TKo::SocketListens(MySqlSocket);
        if (webServes && databaseServes)
            return TKo::FindProcessesByPath(ApacheExe);
        Wait.Idle(kServeLookMs);
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

void StopDatabaseServer(std::uint32_t MySqlPid, int MySqlPort, const std::string& MySqlSocket) {
    if (MySqlPid == 0)
        return;
    const auto start = std::chrono::steady_clock::now();
    auto elapsedMs = [&] {
        return int(std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count());
    };
    while (TKo::ProcessExists(std::int32_t(MySqlPid)) && elapsedMs() < kDatabaseStopMs &&
           !TKo::PortGreets(MySqlPort, 250) && !TKo::SocketGreets(MySqlSocket, 250))
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
