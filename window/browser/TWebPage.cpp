#include "window/browser/TWebPage.h"

#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace quindle {
namespace {

// What the routed window.close() says on the console; nothing a page prints by chance.
const QString kCloseMessage = QStringLiteral("\u0001quindle:window.close");

} // namespace

TWebPage::TWebPage(QWebEngineProfile* Profile, QObject* Parent) : QWebEnginePage(Profile, Parent) {
    QWebEngineScript route;
    route.setName(QStringLiteral("quindle-window-close"));
    route.setInjectionPoint(QWebEngineScript::DocumentCreation);
    route.setWorldId(QWebEngineScript::MainWorld);
    route.setRunsOnSubFrames(false);
    route.setSourceCode(QStringLiteral("window.close = function () { console.info('%1'); };")
                            .arg(QStringLiteral("\\u0001quindle:window.close")));
    scripts().insert(route);
    connect(this, &QWebEnginePage::windowCloseRequested, this, &TWebPage::closeRequested);
}

void TWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level, const QString& Message,
                                        int LineNumber, const QString& SourceId) {
    if (Message == kCloseMessage) {
        emit closeRequested();
        return;
    }
    // The engine reports an error nothing caught as "Uncaught <error>"; console.error() of the
    // page itself is not a script error.
    if (Level == ErrorMessageLevel && Message.startsWith(QLatin1String("Uncaught")))
        emit scriptError(Message, LineNumber, SourceId);
}

bool TWebPage::acceptNavigationRequest(const QUrl& Url, NavigationType, bool IsMainFrame) {
    if (IsMainFrame)
        emit navigationStarting(Url);
    return true;
}

QWebEnginePage* TWebPage::createWindow(WebWindowType Type) {
    return onCreateWindow_ ? onCreateWindow_(Type) : nullptr;
}

} // namespace quindle
