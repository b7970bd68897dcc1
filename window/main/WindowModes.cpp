// The main window's modes: shown, hidden in the tray, full screen; and what the tray menu
// shows in the window.

#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Product.h"
#include "server/ConfigFiles.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/ProgramIcon.h"
#include "window/common/WindowHelpers.h"
#include "window/dialogs/TfrmQuindleAbout.h"
#include "window/main/TfrmMain.h"
#include "window/main/TrayMenu.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolButton>

namespace quindle {

void TfrmMain::ApplyBrandFlag(bool Branded) {
    if (!Branded)
        return;
    // A rebranded copy has no Rebrand button and no product entries in the tray menu.
    HideBrandButton();
    LetMessagesRun();
    tray_->HideProductEntries();
}

void TfrmMain::ApplyBars(bool Toolbar, bool Statusbar) {
    Band()->setVisible(Toolbar);
    StatusBar()->setVisible(Statusbar);
    PrepareStatusBar();
}

void TfrmMain::SetMainWindowVisible(bool Show) {
    try {
        if (Show) {
            if (isMinimized())
                setWindowState(windowState() & ~Qt::WindowMinimized);
            show();
            ForceForegroundWindow(this);
        } else {
            hide();
        }
        if (isVisible())
            FormResize();
        UpdateOutsideLook();
    } catch (...) {
        LogCaught("Showing or hiding the main window");
    }
}

void TfrmMain::ToggleMainWindow() {
    SetMainWindowVisible(!isVisible());
}

void TfrmMain::SetTrayIcon(bool On) {
    tray_->SetIcon(On, ProgramIcon(), ApplicationTitle());
}

void TfrmMain::EnterFullScreen() {
    if (windowFlags() & Qt::FramelessWindowHint)
        return;
    try {
        Band()->hide();
        StatusBar()->hide();
        setWindowFlag(Qt::FramelessWindowHint, true);
        const QRect screen = this->screen()->geometry();
        setWindowState(Qt::WindowFullScreen);
        setGeometry(0, 0, screen.width(), screen.height());
    } catch (...) {
        LogCaught("Entering full screen");
    }
}

void TfrmMain::ShowHelp() {
    SetMainWindowVisible(true);
    ShowAndVisit(QString::fromLatin1(LocalAddress(state_.WebPort, "/quindle-help")));
}

void TfrmMain::ShowWebsite() {
    SetMainWindowVisible(true);
    ShowAndVisit(QString::fromLatin1(kProductWebsite));
}

void TfrmMain::ShowAbout() {
    tray_->EnableIcon(false);
    {
        TfrmQuindleAbout about;
        about.SetTexts(ApplicationTitle(), QString::fromLatin1(kProductVersion),
                       QString::number(QDate::currentDate().year()));
        about.exec();
    }
    tray_->EnableIcon(true);
}

} // namespace quindle
