#pragma once

// Favorites.ini, in the bin folder beside the program: [DIRS] names folders of the package,
// [URLS] addresses of the site, each key the caption of a page menu entry. Values may hold
// "{APPDIR}" (the program's folder) and "{LOCALHOST:PORT}" (the local server), in any case.
// Values are read at click time, so an edited value takes effect at once.

#include <QString>

#include <functional>
#include <string>

class QAction;
class QMenu;

namespace quindle {

constexpr const char* kFavoriteDirs = "DIRS";
constexpr const char* kFavoriteUrls = "URLS";

// "<AppPath>bin/Favorites.ini"; AppPath ends with a separator.
std::string FavoritesPath(const std::string& AppPath);

// Appends a separator, the [DIRS] entries, a separator and the [URLS] entries of the file at
// AppPath to Menu, when the file exists. Gives the file's canonical path, or empty.
QString BuildFavoritesMenu(QMenu& Menu, const std::string& AppPath,
                           const std::function<void(QAction*)>& OnDir,
                           const std::function<void(QAction*)>& OnUrl);

// The folder a [DIRS] entry opens: "{APPDIR}" replaced by AppDir (no trailing separator except
// at the root), relative to AppDir. Empty when the key has no value.
std::string DirFavoriteFolder(const std::string& File, const std::string& Key,
                              const std::string& AppDir);
// The address of a [URLS] entry, "{LOCALHOST:PORT}" replaced by LocalhostPort.
std::string UrlFavoriteAddress(const std::string& File, const std::string& Key,
                               const std::string& LocalhostPort);

} // namespace quindle
