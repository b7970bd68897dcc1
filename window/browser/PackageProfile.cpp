#include "window/browser/PackageProfile.h"
#include "kit/Paths.h"
#include "window/browser/TWebBrowser.h"

#include <QApplication>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWidget>

namespace quindle {
namespace {

// Owned by the application object; gone with it, or with Close.
QPointer<QWebEngineProfile> g_profile;

} // namespace

QWebEngineProfile* TPackageProfile::Open(const std::string& DataDir) {
    if (g_profile)
        return g_profile;
    // Cookies, storage and cache belong to this package and survive its restarts.
    g_profile = new QWebEngineProfile(QStringLiteral("quindle"), qApp);
    g_profile->setPersistentStoragePath(QString::fromLocal8Bit(JoinPath(DataDir, "browser")));
    g_profile->setCachePath(QString::fromLocal8Bit(JoinPath(DataDir, "browser-cache")));
    return g_profile;
}

void TPackageProfile::Close() {
    for (QWidget* window : QApplication::topLevelWidgets())
        for (TWebBrowser* browser : window->findChildren<TWebBrowser*>())
            browser->ClosePage();
    delete g_profile;
}

} // namespace quindle
