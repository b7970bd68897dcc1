#pragma once

// The favourites of a browser window's page menu: the entries of Favorites.ini beside the
// program, a folder opened in the desktop's file manager, an address asked to be visited, and
// the file itself opened to be organised. A window opened by another shows its opener's file.

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;

namespace quindle {

class TFavoritesMenu : public QObject {
    Q_OBJECT

public:
    // LocalhostPort gives the text that replaces "{LOCALHOST:PORT}" at the time of a click.
    TFavoritesMenu(QMenu* Menu, std::function<QString()> LocalhostPort);

    // Appends the entries of Favorites.ini beside the program to the menu and shows that file
    // from now on; without the file nothing is appended and nothing shown.
    void Build();
    // The Favorites.ini whose entries the menu shows; empty without one.
    QString File() const { return file_; }
    void SetFile(const QString& File) { file_ = File; }

    void DirMenuItemClick(QAction* Item);
    void UrlMenuItemClick(QAction* Item);
    void OrganizeClick();

signals:
    // A [URLS] entry was chosen: its address is to be shown and visited.
    void AddressChosen(const QString& Address);

private:
    QMenu* menu_;
    std::function<QString()> localhostPort_;
    QString file_;
};

} // namespace quindle
