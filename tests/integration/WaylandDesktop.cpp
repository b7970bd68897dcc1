#include "tests/integration/WaylandDesktop.h"
#include "kit/KoClass.h"
#include "tests/integration/VirtualDesktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace quindle::test {

WaylandDesktop::WaylandDesktop() {
    if (access("/usr/bin/weston", X_OK) != 0)
        return;
    // The compositor makes its socket in the runtime folder it is given, which only its user
    // may enter; it is given no X display to fall back on.
    chmod(runtime_.Path().c_str(), 0700);
    TArguments arguments = {"--backend=headless-backend.so", "--use-pixman", "--width=1280",
                            "--height=800", "--socket=wayland-test", "--idle-time=0",
                            // the screenshooter's protocol, and every request in the log
                            "--debug", "--logger-scopes=log,proto", "--log=" + runtime_ / "log"};
    const std::string saved = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    setenv("XDG_RUNTIME_DIR", runtime_.Path().c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const std::uint32_t pid = TKo::RunProgram("/usr/bin/weston", arguments, "", 0);
    if (saved.empty())
        unsetenv("XDG_RUNTIME_DIR");
    else
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    struct stat st;
    const bool up = WaitUntil(
        [&] { return !TKo::ProcessExists(std::int32_t(pid)) || stat(Socket().c_str(), &st) == 0; },
        10000);
    if (up && TKo::ProcessExists(std::int32_t(pid)))
        pid_ = pid;
    else
        TKo::KillProcess(pid);
}

WaylandDesktop::~WaylandDesktop() {
    if (!pid_)
        return;
    TKo::KillProcess(pid_);
    WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(pid_)); }, 5000);
}

std::vector<std::string> WaylandDesktop::Requested(const std::string& Request) const {
    // [time][proto] client 0x... rq xdg_toplevel@14.set_title("Text")
    std::vector<std::string> values;
    std::istringstream log(ReadFile(runtime_ / "log"));
    const std::string mark = "." + Request + "(\"";
    std::string line;
    while (std::getline(log, line)) {
        const auto at = line.find(mark);
        const auto end = line.rfind("\")");
        if (at != std::string::npos && end != std::string::npos && end > at)
            values.push_back(line.substr(at + mark.size(), end - at - mark.size()));
    }
    return values;
}

bool WaylandDesktop::Screenshot(const std::string& File) const {
    // The tool saves into its current folder under a name of its own.
    TempDir shots;
    CommandOutput("cd '" + shots.Path() + "' && WAYLAND_DISPLAY='" + Socket() +
                  "' weston-screenshooter && mv wayland-screenshot-*.png '" + File + "'");
    return access(File.c_str(), R_OK) == 0;
}

} // namespace quindle::test
