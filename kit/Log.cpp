#include "kit/Log.h"
#include "kit/Paths.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <mutex>

#ifdef _WIN32
#include <process.h>
#define QUINDLE_GETPID _getpid
constexpr const char* kAppendBinaryMode = "abN"; // no started program inherits the handle
#else
#include <unistd.h>
#define QUINDLE_GETPID getpid
constexpr const char* kAppendBinaryMode = "abe";
#endif

namespace quindle {
namespace {

std::mutex g_logLock;
std::string g_logFile;

std::string Stamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// Starts a new file once the current one has reached the limit; the old one is kept once.
void KeepSmall(const std::string& File) {
    std::error_code ec;
    if (std::filesystem::file_size(File, ec) < kLogLimitBytes || ec)
        return;
    const std::string old = File + ".1";
    std::filesystem::remove(old, ec);
    std::filesystem::rename(File, old, ec);
}

} // namespace

void SetLogFolder(const std::string& Folder) {
    std::lock_guard<std::mutex> guard(g_logLock);
    g_logFile = Folder.empty() ? std::string() : JoinPath(Folder, kLogFileName);
}

std::string LogFile() {
    std::lock_guard<std::mutex> guard(g_logLock);
    return g_logFile;
}

void LogLine(const std::string& Text) noexcept {
    try {
        const std::string line =
            Stamp() + " [" + std::to_string(QUINDLE_GETPID()) + "] " + Text + "\n";
        std::lock_guard<std::mutex> guard(g_logLock);
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        if (g_logFile.empty())
            return;
        KeepSmall(g_logFile);
        // One write per line, appended: lines of several processes do not mix.
        if (std::FILE* f = std::fopen(g_logFile.c_str(), kAppendBinaryMode)) {
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    } catch (...) {
        // Out of memory while saying a failure: there is nothing left to say it with.
    }
}

void LogCaught(const std::string& Where) noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        LogLine(Where + ": " + e.what());
    } catch (...) {
        LogLine(Where + ": a failure without a description");
    }
}

} // namespace quindle
