#include "window/main/Downloads.h"
#include "window/common/FileDialog.h"
#include "window/frame/TStatusBar.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

namespace quindle {

TDownloads::TDownloads(QWidget* Window, TStatusBar* Status, QProgressBar* Progress)
    : QObject(Window), window_(Window), status_(Status), progress_(Progress) {}

void TDownloads::HandleDownloadsOf(QWebEngineProfile* Profile) {
    connect(Profile, &QWebEngineProfile::downloadRequested, this, &TDownloads::Requested);
}

void TDownloads::Requested(QWebEngineDownloadRequest* Download) {
    if (Download->isSavePageDownload())
        return;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    const std::optional<TFileDialogChoice> choice =
        ChooseFile({QStringLiteral("dlgDownload"),
                    tr("Save File"),
                    QDir(folder).filePath(Download->suggestedFileName()),
                    {},
                    QString(),
                    true},
                   window_);
    if (!choice) {
        Download->cancel();
        return;
    }
    const QFileInfo target(choice->File);
    Download->setDownloadDirectory(target.absolutePath());
    Download->setDownloadFileName(target.fileName());
    const QString name = target.fileName();
    connect(Download, &QWebEngineDownloadRequest::receivedBytesChanged, this,
            [this, Download, name] {
                const qint64 total = Download->totalBytes();
                status_->SetPanelText(
                    0, tr("Downloading %1: %2 KB").arg(name).arg(Download->receivedBytes() / 1024));
                if (total > 0) {
                    progress_->setRange(0, 1000);
                    progress_->setValue(int(Download->receivedBytes() * 1000 / total));
                    progress_->show();
                }
            });
    connect(Download, &QWebEngineDownloadRequest::isFinishedChanged, this,
            [this, Download, target] {
                progress_->hide();
                status_->SetPanelText(
                    0, Download->state() == QWebEngineDownloadRequest::DownloadCompleted
                           ? tr("Download complete: %1").arg(target.absoluteFilePath())
                           : tr("Download failed: %1").arg(Download->interruptReasonString()));
            });
    Download->accept();
}

} // namespace quindle
