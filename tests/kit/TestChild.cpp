// A program the process tests start for real.
//   test_child sleep SECONDS
//   test_child datadir -                   prints its data folder
//   test_child report FILE [ARGS...]     writes its folder, show command and arguments to FILE
//   test_child parent SECONDS FILE        starts a sleeping child, writes its id to FILE, sleeps
//   test_child instance NAME SECONDS      prints first/second for the named instance, then sleeps
//   test_child claim PORT                  prints the port it claims from PORT on
//   test_child send-report NAME PID        reports PID on the named report channel
//   test_child bound SECONDS FILE          starts a sleeping child bound to it, writes its id
//                                          to FILE, sleeps
//   test_child starter SECONDS FILE        starts a helper that ends with it, then sleeps
//   test_child helper FILE                 ends with its parent; writes its id to FILE, sleeps
//   test_child ending-holder NAME FILE     (POSIX) claims the named instance, locks FILE as a
//                                          database server locks its files, fills memory
//                                          and threads as a large program does, writes
//                                          FILE.ready and sleeps
//   test_child hold-desktop SECONDS        (Windows) makes a hidden window, prints "ready" or
//                                          why not, and keeps it, running its messages
//   test_child                             (a plain start) writes its show command to
//                                          <own file>.started

#include "kit/KoClass.h"
#include "kit/ReportChannel.h"
#include "kit/SystemEvents.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>
#endif

using namespace quindle;

namespace {

std::uint32_t OwnPid() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return std::uint32_t(getpid());
#endif
}

void SleepSeconds(const char* Seconds) {
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(Seconds)));
}

#ifdef _WIN32
// Wine starts its desktop for the first window a process makes, and closes it a second after its
// last user has gone. The test run starts it with this alone and holds it to the end, so that no
// test races the desktop's start.
int HoldDesktop(const char* Seconds) {
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        std::printf("no window: error %lu\n", GetLastError());
        return 1;
    }
    // A desktop that was closing as we asked for it leaves the window without a parent.
    const HWND desktop = GetDesktopWindow();
    if (!IsWindow(desktop) || GetAncestor(window, GA_PARENT) != desktop) {
        std::printf("no desktop\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(Seconds));
    while (std::chrono::steady_clock::now() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }
    DestroyWindow(window);
    return 0;
}
#endif

} // namespace

int main(int argc, char** argv) {
    if (argc == 1) {
        FILE* f = std::fopen((TKo::GetAppFileName() + ".started").c_str(), "w");
        if (!f)
            return 3;
        const char* show = std::getenv("QUINDLE_SHOWCMD");
        std::fprintf(f, "%s\n", show ? show : "");
        std::fclose(f);
        return 0;
    }
    if (argc < 3)
        return 2;
    const std::string mode = argv[1];
    if (mode == "sleep") {
        SleepSeconds(argv[2]);
        return 0;
    }
    if (mode == "datadir") {
        std::printf("%s\n", TKo::GetDataDir().c_str());
        return 0;
    }
    if (mode == "report") {
        FILE* f = std::fopen(argv[2], "w");
        if (!f)
            return 3;
        std::error_code ec;
        std::fprintf(f, "cwd=%s\n", std::filesystem::current_path(ec).string().c_str());
        const char* show = std::getenv("QUINDLE_SHOWCMD");
        std::fprintf(f, "show=%s\n", show ? show : "");
        std::fprintf(f, "showword=%u\n", unsigned(TKo::GetStartupShowWindow()));
        std::fprintf(f, "showleft=%s\n", std::getenv("QUINDLE_SHOWCMD") ? "yes" : "no");
        std::fprintf(f, "argc=%d\n", argc - 3);
        for (int i = 3; i < argc; ++i)
            std::fprintf(f, "arg=%s\n", argv[i]);
        std::fclose(f);
        return 0;
    }
    if (mode == "parent" && argc >= 4) {
        const std::uint32_t child = TKo::RunProgram(TKo::GetAppFileName(), "sleep 60", "", 0);
        FILE* f = std::fopen(argv[3], "w");
        std::fprintf(f, "%u\n", child);
        std::fclose(f);
        SleepSeconds(argv[2]);
        return 0;
    }
    if (mode == "bound" && argc >= 4) {
        const std::uint32_t child = TKo::RunBoundProgram(TKo::GetAppFileName(), "sleep 60", "", 0);
        // Written whole under another name first: the test reads it as soon as it appears.
        const std::string partial = std::string(argv[3]) + ".part";
        FILE* f = std::fopen(partial.c_str(), "w");
        if (!f)
            return 3;
        std::fprintf(f, "%u\n", child);
        std::fclose(f);
        std::filesystem::rename(partial, argv[3]);
        SleepSeconds(argv[2]);
        return 0;
    }
    if (mode == "send-report" && argc >= 4)
        return SendReport(argv[2], std::uint32_t(std::strtoul(argv[3], nullptr, 10))) ? 0 : 1;
    if (mode == "starter" && argc >= 4) {
        TKo::RunProgram(TKo::GetAppFileName(), std::string("helper \"") + argv[3] + "\"", "", 0);
        SleepSeconds(argv[2]);
        return 0;
    }
    if (mode == "helper") {
        EndWithParent();
        // Written whole under another name first: the test reads it as soon as it appears.
        const std::string partial = std::string(argv[2]) + ".part";
        FILE* f = std::fopen(partial.c_str(), "w");
        if (!f)
            return 3;
        std::fprintf(f, "%u\n", unsigned(OwnPid()));
        std::fclose(f);
        std::filesystem::rename(partial, argv[2]);
        SleepSeconds("60");
        return 0;
    }
#ifndef _WIN32
    // What a killed program leaves to the system: many threads to end and much memory to free
    // before its files close.
    if (mode == "ending-holder" && argc >= 4) {
        if (!TKo::IsFirstInstance(argv[2]))
            return 4;
        const int fd = open(argv[3], O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (fd < 0 || fcntl(fd, F_SETLK, &whole) != 0)
            return 3;
        std::vector<char> memory(std::size_t(256) << 20);
        std::memset(memory.data(), 1, memory.size());
        for (int i = 0; i < 32; ++i)
            std::thread([] { SleepSeconds("60"); }).detach();
        if (FILE* f = std::fopen((std::string(argv[3]) + ".ready").c_str(), "w"))
            std::fclose(f);
        SleepSeconds("60");
        return 0;
    }
#else
    if (mode == "hold-desktop")
        return HoldDesktop(argv[2]);
#endif
    if (mode == "claim") {
        std::printf("%d\n", TKo::ClaimFreePort(std::atoi(argv[2]), true));
        return 0;
    }
    if (mode == "instance" && argc >= 4) {
        std::printf("%s\n", TKo::IsFirstInstance(argv[2]) ? "first" : "second");
        std::fflush(stdout);
        SleepSeconds(argv[3]);
        return 0;
    }
    return 2;
}
