// The parts of the test support that depend on the system, on Windows: the private folders of a
// run and child programs' output.

#include "tests/TestSupport.h"

#include <winsock2.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace quindle::test {

bool HasPermissionBits() {
    return false;
}

std::string PreparePrivateFolders() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::filesystem::path root;
    for (unsigned n = GetCurrentProcessId();; ++n) {
        root = base / ("quindle-test-" + std::to_string(n));
        if (std::filesystem::create_directory(root))
            break;
    }
    for (const char* sub : {"home", "appdata", "tmp"})
        std::filesystem::create_directories(root / sub);
    // The temporary folder is where GetTempPath and the C++ library look first.
    const std::string tmp = (root / "tmp").string();
    for (const char* name : {"TMP", "TEMP"}) {
        SetEnvironmentVariableA(name, tmp.c_str());
        _putenv_s(name, tmp.c_str());
    }
    return root.string();
}

std::string SystemPath(const std::string& path) {
    return std::filesystem::path(path).make_preferred().string();
}

std::uint32_t OwnPid() {
    return GetCurrentProcessId();
}

std::string RunAndCapture(const std::string& program, const std::string& args, int* exitCode) {
    // cmd.exe wants the whole line quoted once more around the quoted program.
    const std::string cmd = "\"\"" + program + "\" " + args + "\"";
    FILE* p = _popen(cmd.c_str(), "rt");
    if (!p)
        throw std::runtime_error("_popen failed");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = _pclose(p);
    if (exitCode)
        *exitCode = status;
    return out;
}

TestListener::TestListener(int From, bool LoopbackOnly) {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!ready)
        return;
    for (port_ = From; port_ <= 65535; ++port_) {
        const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(u_short(port_));
        a.sin_addr.s_addr = htonl(LoopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
        if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(s, 4) == 0) {
            socket_ = std::intptr_t(s);
            return;
        }
        closesocket(s);
    }
}

TestListener::~TestListener() {
    if (Ok())
        closesocket(SOCKET(socket_));
}

void TestListener::AnswerOnce(const std::string& Bytes) {
    const SOCKET client = accept(SOCKET(socket_), nullptr, nullptr);
    send(client, Bytes.data(), int(Bytes.size()), 0);
    closesocket(client);
}

} // namespace quindle::test
