#pragma once

// The main window: the site in the program's own browser, hiding to the tray, full screen and
// the About box. Its start-up sequence and its shutdown are StartUp.cpp and ShutDown.cpp; the
// non-visual state of the run is TRunState; the jobs beside the window are objects of their own:
// the tray menu, the events from outside, the watch of the servers, the outside browser's run.

#include "launcher/run/RunState.h"
#include "window/frame/TBrowserWindow.h"

namespace quindle {

class TDownloads;
class TOutsideBrowserRun;
class TOutsideEvents;
class TServerWatch;
class TTrayMenu;

class TfrmMain : public TBrowserWindow {
    Q_OBJECT

public:
    explicit TfrmMain(std::uint16_t StartupShowCommand, QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // Takes over the steps the start-up ran before the toolkit started, or the error that
    // stopped them.
    void AdoptPreparedRun(TRunState Prepared, const std::string& Error);
    // The start-up sequence from the window's part on; returns with the window ready
    // to be shown, or ends the process.
    void FormCreate();
    // Shows the window as the start-up decided.
    void ShowAsStarted();
    // Ends every process the run started, then the program itself.
    [[noreturn]] void ShutDown();

    TRunState& State() { return state_; }
    // Downloads of the window's pages ask where to save and show their progress here.
    TDownloads& Downloads() const { return *downloads_; }
    QString HomeAddress() const override;
    QString ApplicationTitle() const override;
    QString LocalhostPort() const override;
    QString PopupHomeUrl() const override { return HomeAddress(); }

    // --- Window modes and the tray -----------------------------------------------------------
    void SetMainWindowVisible(bool Show);
    void ToggleMainWindow();
    void EnterFullScreen();

    // Start-up steps of the window, in their order.
    void ApplyBrandFlag(bool Branded);
    void ApplyBars(bool Toolbar, bool Statusbar);

protected:
    int StatusPanel2Width() const override { return 60; }
    void PageClosedItself() override { ShutDown(); }
    void closeEvent(QCloseEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    // How the window comes up once the start-up has finished.
    enum class TStartShow { Normal, Minimized, InTray, Never };

    void WireSideJobs();
    void FormDestroy();
    // Ends the splash once the page has loaded completely (asked by the start-up).
    void EndSplashOnceLoaded();
    void SetTrayIcon(bool On);
    // The window is out of sight in the tray: the tray's coming and going is announced to
    // nobody, so it is looked for then, and while the icon waits for a tray.
    bool TrayLooked() const;
    void CheckTray();
    // What the tray menu and the Rebrand button ask for.
    void ShowHelp();
    void ShowWebsite();
    void ShowAbout();
    void ChangeAddress();
    void Rebrand();
    // Takes pages of the package's browser profile, made in DataDir at the first call.
    void UseProfileIn(const std::string& DataDir);
    // Starts servers that ended and tells the user; watches the ones that run.
    void KeepServersUp();
    void WatchServers();
    void UpdateOutsideLook();
    void LetMessagesRun() { state_.Wait.LetMessagesRun(); }
    // The show command of the start decides how the window comes up.
    void DecideStartShow();
    // When Browser.ini names an outside browser: the site is shown there, and the
    // program ends when that browser has ended.
    [[noreturn]] void RunOutsideBrowser();

    TRunState state_;
    std::string earlyError_;
    std::uint16_t startupShowCommand_;
    TStartShow startShow_ = TStartShow::Normal;
    QMetaObject::Connection splashCloser_;
    bool ending_ = false; // the shutdown has begun: nothing is looked for any more
    TTrayMenu* tray_;
    TOutsideEvents* outside_;
    TServerWatch* servers_;
    TOutsideBrowserRun* outsideBrowser_;
    TDownloads* downloads_;
};

} // namespace quindle
