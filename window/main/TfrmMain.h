#pragma once

// The main window: the site in the program's own browser, with the tray menu, hiding to the tray,
// full screen and the About box. Its start-up sequence and its shutdown are StartUp.cpp and
// ShutDown.cpp; the non-visual state of the run is TRunState.

#include "kit/ReportChannel.h"
#include "kit/SystemEvents.h"
#include "launcher/run/RunState.h"
#include "window/frame/TBrowserWindow.h"

#include <QTimer>

#include <memory>

class QSocketNotifier;
class QWebEngineDownloadRequest;

namespace quindle {

// How often the window looks for a tray that was not there, and whether the tray that holds the
// hidden window is still there; where the system does not announce them, how often it looks for
// requests to end and media changes, and for servers that have ended.
constexpr int kTrayLookMs = 1000;
constexpr int kOutsideEventsLookMs = 100;
constexpr int kServerLookMs = 500;

class TTrayIconMan;

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
    // Downloads of pages in Profile ask where to save and show their progress here.
    void HandleDownloadsOf(QWebEngineProfile* Profile);
    QString HomeAddress() const override;
    QString ApplicationTitle() const override;

    // --- Window modes and the tray -----------------------------------------------------------
    void SetMainWindowVisible(bool Show);
    void ToggleMainWindow();
    void EnterFullScreen();

    // Start-up steps of the window, in their order.
    void ApplyBrandFlag(bool Branded);
    void ApplyBars(bool Toolbar, bool Statusbar);

protected:
    int StatusPanel2Width() const override { return 60; }
    QString LocalhostPort() const override;
    void PageClosedItself() override { ShutDown(); }
    QString PopupHomeUrl() const override { return HomeAddress(); }
    void closeEvent(QCloseEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    // How the window comes up once the start-up has finished.
    enum class TStartShow { Normal, Minimized, InTray, Never };

    void FormDestroy();
    // Ends the splash once the page has loaded completely (asked by the start-up).
    void EndSplashOnceLoaded();
    void SetTrayIcon(bool On);
    // The icon is in a tray that is there now: a window hidden there can be brought back.
    bool InTray() const;
    // The tray icon takes clicks, or ignores them while a modal window is open.
    void EnableTrayIcon(bool On);
    // The entries of the tray menu and the Rebrand button.
    void mnuTray_ShowClick();
    void mnuTray_SettingsClick();
    void mnuTray_HelpClick();
    void mnuTray_EmailClick();
    void mnuTray_WebsiteClick();
    void mnuTray_AboutClick();
    void mnuTray_ExitClick();
    void btnBrandClick();
    // Takes pages of the package's browser profile, made in DataDir at the first call.
    void UseProfileIn(const std::string& DataDir);
    void CreateTrayMenu();
    void CheckOutsideEvents();
    // Looks for outside events only while one can come that nothing announces.
    void UpdateOutsideLook();
    void EndIfMediumGone(); // ends the run when the medium the program runs from has gone
    void KeepServersUp();
    // Hears the end of each running server; looks for it where the end is not announced.
    void WatchServers();
    void LetMessagesRun();
    // Waits of the start-up and shutdown: events run, also during their pauses.
    TCooperativeWait MakeCooperativeWait();
    void Timer1Timer();
    // The show command of the start decides how the window comes up.
    void DecideStartShow();
    // When Browser.ini names an outside browser: the site is shown there, and the
    // program ends when that browser has ended.
    [[noreturn]] void RunOutsideBrowser();
    // Until no process runs the outside browser any more.
    void WaitWhileOutsideBrowserRuns();
    void ListenForReports();
    void TakeReports();
    void DownloadRequested(QWebEngineDownloadRequest* Download);

    QMenu* mnuTray;
    QAction* mnuTray_Show;
    QAction* mnuTray_Separator0;
    QAction* mnuTray_Settings;
    QAction* mnuTray_Separator1;
    QAction* mnuTray_Help;
    QAction* mnuTray_Email;
    QAction* mnuTray_Website;
    QAction* mnuTray_About;
    QAction* mnuTray_Separator2;
    QAction* mnuTray_Exit;
    // Ends the splash after its time when an outside browser shows the site.
    QTimer Timer1;

    TRunState state_;
    std::string earlyError_;
    std::uint16_t startupShowCommand_;
    TStartShow startShow_ = TStartShow::Normal;
    QTimer tmrOutsideEvents_;
    QMetaObject::Connection splashCloser_;
    QTimer tmrServers_; // keeps the servers up once the window runs, where ends are not heard
    // The end of each server process the window waits for: the web server, the database server.
    struct TServerEnd {
        std::uint32_t Pid = 0;
        std::unique_ptr<TProcessEndWatch> Watch;
        std::unique_ptr<QSocketNotifier> Notifier;
    };
    TServerEnd serverEnds_[2];
    bool endsAnnounced_ = false; // requests to end and media changes come on descriptors
    bool ending_ = false;        // the shutdown has begun: nothing is looked for any more
    std::unique_ptr<TTrayIconMan> trayIcon_;
    TReportChannel reports_;
    QSocketNotifier* reportNotifier_ = nullptr;
    TMountWatch mounts_;
};

} // namespace quindle
