#include "server/ServerProcesses.h"
#include "kit/Paths.h"

#include <chrono>
#include <thread>

namespace quindle {
namespace {

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

} // namespace

void TCooperativeWait::Pause(int Milliseconds) const {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

std::string DatabaseServerExe(const std::string& BinDir) {
    return JoinPath(BinDir, std::string("mysql/bin/mysqld") + ExeSuffix);
}

std::string WebServerExe(const std::string& BinDir) {
    return JoinPath(BinDir, std::string("Apache/Apache") + ExeSuffix);
}

void KillProcessesByPath(const std::string& ExePath, const TCooperativeWait& Wait) {
    for (int pass = 0; pass < 2; ++pass) {
        for (auto pid : TKo::FindProcessesByPath(ExePath))
            TKo::KillProcess(pid);
        if (pass == 0)
            Wait.Pause(60);
    }
}

std::string DatabaseServerParams(const std::string& MyIniFile, int MySqlPort,
                                 const std::string& BinDir) {
    return Quoted("--defaults-file=" + MyIniFile) + " " +
           Quoted("--port=" + std::to_string(MySqlPort)) + " " + Quoted("--innodb") + " " +
           Quoted("--language=" + JoinPath(BinDir, "mysql/share/english")) + " " +
           Quoted("--user=root");
}

std::string WebServerParams(const std::string& HttpdConfFile) {
    return "-f " + Quoted(HttpdConfFile);
}

std::uint32_t StartWebServer(const std::string& ApacheExe, const std::string& HttpdConfFile,
                             const std::string& DataDir, const TCooperativeWait& Wait,
                             TCardinalArray& ApachePids) {
    ApachePids.clear();
    // A pid file left by a killed run names a process that may be alive again under another
    // program; the server would then refuse to start.
    TKo::DeleteFileIfExists(JoinPath(DataDir, "httpd.pid"));
    const std::uint32_t pid =
        TKo::RunProgram(ApacheExe, WebServerParams(HttpdConfFile), "", SW_HIDE);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kWorkerWaitMs);
    while (pid != 0 && TKo::ProcessExists(std::int32_t(pid)) &&
           std::chrono::steady_clock::now() < deadline) {
        Wait.Idle(330);
        if (TKo::FindProcessesByPath(ApacheExe).size() >= 2) {
            ApachePids = TKo::FindProcessesByPath(ApacheExe);
            break;
        }
    }
    return pid;
}

void StopWebServer(const std::string& ApacheExe, std::uint32_t ApachePid,
                   const TCardinalArray& ApachePids) {
    if (ApachePid == 0)
        return;
    TKo::KillProcess(ApachePid);
    for (auto pid : ApachePids)
        TKo::KillProcess(pid);
    for (auto pid : TKo::FindProcessesByPath(ApacheExe))
        TKo::KillProcess(pid);
}

} // namespace quindle
