// The parts of the test support that depend on the system: the private folders of a run, child
// programs' output, executable resources and the start-up marks of processes.

#include "tests/TestSupport.h"
#include "kit/ResourceContainer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace quindle::test {

bool HasPermissionBits() {
    return true;
}

std::string SystemPath(const std::string& path) {
    return path;
}

std::uint32_t OwnPid() {
    return std::uint32_t(getpid());
}

std::string PreparePrivateFolders() {
    std::string root = (std::filesystem::temp_directory_path() / "quindle-test-XXXXXX").string();
    if (!mkdtemp(root.data()))
        throw std::runtime_error("mkdtemp failed");
    for (const char* sub : {"/home", "/home/.local/share", "/runtime", "/tmp"})
        std::filesystem::create_directories(root + sub);
    // Packages copied below are served by web server workers that run as another account when
    // the tests run as the administrator: they must be able to pass through.
    for (const char* sub : {"", "/tmp"})
        std::filesystem::permissions(root + sub, std::filesystem::perms(0755));
    // The desktop's runtime folder is the user's alone; Qt warns about any other mode.
    std::filesystem::permissions(root + "/runtime", std::filesystem::perms(0700));
    setenv("HOME", (root + "/home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    setenv("TMPDIR", (root + "/tmp").c_str(), 1);
    return root;
}

std::string RunAndCapture(const std::string& program, const std::string& args, int* exitCode) {
    const std::string cmd = "'" + program + "' " + args;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        throw std::runtime_error("popen failed");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string ExeResource(const std::string& exe, std::uint16_t type, const std::string& name) {
    try {
        const ResourceContainer c = ResourceContainer::Load(exe);
        const ResourceEntry* e = c.Find(type, ResourceName::Text(name));
        return e ? e->Data : "<missing>";
    } catch (const EFileError&) {
        return "<damaged>";
    }
}

bool IsRelaunchedRun(std::uint32_t pid) {
    // The environment a process started with; the show command of a relaunch is 6000 and more.
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    const std::string environment((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    const auto at = environment.find("QUINDLE_SHOWCMD=");
    return at != std::string::npos && std::atoi(environment.c_str() + at + 16) >= 6000;
}

TestListener::TestListener(int From, bool LoopbackOnly) {
    for (port_ = From; port_ <= 65535; ++port_) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(port_));
        a.sin_addr.s_addr = htonl(LoopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0) {
            socket_ = fd;
            return;
        }
        close(fd);
    }
}

TestListener::~TestListener() {
    if (Ok())
        close(int(socket_));
}

void TestListener::AnswerOnce(const std::string& Bytes) {
    const int client = accept(int(socket_), nullptr, nullptr);
    send(client, Bytes.data(), Bytes.size(), 0);
    close(client);
}

} // namespace quindle::test
