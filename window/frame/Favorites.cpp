#include "window/frame/Favorites.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"

#include <QAction>
#include <QMenu>

#include <filesystem>

namespace quindle {
namespace {

void AppendSection(QMenu& Menu, const std::string& File, const char* Section,
                   const std::function<void(QAction*)>& OnClick) {
    TStringArray keys;
    TKo::ReadIniSectionKeys(File, Section, keys);
    for (const std::string& key : keys) {
        try {
            // An "&" in a key is part of its caption, not a menu accelerator.
            QAction* item =
                Menu.addAction(QString::fromLocal8Bit(key).replace('&', QStringLiteral("&&")));
            item->setData(QString::fromLocal8Bit(key));
            QObject::connect(item, &QAction::triggered, &Menu, [OnClick, item] { OnClick(item); });
        } catch (...) {
            // One entry that cannot be added does not stop the others.
        }
    }
}

} // namespace

std::string FavoritesPath(const std::string& AppPath) {
    return AppPath + "bin" + PathDelim + "Favorites.ini";
}

QString BuildFavoritesMenu(QMenu& Menu, const std::string& AppPath,
                           const std::function<void(QAction*)>& OnDir,
                           const std::function<void(QAction*)>& OnUrl) {
    const std::string path = ResolvePathCase(FavoritesPath(AppPath));
    if (!FileExists(path))
        return QString();
    const std::string file = GetShortPath(path);
    try {
        Menu.addSeparator();
        AppendSection(Menu, file, kFavoriteDirs, OnDir);
        Menu.addSeparator();
        AppendSection(Menu, file, kFavoriteUrls, OnUrl);
    } catch (...) {
        // A file that cannot be read leaves the menu as far as it was built.
    }
    return QString::fromLocal8Bit(file);
}

std::string DirFavoriteFolder(const std::string& File, const std::string& Key,
                              const std::string& AppDir) {
    std::string value = Trim(TKo::ReadIniString(File, kFavoriteDirs, Trim(Key)));
    if (value.empty())
        return std::string();
    value = TKo::ReplaceText(value, "{APPDIR}", AppDir, true);
    std::filesystem::path folder(value);
    if (folder.is_relative())
        folder = std::filesystem::path(AppDir) / folder;
    std::string result = folder.lexically_normal().string();
    // "." and "dir/" name the folder itself, not something inside it.
    while (result.size() > 1 && result.back() == PathDelim)
        result.pop_back();
    return result;
}

std::string UrlFavoriteAddress(const std::string& File, const std::string& Key,
                               const std::string& LocalhostPort) {
    const std::string value = Trim(TKo::ReadIniString(File, kFavoriteUrls, Trim(Key)));
    return TKo::ReplaceText(value, "{LOCALHOST:PORT}", LocalhostPort, true);
}

} // namespace quindle
