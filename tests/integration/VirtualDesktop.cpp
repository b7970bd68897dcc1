#include "tests/integration/VirtualDesktop.h"
#include "kit/KoClass.h"
#include "tests/TestSupport.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace quindle::test {
namespace {

bool Exists(const std::string& Path) {
    struct stat st;
    return stat(Path.c_str(), &st) == 0;
}

std::string Which(const std::string& Program) {
    for (const char* dir : {"/usr/bin/", "/usr/local/bin/", "/bin/"})
        if (access((dir + Program).c_str(), X_OK) == 0)
            return dir + Program;
    return std::string();
}

} // namespace

VirtualDesktop::VirtualDesktop(bool WithTray) {
    const std::string xvfb = Which("Xvfb");
    if (xvfb.empty())
        return;
    // A display number another server holds (or one still ending) is answered by that server;
    // only a server of our own that stays up counts.
    auto alive = [](std::uint32_t Pid) { return TKo::ProcessExists(std::int32_t(Pid)); };
    int display = 90 + int(getpid() % 100);
    std::uint32_t server = 0;
    for (int attempt = 0; attempt < 8 && !display_; ++attempt, ++display) {
        while (Exists("/tmp/.X11-unix/X" + std::to_string(display)) ||
               Exists("/tmp/.X" + std::to_string(display) + "-lock"))
            ++display;
        const std::string name = ":" + std::to_string(display);
        server = TKo::RunProgram(xvfb, name + " -screen 0 1280x800x24 -nolisten tcp", "", 0);
        setenv("DISPLAY", name.c_str(), 1);
        const bool up = WaitUntil(
            [&] {
                return !alive(server) || (Exists("/tmp/.X11-unix/X" + std::to_string(display)) &&
                                          std::system("xdpyinfo > /dev/null 2>&1") == 0);
            },
            10000);
        usleep(100000);
        if (up && alive(server)) {
            pids_.push_back(server);
            display_ = display;
        } else {
            TKo::KillProcess(server);
        }
    }
    if (!display_)
        return;
    if (const std::string wm = Which("openbox"); !wm.empty()) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::uint32_t pid = TKo::RunProgram(wm, "", "", 0);
            const bool announced = WaitUntil(
                [&] {
                    return !alive(pid) ||
                           Run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
                               std::string::npos;
                },
                10000);
            if (announced && alive(pid)) {
                pids_.push_back(pid);
                break;
            }
            TKo::KillProcess(pid);
        }
        // It announces itself a little before its start is complete; windows mapped in between
        // would not be managed (maximised, placed) as the tests expect.
        usleep(300000);
    }
    if (WithTray)
        StartTray();
}

bool VirtualDesktop::StartTray() {
    const std::string tray = Which("trayer");
    if (tray.empty())
        return false;
    pids_.push_back(
        TKo::RunProgram(tray, "--edge top --align right --widthtype request --height 24", "", 0));
    return WaitUntil([&] { return !Run("xdotool search --name '^panel$'").empty(); }, 5000);
}

VirtualDesktop::~VirtualDesktop() {
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it)
        TKo::KillProcess(*it);
    // The next desktop must not meet this one's server still ending on the same display.
    for (auto pid : pids_)
        WaitUntil([&] { return !TKo::ProcessExists(std::int32_t(pid)); }, 5000);
    unsetenv("DISPLAY");
}

std::string CommandOutput(const std::string& Command, bool* Succeeded) {
    std::string out;
    int status = -1;
    if (FILE* p = popen((Command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 4096> buffer;
        while (std::size_t n = fread(buffer.data(), 1, buffer.size(), p))
            out.append(buffer.data(), n);
        status = pclose(p);
    }
    if (Succeeded)
        *Succeeded = status == 0;
    return out;
}

std::string ScreenshotPath(const std::string& Name) {
    std::filesystem::create_directories(QUINDLE_BINARY_DIR "/screenshots");
    return QUINDLE_BINARY_DIR "/screenshots/" + Name;
}

std::vector<DesktopWindow> VirtualDesktop::Windows(const std::string& Text, bool OnScreen) const {
    std::vector<DesktopWindow> result;
    std::istringstream ids(
        Run(OnScreen ? "xdotool search --onlyvisible --name ." : "xdotool search --name ."));
    std::string id;
    while (ids >> id) {
        DesktopWindow w;
        w.Id = id;
        w.Title = Run("xdotool getwindowname " + id);
        if (!w.Title.empty() && w.Title.back() == '\n')
            w.Title.pop_back();
        if (w.Title.find(Text) == std::string::npos)
            continue;
        // "WINDOW=..", "X=..", "Y=..", "WIDTH=..", "HEIGHT=.."
        std::istringstream shell(Run("xdotool getwindowgeometry --shell " + id));
        std::string line;
        while (std::getline(shell, line)) {
            const auto eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string key = line.substr(0, eq);
            const int value = std::atoi(line.c_str() + eq + 1);
            if (key == "X")
                w.X = value;
            else if (key == "Y")
                w.Y = value;
            else if (key == "WIDTH")
                w.Width = value;
            else if (key == "HEIGHT")
                w.Height = value;
        }
        w.State = Run("xprop -id " + id + " _NET_WM_STATE WM_STATE");
        // Withdrawn (or never managed) windows are gone for the user.
        if (!OnScreen && w.State.find("window state: Normal") == std::string::npos &&
            w.State.find("window state: Iconic") == std::string::npos)
            continue;
        result.push_back(w);
    }
    return result;
}

namespace {

// The screen rectangle of the first icon below the tray's panel: "WxH+x+y  +X+Y" in the tree.
bool FirstTrayIcon(const std::string& Tree, int& X, int& Y, int& W, int& H) {
    std::istringstream tree(Tree);
    std::string line;
    std::size_t panelDepth = std::string::npos;
    while (std::getline(tree, line)) {
        const std::size_t depth = line.find_first_not_of(' ');
        if (line.find("(\"panel\" \"trayer\")") != std::string::npos) {
            panelDepth = depth;
            continue;
        }
        if (panelDepth == std::string::npos || depth <= panelDepth ||
            line.find("(\"") == std::string::npos)
            continue;
        const auto size = line.find(")  ");
        if (size == std::string::npos)
            continue;
        int lx, ly;
        if (std::sscanf(line.c_str() + size + 3, "%dx%d+%d+%d +%d+%d", &W, &H, &lx, &ly, &X, &Y) ==
            6)
            return true;
    }
    return false;
}

} // namespace

std::string VirtualDesktop::WindowList(const std::string& Which) const {
    // The tool walks the windows one by one and gives up, with half a list, when one of them
    // goes away under it (a splash closing, a tooltip): only a walk that went through is a look.
    std::string list;
    bool whole = false;
    for (int walk = 0; walk < 100 && !whole; ++walk)
        list = CommandOutput("xwininfo -root " + Which, &whole);
    return list;
}

bool VirtualDesktop::ClickTrayIcon(int Button) const {
    int x, y, w, h;
    if (!FirstTrayIcon(WindowList("-tree"), x, y, w, h))
        return false;
    Run("xdotool mousemove " + std::to_string(x + w / 2) + " " + std::to_string(y + h / 2) +
        " click " + std::to_string(Button));
    return true;
}

void VirtualDesktop::PressKeys(const std::string& Keys) const {
    Run("xdotool key --delay 150 " + Keys);
}

void VirtualDesktop::Minimise(const DesktopWindow& Window) const {
    Run("xdotool windowminimize " + Window.Id);
}

void VirtualDesktop::Restore(const DesktopWindow& Window) const {
    Run("xdotool windowactivate " + Window.Id);
}

std::string VirtualDesktop::Property(const DesktopWindow& Window, const std::string& Name) const {
    return Run("xprop -len 100000000 -id " + Window.Id + " " + Name);
}

void VirtualDesktop::Close(const DesktopWindow& Window) const {
    // The window manager's own key for the close box: it sends the request a click would.
    Run("xdotool windowactivate --sync " + Window.Id + " key --delay 150 alt+F4");
}

int VirtualDesktop::TrayIcons() const {
    // In the window tree, the tray embeds each icon's window (one with a class of its own) below
    // its panel.
    std::istringstream tree(WindowList("-tree"));
    std::string line;
    std::size_t panelDepth = std::string::npos;
    int icons = 0;
    while (std::getline(tree, line)) {
        const std::size_t depth = line.find_first_not_of(' ');
        if (line.find("(\"panel\" \"trayer\")") != std::string::npos) {
            panelDepth = depth;
            continue;
        }
        if (panelDepth == std::string::npos)
            continue;
        if (depth <= panelDepth) {
            panelDepth = std::string::npos;
            continue;
        }
        if (line.find("(\"") != std::string::npos)
            ++icons;
    }
    return icons;
}

bool VirtualDesktop::MenuShown() const {
    // The managed windows hang below the window manager's frames; a menu is a child of the root.
    std::istringstream children(WindowList("-children"));
    std::string line;
    while (std::getline(children, line)) {
        std::istringstream fields(line);
        std::string id;
        if (!(fields >> id) || id.rfind("0x", 0) != 0)
            continue;
        const std::string info = Run("xwininfo -id " + id);
        const std::size_t height = info.find("Height: ");
        if (info.find("Map State: IsViewable") != std::string::npos &&
            info.find("Override Redirect State: yes") != std::string::npos &&
            height != std::string::npos && std::atoi(info.c_str() + height + 8) >= 60)
            return true;
    }
    return false;
}

bool VirtualDesktop::HasFocus(const DesktopWindow& Window) const {
    std::string focus = Run("xdotool getwindowfocus");
    while (!focus.empty() && focus.back() == '\n')
        focus.pop_back();
    return focus == Window.Id;
}

bool VirtualDesktop::Screenshot(const std::string& File) const {
    return std::system(
               ("import -display " + Display() + " -window root '" + File + "' > /dev/null 2>&1")
                   .c_str()) == 0;
}

} // namespace quindle::test
