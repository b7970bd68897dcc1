#pragma once

// Starting and ending the package's servers: found by executable file, started hidden with
// their exact command lines, watched through the process list and the system's table of
// listening sockets, never by talking to them.

#include "kit/KoClass.h"

#include <chrono>
#include <functional>
#include <string>

namespace quindle {

// A cooperative wait: let pending events run once, then sleep.
struct TCooperativeWait {
    std::function<void()> LetMessagesRun = [] {};
    // How a pause passes; the thread sleeps unless told otherwise.
    std::function<void(int Milliseconds)> Sleep;
    void Pause(int Milliseconds) const;
    // Lets events run, then pauses for what is left of Milliseconds: tests between idles stay
    // that far apart however long the events took.
    void Idle(int Milliseconds) const;
};

// How long the start-up waits for the servers to serve before it goes on without them; how far
// apart it looks at their ports, and for the web server's worker (a configuration that listens
// on another port is served once the worker is there).
constexpr int kServeWaitMs = 30000;
constexpr int kServeLookMs = 4;
constexpr int kWorkerLookMs = 100;
// How long the database server may take to close its files when asked to end.
constexpr int kDatabaseStopMs = 30000;

// The server executables inside a stack folder.
std::string DatabaseServerExe(const std::string& BinDir);
std::string WebServerExe(const std::string& BinDir);

// How long a start waits for a server that was ended, or whose folder is still held, to let go
// of its files and port before it starts the new one all the same.
constexpr int kLeftoverEndMs = 10000;

// Ends every process of that executable and waits, letting events run, until they are gone and
// have let go of their files and ports; then does the same for any process of it that one of them
// started meanwhile. False when one is still there after kLeftoverEndMs.
bool KillProcessesByPath(const std::string& ExePath, const TCooperativeWait& Wait);

// Waits, letting events run, until no process holds the database folder's lock files: a server
// that is still ending, or was never seen, would make a new one on the same data end at once.
// False when they are still held after kLeftoverEndMs.
bool WaitForDatabaseFiles(const std::string& DatabaseDir, const TCooperativeWait& Wait);

// The servers' arguments; on Windows each but a switch goes in double quotes (JoinArguments).
TArguments DatabaseServerArguments(const std::string& MyIniFile, int MySqlPort,
                                   const std::string& BinDir);
TArguments WebServerArguments(const std::string& HttpdConfFile);

// Starts the database server with this run's configuration; it ends when we end, however that
// happens, after closing its files.
std::uint32_t SpawnDatabaseServer(const std::string& MySqlExe, const std::string& MyIniFile,
                                  int MySqlPort, const std::string& BinDir);
// Starts the web server hidden; returns the parent's id, 0 when it did not start.
std::uint32_t SpawnWebServer(const std::string& ApacheExe, const std::string& HttpdConfFile,
                             const std::string& DataDir);
// Waits, letting events run, until the web server serves (a socket listens on its port, or it
// has spawned its worker) and the database server, when MySqlPid is not 0, listens on its port
// or on its socket: the first page asked for finds both. Gives up on a
// server that has ended, and after kServeWaitMs. Returns every process of the web server's
// executable then running; nothing when it has ended or did not serve in time.
TCardinalArray WaitForServers(const std::string& ApacheExe, std::uint32_t ApachePid, int WebPort,
                              std::uint32_t MySqlPid, int MySqlPort, const TCooperativeWait& Wait,
                              const std::string& MySqlSocket = std::string());

// Ends a process and every process whose parent chain reaches it, the descendants first (once
// the parent is gone, they can no longer be traced to it).
void EndProcessTree(std::uint32_t Pid);

// Stops the database server so that it closes its files: it is asked to end once it has
// finished starting (a request in the middle of its start-up leaves it hung: it greets on its
// port or its socket then), and ended forcibly when it has not gone within the bound.
void StopDatabaseServer(std::uint32_t MySqlPid, int MySqlPort,
                        const std::string& MySqlSocket = std::string());

// Ends the recorded web server processes and every other process of its executable: workers
// spawned after the start-up wait outlive their parent and keep serving.
void StopWebServer(const std::string& ApacheExe, std::uint32_t ApachePid,
                   const TCardinalArray& ApachePids);

} // namespace quindle
