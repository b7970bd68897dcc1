#include "window/main/TfrmMain.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "server/ConfigFiles.h"
#include "server/SiteAccess.h"
#include "window/browser/PackageProfile.h"
#include "window/browser/SiteKeyInterceptor.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/ProgramIcon.h"
#include "window/common/WindowHelpers.h"
#include "window/main/TTrayIconMan.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QToolButton>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

namespace quindle {

TfrmMain::TfrmMain(std::uint16_t StartupShowCommand, QWidget* Parent)
    : TBrowserWindow(Parent), startupShowCommand_(StartupShowCommand) {
    setObjectName(QStringLiteral("frmMain"));
    PlaceBrowser(Browser());
    CreateTrayMenu();

    state_.Wait = MakeCooperativeWait();

    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    connect(BrandButton(), &QToolButton::clicked, this, &TfrmMain::btnBrandClick);

    // Requests to end from outside and a vanishing medium are served at once, also while the
    // start-up waits, since every wait lets events run: the system announces them on
    // descriptors. Where it does not, they are looked for often.
    const int endRequests = EndRequestDescriptor();
    if (endRequests >= 0) {
        auto* notifier = new QSocketNotifier(qintptr(endRequests), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            if (TakeEndRequest())
                ShutDown();
        });
    }
    if (mounts_.Descriptor() >= 0) {
        auto* notifier =
            new QSocketNotifier(qintptr(mounts_.Descriptor()), QSocketNotifier::Exception, this);
        // The wake-up is the change: the medium is looked at at once.
        connect(notifier, &QSocketNotifier::activated, this, &TfrmMain::EndIfMediumGone);
    }
    endsAnnounced_ = endRequests >= 0 && mounts_.Descriptor() >= 0;
    tmrOutsideEvents_.setInterval(endsAnnounced_ ? kTrayLookMs : kOutsideEventsLookMs);
    connect(&tmrOutsideEvents_, &QTimer::timeout, this, &TfrmMain::CheckOutsideEvents);
    UpdateOutsideLook();
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { ShutDown(); });
    tmrServers_.setInterval(kServerLookMs);
    connect(&tmrServers_, &QTimer::timeout, this, &TfrmMain::KeepServersUp);
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::LetMessagesRun() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

TCooperativeWait TfrmMain::MakeCooperativeWait() {
    TCooperativeWait wait;
    wait.LetMessagesRun = [this] { LetMessagesRun(); };
    // The browser engine does its work in this thread's events: a pause that slept would stop
    // it (and the window) for as long.
    wait.Sleep = [](int Milliseconds) {
        QDeadlineTimer until(Milliseconds);
        while (!until.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                            int(std::max<qint64>(1, until.remainingTime())));
    };
    return wait;
}

QString TfrmMain::HomeAddress() const {
    return QString::fromLocal8Bit(quindle::HomeAddress(state_.WebPort));
}

QString TfrmMain::ApplicationTitle() const {
    return QString::fromLocal8Bit(state_.AppTitle);
}

QString TfrmMain::LocalhostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(state_.WebPort);
}

void TfrmMain::UseProfileIn(const std::string& DataDir) {
    // Asked twice by the start-up: beside the wait for the web server, and after it.
    if (Browser()->Page())
        return;
    QWebEngineProfile* profile = TPackageProfile::Open(DataDir);
    if (state_.Access.KeyAsked)
        TSiteKeyInterceptor::Install(profile, state_.WebPort, kAccessHeader,
                                     QByteArray::fromStdString(state_.Access.Key));
    HandleDownloadsOf(profile);
    UseProfile(profile);
}

void TfrmMain::HandleDownloadsOf(QWebEngineProfile* Profile) {
    connect(Profile, &QWebEngineProfile::downloadRequested, this, &TfrmMain::DownloadRequested);
}

void TfrmMain::DownloadRequested(QWebEngineDownloadRequest* Download) {
    // Save As of a page has chosen its file already.
    if (Download->isSavePageDownload())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QFileDialog dialog(this, tr("Save File"), QDir(folder).filePath(Download->suggestedFileName()));
    dialog.setObjectName(QStringLiteral("dlgDownload"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        Download->cancel();
        return;
    }
    const QFileInfo target(dialog.selectedFiles().first());
    Download->setDownloadDirectory(target.absolutePath());
    Download->setDownloadFileName(target.fileName());
    const QString name = target.fileName();
    connect(Download, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            [this, Download, name] {
                const qint64 total = Download->totalBytes();
                StatusBar()->SetPanelText(
                    0, tr("Downloading %1: %2 KB").arg(name).arg(Download->receivedBytes() / 1024));
                if (total > 0) {
                    ProgressBar()->setRange(0, 1000);
                    ProgressBar()->setValue(int(Download->receivedBytes() * 1000 / total));
                    ProgressBar()->show();
                }
            });
    connect(Download, &QWebEngineDownloadRequest::isFinishedChanged, this,
            [this, Download, target] {
                ProgressBar()->hide();
                StatusBar()->SetPanelText(
                    0, Download->state() == QWebEngineDownloadRequest::DownloadCompleted
                           ? tr("Download complete: %1").arg(target.absoluteFilePath())
                           : tr("Download failed: %1").arg(Download->interruptReasonString()));
            });
    Download->accept();
}

void TfrmMain::EndIfMediumGone() {
    if (!TKo::IsDriveReady(TKo::GetAppFileName()))
        ShutDown();
}

void TfrmMain::CheckOutsideEvents() {
    if (TakeEndRequest())
        ShutDown();
    if (mounts_.Changed())
        EndIfMediumGone();
    TakeReports();
    // A tray that was not there at the start (its panel starts later) gets the icon once it is.
    if (state_.Started && state_.TrayIconOn)
        SetTrayIcon(true);
    // A window hidden in a tray that has gone (its panel ended) would be out of reach.
    if (state_.Started && trayIcon_ && startShow_ != TStartShow::Never && !isVisible() && !InTray())
        showMinimized();
    UpdateOutsideLook();
}

void TfrmMain::UpdateOutsideLook() {
    if (ending_)
        return;
    // A tray's coming and going is announced to nobody: it is looked for while the icon waits
    // for one, and while the window is hidden in one.
    const bool trayAwaited = state_.Started && state_.TrayIconOn && !trayIcon_;
    const bool hiddenInTray =
        state_.Started && trayIcon_ && startShow_ != TStartShow::Never && !isVisible();
    const bool reportsUnheard = reports_.IsOpen() && !reportNotifier_;
    if (!endsAnnounced_ || trayAwaited || hiddenInTray || reportsUnheard) {
        if (!tmrOutsideEvents_.isActive())
            tmrOutsideEvents_.start();
    } else {
        tmrOutsideEvents_.stop();
    }
}

void TfrmMain::ListenForReports() {
    if (reports_.Open(state_.BrowserMessageName()) && reports_.Handle() >= 0) {
        reportNotifier_ =
            new QSocketNotifier(qintptr(reports_.Handle()), QSocketNotifier::Read, this);
        connect(reportNotifier_, &QSocketNotifier::activated, this, &TfrmMain::TakeReports);
    }
    // Without a descriptor the reports wait for the timer's next look.
    UpdateOutsideLook();
}

void TfrmMain::TakeReports() {
    if (!reports_.IsOpen())
        return;
    if (const std::uint32_t pid = reports_.Receive())
        state_.ReportedPid = pid;
}

void TfrmMain::EndSplashOnceLoaded() {
    if (state_.SplashPid == 0 || !TKo::ProcessExists(std::int32_t(state_.SplashPid)))
        return;
    // Complete: loaded, and nothing loading any more.
    if (Browser()->ReadyState() == 4) {
        state_.EndSplash();
        return;
    }
    splashCloser_ = connect(Browser(), &TWebBrowser::DownloadComplete, this, [this] {
        if (Browser()->ReadyState() != 4)
            return;
        disconnect(splashCloser_);
        state_.EndSplash();
    });
}

void TfrmMain::Timer1Timer() {
    Timer1.stop();
    state_.EndSplash();
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
            if (isMinimized() && isVisible() && InTray())
                SetMainWindowVisible(false);
        });
}

} // namespace quindle
