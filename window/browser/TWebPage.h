#pragma once

// The page of a browser control. It reports what the window around it needs to know and the
// engine does not say by itself: the page closing its own window (the engine ignores
// window.close() for a window it did not open once its history holds more than one entry, so the
// call is routed to the host), script errors, the start of each top-level navigation, and the
// wish for a new window.

#include <QWebEnginePage>

#include <functional>

namespace quindle {

class TWebPage : public QWebEnginePage {
    Q_OBJECT

public:
    TWebPage(QWebEngineProfile* Profile, QObject* Parent);

    // Makes the page of a new window; nullptr refuses the window.
    using TCreateWindow = std::function<QWebEnginePage*(WebWindowType Type)>;
    void SetCreateWindow(TCreateWindow Create) { onCreateWindow_ = std::move(Create); }

signals:
    // The page asked to close its window.
    void closeRequested();
    // A script on the page failed and nothing caught the error.
    void scriptError(const QString& Message, int LineNumber, const QString& SourceId);
    // A top-level navigation is about to start.
    void navigationStarting(const QUrl& Url);

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level, const QString& Message,
                                  int LineNumber, const QString& SourceId) override;
    bool acceptNavigationRequest(const QUrl& Url, NavigationType Type, bool IsMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType Type) override;

private:
    TCreateWindow onCreateWindow_;
};

} // namespace quindle
