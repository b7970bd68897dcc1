#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quindle::test {

// A folder of our own under the private test root, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Makes a private home, data, runtime and temporary folder for the run and points the
// environment at them; returns the folder that holds them.
std::string PreparePrivateFolders();
void RemovePrivateFolders(const std::string& root);

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
std::vector<std::string> TextLines(const std::string& text);
std::vector<std::string> ReadLines(const std::string& path); // none when the file is missing
bool PathExists(const std::string& path);
unsigned FileMode(const std::string& path); // permission bits
// Whether files have owner, group and other permission bits (not so on Windows).
bool HasPermissionBits();
// A path as the system itself spells it (backslashes on Windows).
std::string SystemPath(const std::string& path);
std::uint32_t OwnPid();

// Copies a file and keeps its permission bits (a program stays executable).
void CopyFile(const std::string& from, const std::string& to);
// The data of an executable's resource of that type and text name, "<missing>" when it has none
// and "<damaged>" when its resources cannot be read.
std::string ExeResource(const std::string& exe, std::uint16_t type, const std::string& name);

// Whether the process is the program's interactive run, the start that a plain start relaunches
// with its show command marked. False for a process that has ended.
bool IsRelaunchedRun(std::uint32_t pid);

// A TCP listener held for the life of the object, on the first port from From that it could
// take, on the loopback address or on all addresses.
class TestListener {
public:
    TestListener(int From, bool LoopbackOnly);
    ~TestListener();
    TestListener(const TestListener&) = delete;
    TestListener& operator=(const TestListener&) = delete;
    bool Ok() const { return socket_ != kNone; }
    int Port() const { return port_; }
    // Accepts one client, sends it Bytes and closes the connection.
    void AnswerOnce(const std::string& Bytes);

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t socket_ = kNone;
    int port_ = 0;
};

// Runs a program to its end and returns what it printed on standard output, lines ending in a
// line feed alone.
std::string RunAndCapture(const std::string& program, const std::string& args,
                          int* exitCode = nullptr);

// Polls until cond() holds or the time is up; true when it held.
template <typename Cond> bool WaitUntil(Cond cond, int timeoutMs = 5000);
// For what must not happen: polls cond() for the whole time; false as soon as it fails once.
template <typename Cond> bool HoldsFor(Cond cond, int ms);

} // namespace quindle::test

#include <chrono>
#include <thread>

namespace quindle::test {
template <typename Cond> bool WaitUntil(Cond cond, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (cond())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return cond();
}

template <typename Cond> bool HoldsFor(Cond cond, int ms) {
    return !WaitUntil([&] { return !cond(); }, ms);
}
} // namespace quindle::test
