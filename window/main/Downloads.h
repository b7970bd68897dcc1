#pragma once

// The downloads of a window's pages: each asks where to save, and shows its progress and its
// end in the window's status bar. Save As of a page has chosen its file already.

#include <QObject>

class QProgressBar;
class QWebEngineDownloadRequest;
class QWebEngineProfile;
class QWidget;

namespace quindle {

class TStatusBar;

class TDownloads : public QObject {
    Q_OBJECT

public:
    // The dialog belongs to Window; the progress shows in Status's first panel and in Progress.
    TDownloads(QWidget* Window, TStatusBar* Status, QProgressBar* Progress);

    // Downloads of pages in Profile come here from now on.
    void HandleDownloadsOf(QWebEngineProfile* Profile);

private:
    void Requested(QWebEngineDownloadRequest* Download);

    QWidget* window_;
    TStatusBar* status_;
    QProgressBar* progress_;
};

} // namespace quindle
