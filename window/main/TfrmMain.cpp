#include "window/main/TfrmMain.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "server/ConfigFiles.h"
#include "server/SiteAccess.h"
#include "window/browser/PackageProfile.h"
#include "window/browser/SiteKeyInterceptor.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/ErrorReport.h"
#include "window/common/ProgramIcon.h"
#include "window/common/WindowHelpers.h"
#include "window/frame/TfrmBrowser.h"
#include "window/main/Downloads.h"
#include "window/main/EventLoopWait.h"
#include "window/main/OutsideBrowserRun.h"
#include "window/main/OutsideEvents.h"
#include "window/main/ServerWatch.h"
#include "window/main/TrayMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QProgressBar>
#include <QToolButton>
#include <QWebEngineProfile>

#include <chrono>
#include <cstdio>

namespace quindle {

TfrmMain::TfrmMain(std::uint16_t StartupShowCommand, QWidget* Parent)
    : TBrowserWindow(Parent), startupShowCommand_(StartupShowCommand), tray_(new TTrayMenu(this)),
      outside_(new TOutsideEvents(this)), servers_(new TServerWatch(this)),
      outsideBrowser_(new TOutsideBrowserRun(state_, this)),
      downloads_(new TDownloads(this, StatusBar(), ProgressBar())) {
    setObjectName(QStringLiteral("frmMain"));
    PlaceBrowser(Browser());
    SetPopupFactory(&TfrmBrowser::OpenFor);
    state_.Wait = EventLoopWait();
    WireSideJobs();
}

void TfrmMain::WireSideJobs() {
    connect(tray_, &TTrayMenu::ShowHideAsked, this, &TfrmMain::ToggleMainWindow);
    connect(tray_, &TTrayMenu::SettingsAsked, this, &TfrmMain::ChangeAddress);
    connect(tray_, &TTrayMenu::HelpAsked, this, &TfrmMain::ShowHelp);
    connect(tray_, &TTrayMenu::ContactAsked, this, [] { TKo::OpenContactMail(); });
    connect(tray_, &TTrayMenu::WebsiteAsked, this, &TfrmMain::ShowWebsite);
    connect(tray_, &TTrayMenu::AboutAsked, this, &TfrmMain::ShowAbout);
    connect(tray_, &TTrayMenu::ExitAsked, this, &TfrmMain::ShutDown);
    connect(BrandButton(), &QToolButton::clicked, this, &TfrmMain::Rebrand);
    // Requests to end from outside and a vanishing medium are served at once, also while the
    // start-up waits, since every wait lets events run.
    connect(outside_, &TOutsideEvents::EndAsked, this, &TfrmMain::ShutDown);
    connect(outside_, &TOutsideEvents::MediumGone, this, &TfrmMain::ShutDown);
    connect(outside_, &TOutsideEvents::ProcessReported, this,
            [this](std::uint32_t Pid) { state_.ReportedPid = Pid; });
    connect(outside_, &TOutsideEvents::Looked, this, &TfrmMain::CheckTray);
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { ShutDown(); });
    connect(servers_, &TServerWatch::ServerMayHaveEnded, this, &TfrmMain::KeepServersUp);
}

TfrmMain::~TfrmMain() = default;

QString TfrmMain::HomeAddress() const {
    return QString::fromLatin1(quindle::HomeAddress(state_.WebPort));
}

QString TfrmMain::ApplicationTitle() const {
    return QString::fromLocal8Bit(state_.AppTitle);
}

QString TfrmMain::LocalhostPort() const {
    return QString::fromLatin1(quindle::LocalhostPort(state_.WebPort));
}

void TfrmMain::UseProfileIn(const std::string& DataDir) {
    // Asked twice by the start-up: beside the wait for the web server, and after it.
    if (Browser()->Page())
        return;
    QWebEngineProfile* profile = TPackageProfile::Open(DataDir);
    if (state_.Access.KeyAsked)
        TSiteKeyInterceptor::Install(profile, state_.WebPort, kAccessHeader,
                                     QByteArray::fromStdString(state_.Access.Key));
    downloads_->HandleDownloadsOf(profile);
    UseProfile(profile);
}

bool TfrmMain::TrayLooked() const {
    const bool trayAwaited = state_.Started && state_.TrayIconOn && !tray_->HasIcon();
    const bool hiddenInTray =
        state_.Started && tray_->HasIcon() && startShow_ != TStartShow::Never && !isVisible();
    return trayAwaited || hiddenInTray;
}

void TfrmMain::CheckTray() {
    // A tray that was not there at the start (its panel starts later) gets the icon once it is.
    if (state_.Started && state_.TrayIconOn)
        SetTrayIcon(true);
    // A window hidden in a tray that has gone (its panel ended) would be out of reach.
    if (state_.Started && tray_->HasIcon() && startShow_ != TStartShow::Never && !isVisible() &&
        !tray_->InTray())
        showMinimized();
    UpdateOutsideLook();
}

void TfrmMain::UpdateOutsideLook() {
    if (!ending_)
        outside_->UpdateLook(TrayLooked());
}

void TfrmMain::KeepServersUp() {
    // Servers that end on their own while the window is open are started again, and the user
    // is told: in the status bar, and with an error once a server is given up.
    for (const auto& news : state_.KeepServersUp(std::chrono::steady_clock::now())) {
        if (!news.StatusLine.empty()) {
            StatusBar()->SetPanelText(0, QString::fromLocal8Bit(news.StatusLine));
            std::fprintf(stderr, "%s\n", news.StatusLine.c_str());
        }
        if (!news.Error.empty())
            ShowErrorBox("Error", news.Error, this);
    }
    WatchServers();
}

void TfrmMain::WatchServers() {
    if (!ending_)
        servers_->Watch(state_.ApachePid, state_.MySqlPid);
}

void TfrmMain::EndSplashOnceLoaded() {
    if (state_.SplashPid == 0 || !TKo::ProcessExists(std::int32_t(state_.SplashPid)))
        return;
    // Complete: loaded, and nothing loading any more.
    if (Browser()->PageComplete()) {
        state_.EndSplash();
        return;
    }
    splashCloser_ = connect(Browser(), &TWebBrowser::DownloadComplete, this, [this] {
        if (!Browser()->PageComplete())
            return;
        disconnect(splashCloser_);
        state_.EndSplash();
    });
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    Event->ignore();
    ShutDown();
}

void TfrmMain::changeEvent(QEvent* Event) {
    TBrowserWindow::changeEvent(Event);
    // Minimising sends the window to the tray, when there is one to bring it back from;
    // without a tray it is the ordinary minimise, and the task bar keeps the window.
    if (Event->type() == QEvent::WindowStateChange && state_.Started && state_.TrayIconOn &&
        isMinimized() && isVisible())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && isVisible() && tray_->InTray())
                SetMainWindowVisible(false);
        });
}

} // namespace quindle
