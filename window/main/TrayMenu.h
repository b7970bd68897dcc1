#pragma once

// The tray menu of the main window and the icon that carries it: each entry asks for its job by
// a signal, a left click on the icon asks to show or hide the window. A rebranded copy hides the
// product's own entries. The icon comes and goes with the desktop's tray, and ignores clicks
// while a modal window is open.

#include <QIcon>
#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace quindle {

class TTrayIconMan;

class TTrayMenu : public QObject {
    Q_OBJECT

public:
    // The menu is a child of Window, where tools find it by its name.
    explicit TTrayMenu(QWidget* Window);
    ~TTrayMenu() override;

    QMenu* Menu() const { return menu_; }
    // Hides Help, Contact Us, Visit Website and About, with the bar before them.
    void HideProductEntries();
    void SetSettingsEnabled(bool On);

    // Puts the icon into the tray when there is one and the icon is not there yet, or takes it
    // out.
    void SetIcon(bool On, const QIcon& Icon, const QString& Tip);
    bool HasIcon() const { return icon_ != nullptr; }
    // The icon is in a tray that is there now: a window hidden there can be brought back.
    bool InTray() const;
    // The icon takes clicks, or ignores them while a modal window is open.
    void EnableIcon(bool On);

signals:
    void ShowHideAsked();
    void SettingsAsked();
    void HelpAsked();
    void ContactAsked();
    void WebsiteAsked();
    void AboutAsked();
    void ExitAsked();

private:
    QAction* Add(const char* Name, const QString& Caption, void (TTrayMenu::*Signal)());

    QMenu* menu_;
    std::unique_ptr<TTrayIconMan> icon_;
};

} // namespace quindle
