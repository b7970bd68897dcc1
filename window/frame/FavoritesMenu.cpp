#include "window/frame/FavoritesMenu.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "window/frame/Favorites.h"

#include <QAction>
#include <QMenu>

namespace quindle {
namespace {

std::string Local(const QString& Text) {
    return Text.toLocal8Bit().toStdString();
}

} // namespace

TFavoritesMenu::TFavoritesMenu(QMenu* Menu, std::function<QString()> LocalhostPort)
    : QObject(Menu), menu_(Menu), localhostPort_(std::move(LocalhostPort)) {}

void TFavoritesMenu::Build() {
    file_ = BuildFavoritesMenu(
        *menu_, TKo::GetAppPath(), [this](QAction* Item) { DirMenuItemClick(Item); },
        [this](QAction* Item) { UrlMenuItemClick(Item); });
}

void TFavoritesMenu::DirMenuItemClick(QAction* Item) {
    try {
        const std::string file = Local(file_);
        if (!FileExists(file))
            return;
        const std::string folder =
            DirFavoriteFolder(file, Local(Item->data().toString()), TKo::GetAppDir());
        if (!folder.empty() && DirectoryExists(ResolvePathCase(folder)))
            TKo::ExploreFolder(folder, SW_SHOWNORMAL);
    } catch (...) {
        LogCaught("Opening a favourite folder");
    }
}

void TFavoritesMenu::UrlMenuItemClick(QAction* Item) {
    try {
        const std::string file = Local(file_);
        if (!FileExists(file))
            return;
        const std::string address = UrlFavoriteAddress(file, Local(Item->data().toString()),
                                                       localhostPort_().toStdString());
        emit AddressChosen(QString::fromLocal8Bit(address));
    } catch (...) {
        LogCaught("Opening a favourite address");
    }
}

void TFavoritesMenu::OrganizeClick() {
    const std::string file = Local(file_);
    if (!FileExists(file))
        return;
    file_ = QString::fromLocal8Bit(GetShortPath(file));
    TKo::ShellOpenTarget(Local(file_), SW_SHOWNORMAL);
}

} // namespace quindle
