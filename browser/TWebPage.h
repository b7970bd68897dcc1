#pragma once

// The page of a browser window. A page may close its own window with window.close(); the engine
// ignores that for a window it did not open once its history holds more than one entry, so the
// page's window.close() is routed to the host, which decides what closing means.

#include <QWebEnginePage>

namespace quindle {

class TWebPage : public QWebEnginePage {
    Q_OBJECT

public:
    TWebPage(QWebEngineProfile* Profile, QObject* Parent);

signals:
    // The page asked to close its window.
    void closeRequested();

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level, const QString& Message,
                                  int LineNumber, const QString& SourceId) override;
};

} // namespace quindle
