// The main window's tray menu, showing and hiding it to the tray, full screen and About.

#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Product.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/ProgramIcon.h"
#include "window/common/WindowHelpers.h"
#include "window/dialogs/TfrmQuindleAbout.h"
#include "window/main/TTrayIconMan.h"
#include "window/main/TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolButton>

namespace quindle {

void TfrmMain::CreateTrayMenu() {
    mnuTray = new QMenu(this);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    auto add = [this](const char* Name, const QString& Caption, void (TfrmMain::*Run)()) {
        QAction* item = mnuTray->addAction(Caption);
        item->setObjectName(QString::fromLatin1(Name));
        connect(item, &QAction::triggered, this, [this, Run, Name] {
            try {
                (this->*Run)();
            } catch (...) {
                LogCaught(std::string("The tray menu's ") + Name);
            }
        });
        return item;
    };
    auto separator = [this](const char* Name) {
        QAction* item = mnuTray->addSeparator();
        item->setObjectName(QString::fromLatin1(Name));
        return item;
    };
    mnuTray_Show = add("mnuTray_Show", tr("&Show/Hide Main Window"), &TfrmMain::mnuTray_ShowClick);
    mnuTray->setDefaultAction(mnuTray_Show);
    mnuTray_Separator0 = separator("mnuTray_Separator0");
    mnuTray_Settings = add("mnuTray_Settings", tr("&Change IP Address or Port..."),
                           &TfrmMain::mnuTray_SettingsClick);
    mnuTray_Separator1 = separator("mnuTray_Separator1");
    mnuTray_Help = add("mnuTray_Help", tr("&Help"), &TfrmMain::mnuTray_HelpClick);
    mnuTray_Email = add("mnuTray_Email", tr("&Contact Us"), &TfrmMain::mnuTray_EmailClick);
    mnuTray_Website = add("mnuTray_Website", tr("&Visit Website"), &TfrmMain::mnuTray_WebsiteClick);
    mnuTray_About = add("mnuTray_About", tr("&About..."), &TfrmMain::mnuTray_AboutClick);
    mnuTray_Separator2 = separator("mnuTray_Separator2");
    mnuTray_Exit = add("mnuTray_Exit", tr("E&xit"), &TfrmMain::mnuTray_ExitClick);
}

void TfrmMain::ApplyBrandFlag(bool Branded) {
    if (!Branded)
        return;
    // A rebranded copy has no Rebrand button and no product entries in the tray menu.
    HideBrandButton();
    LetMessagesRun();
    const QList<QAction*> items = mnuTray->actions();
    const int n = int(items.size());
    for (int i = n - 3; i >= 3; --i)
        items[i]->setVisible(false);
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
    try {
        if (On) {
            if (trayIcon_ || !QSystemTrayIcon::isSystemTrayAvailable())
                return;
            trayIcon_ = std::make_unique<TTrayIconMan>();
            trayIcon_->Show(
                ProgramIcon(), ApplicationTitle(), [this] { ToggleMainWindow(); }, mnuTray,
                nullptr);
        } else {
            trayIcon_.reset();
        }
    } catch (...) {
        LogCaught("Putting the icon into the tray");
    }
}

bool TfrmMain::InTray() const {
    return trayIcon_ && trayIcon_->Active() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TfrmMain::EnableTrayIcon(bool On) {
    if (trayIcon_)
        trayIcon_->SetEnabled(On);
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

void TfrmMain::mnuTray_ShowClick() {
    ToggleMainWindow();
}

void TfrmMain::mnuTray_HelpClick() {
    SetMainWindowVisible(true);
    SetAddressText(QStringLiteral("http://127.0.0.1:%1/quindle-help").arg(state_.WebPort));
    NavigateToAddressBox();
}

void TfrmMain::mnuTray_EmailClick() {
    TKo::OpenContactMail();
}

void TfrmMain::mnuTray_WebsiteClick() {
    SetMainWindowVisible(true);
    SetAddressText(QString::fromLatin1(kProductWebsite));
    NavigateToAddressBox();
}

void TfrmMain::mnuTray_AboutClick() {
    EnableTrayIcon(false);
    {
        TfrmQuindleAbout about;
        about.SetTexts(ApplicationTitle(), QString::fromLatin1(kProductVersion),
                       QString::number(QDate::currentDate().year()));
        about.exec();
    }
    EnableTrayIcon(true);
}

void TfrmMain::mnuTray_ExitClick() {
    ShutDown();
}

} // namespace quindle
