// Who reaches a run's site and its database: the program's window, which has the run's key, the
// browser the program opened, and the site itself. Not another account of the machine, and not
// a page of another site in any browser, whatever the site's own folders allow.

#include "tests/integration/PackageRun.h"

#include "kit/Paths.h"
#include "kit/Strings.h"
#include "server/SiteAccess.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>

using namespace quindle;
using namespace quindle::test;

namespace {

// Runs Checks as the machine's account "nobody" in a child process; what the checks found
// wrong comes back, a line each. The child starts while this process has no other thread.
std::string AsAnotherAccount(const std::function<std::string()>& Checks) {
    int out[2];
    if (pipe(out) != 0)
        return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        std::string said = "could not become nobody\n";
        if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0)
            said = Checks();
        (void)!write(out[1], said.data(), said.size());
        _exit(0);
    }
    close(out[1]);
    std::string said;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        said.append(buf, std::size_t(n));
    close(out[0]);
    waitpid(child, nullptr, 0);
    return said;
}

bool CanConnectTo(const std::string& Socket) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", Socket.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return connected;
}

// The processes of the machine whose command lines hold Text.
std::string CommandLinesHolding(const std::string& Text) {
    std::string found;
    DIR* proc = opendir("/proc");
    while (dirent* e = proc ? readdir(proc) : nullptr) {
        if (!TryStrToInt(e->d_name))
            continue;
        std::string cmdline;
        try {
            cmdline = ReadFile(std::string("/proc/") + e->d_name + "/cmdline");
        } catch (...) {
            continue; // ended meanwhile
        }
        if (cmdline.find(Text) != std::string::npos)
            found += std::string(e->d_name) + " ";
    }
    if (proc)
        closedir(proc);
    return found;
}

// A server on another port of the loopback address that keeps every request it is sent.
class RequestRecorder {
public:
    RequestRecorder() {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, 8);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~RequestRecorder() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        thread_.join();
        close(fd_);
    }
    int Port() const { return port_; }
    std::string Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        while (!stop_) {
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0)
                return;
            std::string head;
            char buf[4096];
            ssize_t n;
            while (head.find("\r\n\r\n") == std::string::npos &&
                   (n = recv(client, buf, sizeof buf, 0)) > 0)
                head.append(buf, std::size_t(n));
            const char* reply = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";
            send(client, reply, std::strlen(reply), MSG_NOSIGNAL);
            close(client);
            std::lock_guard<std::mutex> lock(mutex_);
            requests_ += head;
        }
    }

    int fd_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string requests_;
};

class SiteAccess : public ::testing::Test {
protected:
    std::string Conf(PackageRun& Run) { return ReadFile(Run.DataDir() + "/httpd.conf"); }
    std::string CookieName(PackageRun& Run) {
        const std::string conf = Conf(Run), mark = "QUINDLE_ACCESS_COOKIE:";
        const auto at = conf.find(mark);
        return at == std::string::npos
                   ? std::string()
                   : conf.substr(at + mark.size(), conf.find(']', at) - at - mark.size());
    }

    PackageCopy package;
    TempDir home;
};

} // namespace

TEST_F(SiteAccess, WithoutTheRunsKeyNothingIsServedWhateverTheSitesFoldersAllow) {
    std::filesystem::create_directories(package.Path("www/everyone"));
    WriteFile(package.Path("www/everyone/.htaccess"), "Require all granted\n");
    WriteFile(package.Path("www/everyone/note.txt"), "for everyone");
    WriteFile(package.Path("www/wp-cron.php"), "<?php echo 'cron ran';");
    // The site asks itself for its open path, without any cookie, as WordPress does.
    WriteFile(package.Path("www/self.php"),
              "<?php echo file_get_contents('http://127.0.0.1:' . $_SERVER['SERVER_PORT'] . "
              "'/wp-cron.php');");
    // And asks itself for a file with its visitor's cookies, as WordPress checks an edit.
    WriteFile(package.Path("www/forward.php"),
              "<?php $c = []; foreach ($_COOKIE as $k => $v) { $c[] = \"$k=$v\"; }\n"
              "echo $_COOKIE['a'] ?? '', '|', file_get_contents('http://127.0.0.1:' . "
              "$_SERVER['SERVER_PORT'] . '/everyone/note.txt', false, stream_context_create("
              "['http' => ['header' => 'Cookie: ' . implode('; ', $c)]]));");
    PackageRun run(package, home.Path());
    run.StartAndWaitForSite();
    const int port = run.WebPort();
    const std::string key = SiteKey(port), cookie = CookieName(run);
    ASSERT_EQ(key.size(), 64u);
    ASSERT_FALSE(cookie.empty());
    const std::string hostPort = "127.0.0.1:" + std::to_string(port);

    const HttpReply refused = StrangerRequest(port, "GET", "/");
    EXPECT_EQ(refused.status, 403);
    EXPECT_NE(refused.body.find("start the program"), std::string::npos) << refused.body;
    EXPECT_EQ(StrangerRequest(port, "GET", "/style.css").status, 403);
    EXPECT_EQ(StrangerRequest(port, "GET", "/everyone/note.txt").status, 403);
    EXPECT_EQ(StrangerRequest(port, "GET", "/?key=" + key).status, 403);
    EXPECT_EQ(StrangerRequest(port, "GET", "/?" + std::string(kAccessHeader) + "=" + key).status,
              403);
    for (const std::string& wrong :
         {std::string(kAccessHeader) + ": " + key.substr(1) + "0", "Cookie: other=" + key,
          "Cookie: " + cookie + "=" + key.substr(1) + "0", "Cookie: " + cookie + "x=" + key})
        EXPECT_EQ(StrangerRequest(port, "GET", "/", "", {wrong}).status, 403) << wrong;
    // With the key, a name of another site for this address, or a request another site's page
    // sends, is refused all the same.
    for (const std::vector<std::string>& foreign :
         std::vector<std::vector<std::string>>{{"Host: rebound.example:" + std::to_string(port)},
                                               {"Host: 127.0.0.1:1"},
                                               {"Origin: http://attacker.example"},
                                               {"Origin: null"},
                                               {"Origin: http://127.0.0.1:1"}})
        EXPECT_EQ(HttpRequest(port, "GET", "/", "", foreign).status, 403) << foreign[0];
    EXPECT_EQ(HttpRequest(port, "POST", "/guestbook.php", "name=a&message=b",
                          {"Origin: http://attacker.example"})
                  .status,
              403);

    EXPECT_EQ(HttpRequest(port, "GET", "/everyone/note.txt").body, "for everyone");
    EXPECT_EQ(HttpRequest(port, "GET", "/", "", {"Origin: http://" + hostPort}).status, 200);
    EXPECT_EQ(HttpRequest(port, "GET", "/", "", {"Host: localhost:" + std::to_string(port)}).status,
              200);
    EXPECT_EQ(StrangerRequest(port, "GET", "/", "", {"Cookie: a=b; " + cookie + "=" + key}).status,
              200);
    // The open path: for the site's own calls, still on the run's own host only.
    EXPECT_EQ(StrangerRequest(port, "GET", "/wp-cron.php").body, "cron ran");
    EXPECT_EQ(StrangerRequest(port, "GET", "/wp-cron.php", "", {"Host: rebound.example"}).status,
              403);
    EXPECT_EQ(HttpRequest(port, "GET", "/self.php").body, "cron ran");
    EXPECT_EQ(HttpRequest(port, "GET", "/forward.php").body, "|for everyone");
    EXPECT_EQ(HttpRequest(port, "GET", "/forward.php", "", {"Cookie: a=b"}).body, "b|for everyone");

    // Another account of the machine finds the key nowhere, and gets nothing without it.
    const std::string conf = run.DataDir() + "/httpd.conf";
    struct stat st {};
    ASSERT_EQ(stat(conf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(CommandLinesHolding(key), "");
    if (geteuid() != 0)
        GTEST_SKIP() << "another account can be taken by the administrator only";
    const std::string main = std::to_string(run.MainPid());
    EXPECT_EQ(AsAnotherAccount([&] {
                  std::string wrong;
                  if (open(conf.c_str(), O_RDONLY) >= 0)
                      wrong += "httpd.conf is readable\n";
                  if (open(("/proc/" + main + "/environ").c_str(), O_RDONLY) >= 0)
                      wrong += "the program's environment is readable\n";
                  if (!CommandLinesHolding(key).empty())
                      wrong += "a command line holds the key\n";
                  for (const char* path : {"/", "/style.css", "/everyone/note.txt"})
                      if (StrangerRequest(port, "GET", path).status != 403)
                          wrong += std::string(path) + " was served\n";
                  return wrong;
              }),
              "");
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(SiteAccess, TheWindowsFirstLoadIsServedAndItsKeyGoesNowhereElse) {
    RequestRecorder elsewhere;
    const std::string other = "http://127.0.0.1:" + std::to_string(elsewhere.Port());
    // Each load of the home page is written down; a refused request runs no page at all.
    WriteFile(package.Path("www/index.php"),
              "<?php file_put_contents(session_save_path() . '/loads.txt', "
              "($_SERVER['HTTP_USER_AGENT'] ?? '') . \"\\n\", FILE_APPEND); ?>"
              "<html><body>home<iframe src='/away.php'></iframe><img src='" +
                  other + "/direct'></body></html>");
    WriteFile(package.Path("www/away.php"),
              "<?php header('Location: " + other + "/redirected', true, 302);");
    WriteFile(package.Path("www/back.php"),
              "<?php header('Location: http://' . $_SERVER['HTTP_HOST'] . '/there', true, 302);");
    PackageRun run(package, home.Path());
    ASSERT_NE(run.Start(), 0u) << run.Log();
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::string seen = elsewhere.Requests();
            return seen.find("GET /direct") != std::string::npos &&
                   seen.find("GET /redirected") != std::string::npos;
        },
        60000))
        << elsewhere.Requests() << run.Log();
    const std::string key = SiteKey(run.WebPort());
    ASSERT_EQ(key.size(), 64u);
    EXPECT_EQ(elsewhere.Requests().find(key), std::string::npos) << elsewhere.Requests();
    // The engine would keep the key through a redirect: one that leaves the site goes by a page
    // of the server's instead, and the rest of the site's redirects stay as they are.
    const HttpReply away = HttpRequest(run.WebPort(), "GET", "/away.php");
    EXPECT_NE(away.headers.find("Location: /.quindle/leave?" + other + "/redirected\r\n"),
              std::string::npos)
        << away.headers;
    const HttpReply back = HttpRequest(run.WebPort(), "GET", "/back.php");
    EXPECT_NE(back.headers.find("Location: http://127.0.0.1:" + std::to_string(run.WebPort()) +
                                "/there\r\n"),
              std::string::npos)
        << back.headers;
    // One navigation to the home page, and it was served: the key came with the first request.
    std::string loads;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(run.DataDir()))
        if (entry.path().filename() == "loads.txt")
            loads = ReadFile(entry.path());
    if (loads.empty() && geteuid() == 0) // the administrator's sessions may be kept elsewhere
        for (const auto& entry : std::filesystem::recursive_directory_iterator("/var/lib/quindle"))
            if (entry.path().filename() == "loads.txt" &&
                entry.path().string().find(ExtractFileName(run.DataDir())) != std::string::npos)
                loads = ReadFile(entry.path());
    EXPECT_NE(loads.find("QtWebEngine"), std::string::npos) << loads;
    EXPECT_EQ(std::count(loads.begin(), loads.end(), '\n'), 1) << loads;
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(SiteAccess, WithoutTcpTheDatabaseIsReachedThroughItsSocketByTheSiteAlone) {
    package.SetConfig("[INI]\r\nport=8420\r\nip=127.0.0.1\r\nmysqltcp=0\r\n");
    PackageRun run(package, home.Path());
    run.StartAndWaitForSite();
    EXPECT_TRUE(run.WaitForDatabase()) << run.Log();
    EXPECT_FALSE(PortIsListening(run.MySqlPort()));
    const std::string socket = TKo::ReadIniString(run.DataDir() + "/my.ini", "mysqld", "socket");
    EXPECT_TRUE(CanConnectTo(socket)) << socket;
    struct stat folder {};
    ASSERT_EQ(stat(ExtractFileDir(socket).c_str(), &folder), 0);
    EXPECT_EQ(folder.st_uid, geteuid());
    // This user alone, or the administrator and the web server's account alone.
    EXPECT_EQ(folder.st_mode & 0777, geteuid() == 0 ? 0710u : 0700u);
    if (geteuid() == 0) {
        EXPECT_EQ(AsAnotherAccount([&] {
                      return CanConnectTo(socket) ? std::string("the socket answers\n")
                                                  : std::string();
                  }),
                  "");
    }
    EXPECT_TRUE(run.ShutDownAndWait()) << run.Log();
}
