// The start-up sequence of an interactive run, in its fixed order. Every wait inside lets
// events run, so a request to end is served even in the middle of it.

#include "kit/KoClass.h"
#include "kit/Log.h"
#include "server/ConfigFiles.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/ErrorReport.h"
#include "window/common/ProgramIcon.h"
#include "window/common/WindowHelpers.h"
#include "window/frame/AddressBox.h"
#include "window/frame/FavoritesMenu.h"
#include "window/main/EventLoopWait.h"
#include "window/main/OutsideBrowserRun.h"
#include "window/main/OutsideEvents.h"
#include "window/main/TfrmMain.h"
#include "window/main/TrayMenu.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

namespace quindle {
namespace {

// The show commands (as the system's start-up information carries them) that start the window
// out of sight: hide, show minimised, minimise, show minimised without activating it.
constexpr int kShowHide = 0;
constexpr int kShowMinimized = 2;
constexpr int kShowMinimize = 6;
constexpr int kShowMinNoActive = 7;

} // namespace

void TfrmMain::AdoptPreparedRun(TRunState Prepared, const std::string& Error) {
    state_ = std::move(Prepared);
    state_.Wait = EventLoopWait();
    earlyError_ = Error;
}

void TfrmMain::FormCreate() {
    // The steps that need no window ran before the toolkit started (the splash comes up and the
    // web server starts while it does): AdoptPreparedRun handed their state and error over.
    TRunState& s = state_;
    try {
        if (s.TitleRead) {
            // Window titles are the captions alone, with nothing of the toolkit's added.
            QApplication::setApplicationDisplayName(QString());
            setWindowTitle(QString::fromLocal8Bit(s.AppTitle));
            QApplication::setWindowIcon(ProgramIcon());
            setWindowIcon(ProgramIcon());
            setWindowState(Qt::WindowMaximized);
        }
        if (!earlyError_.empty())
            throw Exception(earlyError_);
        // The browser engine starts up while the servers finish theirs: in the events the wait
        // lets run.
        QTimer::singleShot(0, this, [this] { UseProfileIn(state_.DataDir); });
        s.WaitForServers();
        UseProfileIn(s.DataDir);

        LetMessagesRun();
        NavigateTo(HomeAddress());
        if (s.FindOutsideBrowser())
            RunOutsideBrowser();

        Favorites().Build();
        SetSilentScriptErrors(s.SilentScriptErrors);
        Browser()->SetSilent(s.SilentScriptErrors);
        tray_->SetSettingsEnabled(!s.RunningFromCD());
        ApplyBrandFlag(IsFlagOn(s.ReadConfig("brand")));
        HomeButton()->setToolTip(HomeAddress() + QStringLiteral(" (Alt+Home)"));
        s.TrayIconOn = IsFlagOn(s.ReadConfig("trayicon"));
        s.ToolbarOn = IsFlagOn(s.ReadConfig("toolbar"));
        s.StatusbarOn = IsFlagOn(s.ReadConfig("statusbar"));
        ApplyBars(s.ToolbarOn, s.StatusbarOn);
        LetMessagesRun();
        // The address box shows the home page, which is on its way already: going there again
        // would abort that load and ask the server for the page a second time.
        AddressBox().SetText(HomeAddress());
        if (IsFlagOn(s.ReadConfig("fullscreen")))
            EnterFullScreen();
        LetMessagesRun();
        DecideStartShow();
        if (s.TrayIconOn)
            SetTrayIcon(true);
        EndSplashOnceLoaded();
        s.Started = true;
        WatchServers();
        UpdateOutsideLook();
        for (const std::string* problem : {&s.WebServerAccessProblem, &s.SiteCopyProblem})
            if (!problem->empty())
                QTimer::singleShot(0, this,
                                   [this, problem] { ShowErrorBox("Error", *problem, this); });
    } catch (const Exception& e) {
        // The rest of the sequence does not run; the window opens as far as it was prepared.
        ReportApplicationError(s.AppTitle, e.Message(), this);
    }
}

void TfrmMain::DecideStartShow() {
    const int show = int(startupShowCommand_) - int(kRelaunchOffset);
    if (show == kShowHide || show == kShowMinimized || show == kShowMinimize ||
        show == kShowMinNoActive) {
        // Without a tray to bring it back from, a window hidden there would be out of reach.
        startShow_ = state_.TrayIconOn && QSystemTrayIcon::isSystemTrayAvailable()
                         ? TStartShow::InTray
                         : TStartShow::Minimized;
        state_.EndSplash();
    } else {
        startShow_ = TStartShow::Normal;
    }
}

void TfrmMain::ShowAsStarted() {
    switch (startShow_) {
    case TStartShow::Never:
    case TStartShow::InTray:
        break;
    case TStartShow::Minimized:
        showMinimized();
        break;
    case TStartShow::Normal:
        if (windowState() & Qt::WindowFullScreen) {
            showFullScreen();
        } else {
            // A state set while hidden does not always reach the window manager.
            setWindowState(windowState() & ~Qt::WindowMaximized);
            showMaximized();
        }
        ForceForegroundWindow(this);
        break;
    }
}

void TfrmMain::RunOutsideBrowser() {
    outside_->ListenForReports(state_.BrowserMessageName());
    startShow_ = TStartShow::Never;
    outsideBrowser_->Run();
    ShutDown();
}

} // namespace quindle
