#pragma once

// A desktop of its own for a test: a virtual X display with a window manager (activation,
// maximising, full screen) and, unless told otherwise, a tray, started by the test and ended with
// it. Windows are looked
// at the way a user sees them: mapped, with a title, a position and a size.

#include <cstdint>
#include <string>
#include <vector>

namespace quindle::test {

struct DesktopWindow {
    std::string Id;
    std::string Title;
    int X = 0, Y = 0, Width = 0, Height = 0;
    std::string State; // _NET_WM_STATE and WM_STATE as the window manager set them
};

// Where a test leaves a screenshot for people to look at: build/screenshots/<Name>.
std::string ScreenshotPath(const std::string& Name);

// What a command run by the shell writes to its standard output; Succeeded, when given, says
// whether it exited with 0.
std::string CommandOutput(const std::string& Command, bool* Succeeded = nullptr);

class VirtualDesktop {
public:
    // 1280 x 800; false from Started() when Xvfb is missing or does not come up.
    explicit VirtualDesktop(bool WithTray = true);
    ~VirtualDesktop();
    bool Started() const { return display_ > 0; }
    std::string Display() const { return ":" + std::to_string(display_); }

    // Windows whose title contains Text: those on screen, or all of them (minimised ones too).
    std::vector<DesktopWindow> Windows(const std::string& Text, bool OnScreen = true) const;
    // Starts the tray's panel (on a desktop made without it); false when it did not come up.
    bool StartTray();
    // Windows embedded in the tray.
    int TrayIcons() const;
    // Clicks the first icon in the tray with that mouse button (1 left, 3 right).
    bool ClickTrayIcon(int Button) const;
    // A menu is open: a window above all others that the window manager does not manage, tall
    // enough for entries (a tooltip is not).
    bool MenuShown() const;
    // The window has the keyboard.
    bool HasFocus(const DesktopWindow& Window) const;
    // Presses keys (xdotool names, blank-separated) in the window that has the keyboard.
    void PressKeys(const std::string& Keys) const;
    // Asks the window manager to minimise the window, or to bring it back and activate it.
    void Minimise(const DesktopWindow& Window) const;
    void Restore(const DesktopWindow& Window) const;
    // A property of the window as xprop prints it, whole however long.
    std::string Property(const DesktopWindow& Window, const std::string& Name) const;
    // Closes the window as its close box does: the window manager asks the program to.
    void Close(const DesktopWindow& Window) const;
    // Saves the whole screen as a PNG.
    bool Screenshot(const std::string& File) const;

private:
    std::string Run(const std::string& Command) const { return CommandOutput(Command); }
    // The windows below the root as xwininfo lists them ("-tree", "-children"), whole.
    std::string WindowList(const std::string& Which) const;
    int display_ = 0;
    std::vector<std::uint32_t> pids_;
};

} // namespace quindle::test
