#pragma once

// Runs a copy of the real demo package as a user would: started plainly from its folder, in a
// private home, without a display. Watches what it starts and what it leaves behind.

#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quindle::test {

// A copy of the demo package in a folder of its own, readable by the web server's workers.
class PackageCopy {
public:
    // In a folder of that name (any bytes a file name may hold) when one is given.
    explicit PackageCopy(const std::string& Folder = std::string());
    const std::string& Dir() const { return root_; }
    std::string Program() const { return root_ + "/quindle"; }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    // Replaces the configuration the program carries.
    void SetConfig(const std::string& ini);
    // Takes the database out of this package.
    void RemoveDatabase();

private:
    TempDir dir_;
    std::string root_;
};

struct HttpReply {
    int status = 0;
    std::string headers; // the lines after the status line
    std::string body;
};
// A body is sent as a form's fields unless Headers name its Content-Type. The request names
// 127.0.0.1 and the port as its host unless Headers name one, and carries the key of the run on
// that port, as the program's window does, once a PackageRun has asked for its WebPort.
HttpReply HttpRequest(int port, const std::string& method, const std::string& path,
                      const std::string& body = std::string(),
                      const std::vector<std::string>& Headers = {});
// The same request without the key: as another account of the machine, or a page of another
// site, would send it.
HttpReply StrangerRequest(int port, const std::string& method, const std::string& path,
                          const std::string& body = std::string(),
                          const std::vector<std::string>& Headers = {});
// The key of the run on that port (empty before its httpd.conf names one).
std::string SiteKey(int port);
bool PortIsListening(int port);
// Whether a socket listens on that port on every address (IPv4), not only on the loopback one.
bool PortIsListeningOnEveryAddress(int port);

class PackageRun {
public:
    // Package is the folder that holds the program (named programName) and its bin, data and
    // www folders.
    PackageRun(const std::string& package, const std::string& home,
               const std::string& programName = "quindle");
    PackageRun(const PackageCopy& package, const std::string& home)
        : PackageRun(package.Dir(), home) {}
    ~PackageRun(); // ends whatever is still running, the hard way
    // Hands whatever is left of the run to a later run of the same package: the destructor then
    // ends nothing (it would end the later run's processes, which it cannot tell apart).
    void HandOver() { handedOver_ = true; }

    // A plain start, as from a file manager; returns the relaunched main instance (0 if none
    // appeared). ShowCommand is the start-up show command the plain start gets.
    std::uint32_t Start(int ShowCommand = 1);
    // A start that waits until the home page answers; fails the test otherwise.
    std::uint32_t StartAndWaitForSite();
    // Waits until the site reaches the package's database (nobody waits for it to be ready).
    bool WaitForDatabase();
    // Every process started by the run so far: its descendants and the servers of the package.
    std::set<std::uint32_t> Processes() const;
    // Asks the main instance to end as the session would, and waits until everything it
    // started is gone. False when something stays.
    bool ShutDownAndWait(int timeoutMs = 45000);

    // Waits until the main instance has ended and another has taken its place, started by the
    // program itself; that one is the run's main instance from then on. 0 if none came.
    std::uint32_t WaitForRestart(int timeoutMs = 60000);

    std::string DataDir() const;
    int WebPort() const;     // from the generated httpd.conf
    int MySqlPort() const;   // from the generated my.ini
    std::string Log() const; // what the program wrote to its standard streams
    std::uint32_t MainPid() const { return main_; }
    // Runs on that X display instead of offscreen.
    void UseDisplay(const std::string& Display) { display_ = Display; }
    // Runs in a Wayland session on that compositor's socket (a whole path), without X.
    void UseWayland(const std::string& Socket) { wayland_ = Socket; }
    // Starts the program as that account (the home must be its own); as ourselves when empty.
    void RunAs(const std::string& Account) { account_ = Account; }
    // Adds NAME=VALUE to the environment the program is started with.
    void AddEnvironment(const std::string& Variable) { extraEnvironment_.push_back(Variable); }
    // The exit code of the process Start waited for (the plain start, or the run itself when
    // it was started as the relaunched one); 128 + the signal when a signal ended it.
    int ExitCode() const { return exitCode_; }

private:
    std::string Path(const std::string& name) const { return package_ + "/" + name; }

    std::string package_;
    std::string home_;
    std::string log_;
    std::uint32_t main_ = 0;
    mutable std::set<std::uint32_t> seen_;
    mutable int webPort_ = 0;
    std::string display_;
    std::string wayland_;
    std::string programName_;
    std::vector<std::string> extraEnvironment_;
    std::string account_;
    int exitCode_ = -1;
    bool handedOver_ = false;
};

// The processes of a program running its splash mode.
std::vector<std::uint32_t> SplashProcesses(const std::string& program);

// The relaunched instances of a program: processes of that file started without arguments.
std::set<std::uint32_t> MainInstances(const std::string& program);

} // namespace quindle::test
