#include "window/main/TrayMenu.h"
#include "kit/Log.h"
#include "window/main/TTrayIconMan.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace quindle {
namespace {

// The product's own entries, which a rebranded copy does not show.
constexpr const char* kProductEntries[] = {"mnuTray_Separator1", "mnuTray_Help", "mnuTray_Email",
                                           "mnuTray_Website", "mnuTray_About"};

} // namespace

TTrayMenu::TTrayMenu(QWidget* Window) : QObject(Window), menu_(new QMenu(Window)) {
    menu_->setObjectName(QStringLiteral("mnuTray"));
    auto separator = [this](const char* Name) {
        menu_->addSeparator()->setObjectName(QString::fromLatin1(Name));
    };
    menu_->setDefaultAction(
        Add("mnuTray_Show", tr("&Show/Hide Main Window"), &TTrayMenu::ShowHideAsked));
    separator("mnuTray_Separator0");
    Add("mnuTray_Settings", tr("&Change IP Address or Port..."), &TTrayMenu::SettingsAsked);
    separator("mnuTray_Separator1");
    Add("mnuTray_Help", tr("&Help"), &TTrayMenu::HelpAsked);
    Add("mnuTray_Email", tr("&Contact Us"), &TTrayMenu::ContactAsked);
    Add("mnuTray_Website", tr("&Visit Website"), &TTrayMenu::WebsiteAsked);
    Add("mnuTray_About", tr("&About..."), &TTrayMenu::AboutAsked);
    separator("mnuTray_Separator2");
    Add("mnuTray_Exit", tr("E&xit"), &TTrayMenu::ExitAsked);
}

TTrayMenu::~TTrayMenu() = default;

QAction* TTrayMenu::Add(const char* Name, const QString& Caption, void (TTrayMenu::*Signal)()) {
    QAction* item = menu_->addAction(Caption);
    item->setObjectName(QString::fromLatin1(Name));
    connect(item, &QAction::triggered, this, [this, Signal, Name] {
        try {
            emit(this->*Signal)();
        } catch (...) {
            LogCaught(std::string("The tray menu's ") + Name);
        }
    });
    return item;
}

void TTrayMenu::HideProductEntries() {
    for (const char* name : kProductEntries)
        if (auto* item = menu_->findChild<QAction*>(QString::fromLatin1(name)))
            item->setVisible(false);
}

void TTrayMenu::SetSettingsEnabled(bool On) {
    if (auto* item = menu_->findChild<QAction*>(QStringLiteral("mnuTray_Settings")))
        item->setEnabled(On);
}

void TTrayMenu::SetIcon(bool On, const QIcon& Icon, const QString& Tip) {
    try {
        if (!On) {
            icon_.reset();
            return;
        }
        if (icon_ || !QSystemTrayIcon::isSystemTrayAvailable())
            return;
        icon_ = std::make_unique<TTrayIconMan>();
        icon_->Show(
            Icon, Tip, [this] { emit ShowHideAsked(); }, menu_, menu_->parentWidget());
    } catch (...) {
        LogCaught("Putting the icon into the tray");
    }
}

bool TTrayMenu::InTray() const {
    return icon_ && icon_->Active() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayMenu::EnableIcon(bool On) {
    if (icon_)
        icon_->SetEnabled(On);
}

} // namespace quindle
