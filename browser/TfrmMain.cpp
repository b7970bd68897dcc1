#include "browser/TfrmMain.h"
#include "browser/TWebPage.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace quindle {

TfrmMain::TfrmMain(std::uint16_t StartupShowCommand, QWidget* Parent)
    : QMainWindow(Parent), startupShowCommand_(StartupShowCommand) {
    setObjectName("frmMain");
    WebBrowser1 = new QWebEngineView(this);
    WebBrowser1->setObjectName("WebBrowser1");
    setCentralWidget(WebBrowser1);
    resize(1024, 720);

    state_.Wait.LetMessagesRun = [this] { LetMessagesRun(); };

    connect(WebBrowser1, &QWebEngineView::titleChanged, this, &TfrmMain::WebBrowser1TitleChange);
    connect(WebBrowser1, &QWebEngineView::loadStarted, this, [this] { pageBusy_ = true; });
    connect(WebBrowser1, &QWebEngineView::loadFinished, this, [this](bool) {
        pageBusy_ = false;
        pageComplete_ = true;
    });
    tmrCloseSplash.setObjectName("tmrCloseSplash");
    tmrCloseSplash.setInterval(1);
    connect(&tmrCloseSplash, &QTimer::timeout, this, &TfrmMain::tmrCloseSplashTimer);

    // Requests to end from outside and a vanishing medium are looked at often, also while the
    // start-up waits, since every wait lets events run.
    tmrOutsideEvents_.setInterval(100);
    connect(&tmrOutsideEvents_, &QTimer::timeout, this, &TfrmMain::CheckOutsideEvents);
    tmrOutsideEvents_.start();
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { ShutDown(); });
}

void TfrmMain::LetMessagesRun() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TfrmMain::UseProfileIn(const std::string& DataDir) {
    // Cookies, storage and cache belong to this package and survive its restarts.
    profile_ = new QWebEngineProfile(QStringLiteral("quindle"), this);
    profile_->setPersistentStoragePath(QString::fromLocal8Bit(JoinPath(DataDir, "browser")));
    profile_->setCachePath(QString::fromLocal8Bit(JoinPath(DataDir, "browser-cache")));
    auto* page = new TWebPage(profile_, WebBrowser1);
    // The page closing its own window ends the program.
    connect(page, &TWebPage::closeRequested, this, [this] { ShutDown(); });
    WebBrowser1->setPage(page);
}

void TfrmMain::WebBrowser1TitleChange(const QString& Title) {
    setWindowTitle(Title + " - " + QString::fromLocal8Bit(Trim(state_.AppTitle)));
}

void TfrmMain::NavigateTo(const QString& Url) {
    WebBrowser1->setUrl(QUrl::fromUserInput(Url));
}

void TfrmMain::CheckOutsideEvents() {
    if (TakeEndRequest())
        ShutDown();
    if (mounts_.Changed() && !TKo::IsDriveReady(TKo::GetAppFileName()))
        ShutDown();
}

void TfrmMain::StartSplashCloseTimer() {
    if (state_.SplashPid != 0 && TKo::ProcessExists(std::int32_t(state_.SplashPid)))
        tmrCloseSplash.start();
}

void TfrmMain::tmrCloseSplashTimer() {
    if (pageBusy_ || !pageComplete_)
        return;
    tmrCloseSplash.stop();
    state_.EndSplash();
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    Event->ignore();
    ShutDown();
}

} // namespace quindle
