#include "window/frame/TfrmBrowser.h"
#include "kit/Log.h"
#include "window/browser/TWebBrowser.h"
#include "window/frame/FavoritesMenu.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace quindle {

TfrmBrowser::TfrmBrowser(const QString& AppTitle, QWebEngineProfile* Profile)
    : TBrowserWindow(nullptr), appTitle_(AppTitle) {
    setObjectName(QStringLiteral("frmBrowser"));
    setAttribute(Qt::WA_DeleteOnClose);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    PlaceBrowser(Browser());
    // A popup has no Rebrand button.
    RemoveBrandButton();

    FirstNavigation = true;
    setWindowTitle(QString());
    setWindowIcon(QApplication::windowIcon());
    PrepareStatusBar();
    UseProfile(Profile);
    Favorites().Build();
    SetPopupFactory(&TfrmBrowser::OpenFor);
    connect(Browser(), &TWebBrowser::BeforeNavigate2, this,
            &TfrmBrowser::WebBrowser1BeforeNavigate2);
    connect(Browser(), &TWebBrowser::GeometryRequested, this, &TfrmBrowser::TakeRequestedGeometry);
}

TWebBrowser* TfrmBrowser::OpenFor(TBrowserWindow& Opener) {
    auto* popup = new TfrmBrowser(Opener.ApplicationTitle(), Opener.Browser()->page()->profile());
    popup->Park();
    popup->SetHomeUrl(Opener.PopupHomeUrl());
    popup->localhostPort_ = Opener.LocalhostPort();
    popup->Favorites().SetFile(Opener.Favorites().File());
    popup->show();
    return popup->Browser();
}

void TfrmBrowser::PlaceBrowser(QWidget* Control) {
    if (Control->parentWidget() != Panel1) {
        TBrowserWindow::PlaceBrowser(Panel1);
        Control->setParent(Panel1);
    }
    AlignControl();
}

void TfrmBrowser::AlignControl() {
    if (Panel1->layout()->indexOf(Browser()) < 0)
        Panel1->layout()->addWidget(Browser());
}

void TfrmBrowser::Park() {
    setGeometry(kParkedWindow, kParkedWindow, 0, 0);
    Panel1->layout()->removeWidget(Browser());
    Browser()->setGeometry(kParkedControl, kParkedControl, 0, 0);
}

void TfrmBrowser::TakeRequestedGeometry(const QRect& Geometry) {
    // The engine reports the position and inner size the page asked for; the parked control
    // takes them as its bounds, which is what "moved since parking" means below.
    if (!FirstNavigation || Geometry.isEmpty())
        return;
    Browser()->setGeometry(Geometry);
}

void TfrmBrowser::WebBrowser1BeforeNavigate2() {
    if (!FirstNavigation)
        return;
    FirstNavigation = false;
    try {
        const QRect control = Browser()->geometry();
        if (control.x() == kParkedControl && control.y() == kParkedControl) {
            resize(800, 600);
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
        } else {
            const TWebBrowser::TBars& bars = Browser()->RequestedBars();
            const bool band = bars.MenuBar && bars.ToolBar && bars.AddressBar;
            Band()->setVisible(band);
            StatusBar()->setVisible(bars.StatusBar);
            // Sizes here are client sizes: the frame comes on top of them, as it would.
            resize(control.width(), (band ? Band()->height() : 0) + control.height() +
                                        (bars.StatusBar ? StatusBar()->height() : 0));
            move(control.topLeft());
        }
    } catch (...) {
        LogCaught("Placing a new window where its page asked");
    }
    AlignControl();
}

void TfrmBrowser::showEvent(QShowEvent* Event) {
    TBrowserWindow::showEvent(Event);
    HomeButton()->setToolTip(QStringLiteral("%1 (Alt+Home)").arg(HomeUrl));
}

} // namespace quindle
