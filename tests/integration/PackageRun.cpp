#include "tests/integration/PackageRun.h"
#include "kit/Strings.h"
#include "server/SiteAccess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace quindle::test {
namespace {

std::string Cmdline(std::uint32_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

PackageCopy::PackageCopy(const std::string& Folder)
    : root_(Folder.empty() ? dir_.Path() : dir_ / Folder) {
    // The web server's workers run as another account when we are the administrator: the copy
    // must be readable on the way down.
    chmod(dir_.Path().c_str(), 0755);
    std::error_code ec;
    std::filesystem::create_directories(root_, ec);
    chmod(root_.c_str(), 0755);
    std::filesystem::copy(QUINDLE_BINARY_DIR "/demo-package", root_,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::copy_symlinks,
                          ec);
    if (ec)
        throw std::runtime_error("cannot copy the demo package: " + ec.message());
}

void PackageCopy::SetConfig(const std::string& ini) {
    TKo::UpdateExeResource(Program(), "RES_CONFIG_INI", ini);
}

void PackageCopy::RemoveDatabase() {
    std::filesystem::remove_all(Path("data/mysql"));
}

namespace {

// The working folders of the runs whose ports the tests have asked for, and the key last read
// for each port: read from its run's httpd.conf at each request, as a restart writes a new one;
// a start that is refused removes the file the running one wrote.
struct TRunKey {
    std::string DataDir, Key;
};
std::map<int, TRunKey>& RunKeys() {
    static std::map<int, TRunKey> keys;
    return keys;
}

} // namespace

std::string SiteKey(int port) {
    const auto run = RunKeys().find(port);
    if (run == RunKeys().end())
        return std::string();
    try {
        const std::string conf = ReadFile(run->second.DataDir + "/httpd.conf");
        const std::string mark = std::string("%{HTTP:") + kAccessHeader + "} !=";
        const auto at = conf.find(mark);
        run->second.Key =
            at == std::string::npos ? std::string() : conf.substr(at + mark.size(), 64);
    } catch (...) {
        // Not there: the key read last.
    }
    return run->second.Key;
}

HttpReply HttpRequest(int port, const std::string& method, const std::string& path,
                      const std::string& body, const std::vector<std::string>& Headers) {
    std::vector<std::string> headers = Headers;
    if (const std::string key = SiteKey(port); !key.empty())
        headers.push_back(std::string(kAccessHeader) + ": " + key);
    return StrangerRequest(port, method, path, body, headers);
}

HttpReply StrangerRequest(int port, const std::string& method, const std::string& path,
                          const std::string& body, const std::vector<std::string>& Headers) {
    HttpReply reply;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return reply;
    }
    std::string request = method + " " + path + " HTTP/1.0\r\n";
    bool typed = false, hosted = false;
    for (const std::string& header : Headers) {
        request += header + "\r\n";
        typed = typed || header.rfind("Content-Type:", 0) == 0;
        hosted = hosted || header.rfind("Host:", 0) == 0;
    }
    if (!hosted)
        request += "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    if (!body.empty())
        request += (typed ? "" : "Content-Type: application/x-www-form-urlencoded\r\n") +
                   std::string("Content-Length: ") + std::to_string(body.size()) + "\r\n";
    request += "\r\n" + body;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
        close(fd);
        return reply;
    }
    std::string response;
    char buf[8192];
    ssize_t n;
    while ((n = recv(fd, buf, sizeof buf, 0)) > 0)
        response.append(buf, std::size_t(n));
    close(fd);
    if (response.compare(0, 5, "HTTP/") == 0)
        reply.status = std::atoi(response.c_str() + response.find(' ') + 1);
    const auto split = response.find("\r\n\r\n");
    if (split != std::string::npos) {
        const auto firstEnd = response.find("\r\n");
        reply.headers = response.substr(firstEnd + 2, split - firstEnd);
        reply.body = response.substr(split + 4);
    }
    return reply;
}

namespace {

// Listening sockets of the kernel's IPv4 table whose local address ends in Suffix.
bool ListeningAt(const std::string& Suffix) {
    std::ifstream in("/proc/net/tcp");
    std::string line;
    while (std::getline(in, line)) {
        // local address, remote address, state 0A = LISTEN
        std::istringstream fields(line);
        std::string sl, local, remote, state;
        fields >> sl >> local >> remote >> state;
        if (state == "0A" && local.size() >= Suffix.size() &&
            local.compare(local.size() - Suffix.size(), Suffix.size(), Suffix) == 0)
            return true;
    }
    return false;
}

std::string PortHex(int port) {
    char hex[8];
    std::snprintf(hex, sizeof hex, ":%04X", port);
    return hex;
}

} // namespace

bool PortIsListening(int port) {
    return ListeningAt(PortHex(port));
}

bool PortIsListeningOnEveryAddress(int port) {
    return ListeningAt("00000000" + PortHex(port));
}

std::vector<std::uint32_t> SplashProcesses(const std::string& program) {
    std::vector<std::uint32_t> result;
    for (auto pid : TKo::FindProcessesByPath(program))
        if (Cmdline(pid).find(std::string("\0splash\0", 8)) != std::string::npos)
            result.push_back(pid);
    return result;
}

std::set<std::uint32_t> MainInstances(const std::string& program) {
    std::set<std::uint32_t> result;
    const auto candidates = TKo::FindProcessesByPath(program);
    for (auto pid : candidates) {
        const std::string cmd = Cmdline(pid);
        if (std::count(cmd.begin(), cmd.end(), '\0') != 1) // the program path alone
            continue;
        // A child the program has forked but not yet replaced by the server or helper it
        // starts looks just like the program for that moment.
        const auto parent = TKo::GetParentPid(pid);
        if (std::find(candidates.begin(), candidates.end(), parent) == candidates.end())
            result.insert(pid);
    }
    return result;
}

PackageRun::PackageRun(const std::string& package, const std::string& home,
                       const std::string& programName)
    : package_(package), home_(home), log_(home + "/quindle.log"), programName_(programName) {
    std::filesystem::create_directories(home_);
    // Run by the administrator, the web server's workers are another account, which must pass
    // through the home to the working folder's sessions and uploads.
    const std::string temp = std::filesystem::temp_directory_path().string();
    for (std::filesystem::path p = home_; p.string().rfind(temp + "/", 0) == 0; p = p.parent_path())
        std::filesystem::permissions(
            p, std::filesystem::perms::group_exec | std::filesystem::perms::others_exec,
            std::filesystem::perm_options::add);
}

PackageRun::~PackageRun() {
    if (handedOver_)
        return;
    for (auto pid : Processes())
        TKo::KillProcess(pid);
}

std::uint32_t PackageRun::Start(int ShowCommand) {
    const auto before = MainInstances(Path(programName_));
    // The port is read from the configuration this run writes, not from an earlier one.
    std::filesystem::remove(DataDir() + "/httpd.conf");
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("HOME=", 0) == 0 || v.rfind("XDG_", 0) == 0 || v.rfind("QT_QPA_", 0) == 0 ||
            v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_", 0) == 0 ||
            v.rfind("QUINDLE_", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("HOME=" + home_);
    env.push_back("XDG_RUNTIME_DIR=" + home_);
    if (!wayland_.empty()) {
        // The toolkit's own choice of platform, as in a user's session.
        env.push_back("WAYLAND_DISPLAY=" + wayland_);
        env.push_back("XDG_SESSION_TYPE=wayland");
    } else if (display_.empty()) {
        env.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
        env.push_back("DISPLAY=" + display_);
    }
    for (const auto& extra : extraEnvironment_)
        env.push_back(extra);
    env.push_back("QUINDLE_SHOWCMD=" + std::to_string(ShowCommand));
    std::vector<char*> envp;
    for (auto& v : env)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log_.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, "/");
    std::string program = Path(programName_);
    // Another account: setpriv takes it on and becomes the program, in the same process.
    std::string setpriv = "/usr/bin/setpriv", user = "--reuid=" + account_,
                group = "--regid=" + account_, groups = "--init-groups";
    std::vector<char*> argv = {program.data(), nullptr};
    if (!account_.empty()) {
        group = "--regid=" + std::to_string(getpwnam(account_.c_str())->pw_gid);
        argv = {setpriv.data(), user.data(), group.data(), groups.data(), program.data(), nullptr};
    }
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return 0;
    int status = 0;
    waitpid(pid, &status, 0); // a plain start ends as soon as it has relaunched itself
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (ShowCommand >= 6000) {
        main_ = std::uint32_t(pid);
        return 0; // it was the interactive run itself, and it has ended
    }
    std::uint32_t found = 0;
    WaitUntil([&] {
        for (auto p : MainInstances(Path(programName_)))
            if (!before.count(p))
                found = p;
        return found != 0;
    });
    main_ = found;
    if (found)
        seen_.insert(found);
    return found;
}

std::uint32_t PackageRun::StartAndWaitForSite() {
    const auto pid = Start();
    EXPECT_NE(pid, 0u) << Log();
    const bool served = WaitUntil(
        [&] { return WebPort() != 0 && HttpRequest(WebPort(), "GET", "/").status == 200; }, 30000);
    EXPECT_TRUE(served) << Log();
    Processes();
    return pid;
}

bool PackageRun::WaitForDatabase() {
    return WaitUntil(
        [&] {
            return HttpRequest(WebPort(), "GET", "/").body.find("Connected to MariaDB") !=
                   std::string::npos;
        },
        30000);
}

std::set<std::uint32_t> PackageRun::Processes() const {
    const std::string apache = Path("bin/Apache/Apache");
    const std::string mysqld = Path("bin/mysql/bin/mysqld");
    for (const auto& exe : {Path(programName_), apache, mysqld})
        for (auto pid : TKo::FindProcessesByPath(exe))
            seen_.insert(pid);
    // The browser engine's helpers are children of the main instance.
    if (main_)
        for (auto pid : TKo::GetProcessList())
            if (TKo::IsDescendantProcess(main_, pid))
                seen_.insert(pid);
    std::set<std::uint32_t> alive;
    for (auto pid : seen_)
        if (TKo::ProcessExists(std::int32_t(pid)))
            alive.insert(pid);
    return alive;
}

bool PackageRun::ShutDownAndWait(int timeoutMs) {
    Processes();
    if (main_)
        kill(pid_t(main_), SIGTERM);
    if (WaitUntil([&] { return Processes().empty(); }, timeoutMs))
        return true;
    for (auto pid : Processes()) {
        std::string cmd = Cmdline(pid);
        std::replace(cmd.begin(), cmd.end(), '\0', ' ');
        std::fprintf(stderr, "left behind: %u %s\n", pid, cmd.c_str());
    }
    return false;
}

std::uint32_t PackageRun::WaitForRestart(int timeoutMs) {
    const std::uint32_t old = main_;
    std::uint32_t found = 0;
    WaitUntil(
        [&] {
            Processes();
            if (old && TKo::ProcessExists(std::int32_t(old)))
                return false;
            // Not the plain start the program was opened with: the run it relaunches.
            for (auto p : MainInstances(Path(programName_)))
                if (p != old && IsRelaunchedRun(p))
                    found = p;
            return found != 0;
        },
        timeoutMs);
    if (found) {
        main_ = found;
        seen_.insert(found);
        webPort_ = 0;
    }
    return found;
}

std::string PackageRun::DataDir() const {
    return home_ + "/.local/share/quindle/" +
           TKo::MD5Hex((account_.empty() ? TKo::GetLoginName() : account_) + "/" +
                       Path(programName_));
}

int PackageRun::WebPort() const {
    // Taken once: a later start of the same package rewrites the file.
    if (webPort_ == 0) {
        try {
            // "Listen <address>:<port>"
            const std::string conf = ReadFile(DataDir() + "/httpd.conf");
            const auto listen = conf.find("\nListen ");
            const auto colon = conf.find(':', listen);
            if (listen != std::string::npos && colon != std::string::npos &&
                conf.find('\n', listen + 1) > colon)
                webPort_ = std::atoi(conf.c_str() + colon + 1);
            if (webPort_ != 0)
                RunKeys()[webPort_].DataDir = DataDir();
        } catch (...) {
            // Not written yet: no port so far.
        }
    }
    return webPort_;
}

int PackageRun::MySqlPort() const {
    return TryStrToInt(TKo::ReadIniString(DataDir() + "/my.ini", "mysqld", "port")).value_or(0);
}

std::string PackageRun::Log() const {
    try {
        return ReadFile(log_);
    } catch (...) {
        return std::string();
    }
}

} // namespace quindle::test
