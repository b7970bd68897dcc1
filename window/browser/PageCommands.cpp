#include "window/browser/PageCommands.h"
#include "window/browser/TFindDialog.h"
#include "window/browser/TInternetOptions.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/FileDialog.h"

#include <QDir>
#include <QEventLoop>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>

namespace quindle {
namespace {

QString SuggestedPageFileName(const TWebBrowser& Browser) {
    QString name = Browser.title().trimmed();
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    for (QChar& c : name)
        if (forbidden.contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    if (name.isEmpty())
        name = QStringLiteral("page");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(name + QStringLiteral(".html"));
}

// Prints synchronously, for the preview, which paints while its dialog waits.
void PrintAndWait(TWebBrowser& Browser, QPrinter* Printer) {
    QEventLoop loop;
    QObject::connect(&Browser, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
    Browser.print(Printer);
    loop.exec();
}

} // namespace

void SavePageAs(TWebBrowser& Browser) {
    if (!Browser.HasDocument())
        return;
    const QString complete = QObject::tr("Web Page, complete (*.html *.htm)");
    const QString archive = QObject::tr("Web Archive, single file (*.mhtml)");
    const std::optional<TFileDialogChoice> choice = ChooseFile(
        {QStringLiteral("dlgSaveAs"), QObject::tr("Save Web Page"), SuggestedPageFileName(Browser),
         QStringList{complete, archive}, QStringLiteral("html"), true},
        &Browser);
    if (!choice)
        return;
    const auto format = choice->Filter == archive
                            ? QWebEngineDownloadRequest::MimeHtmlSaveFormat
                            : QWebEngineDownloadRequest::CompleteHtmlSaveFormat;
    Browser.page()->save(choice->File, format);
}

void PrintPage(TWebBrowser& Browser) {
    if (!Browser.HasDocument())
        return;
    QPrintDialog dialog(&Browser.Printer(), &Browser);
    dialog.setObjectName(QStringLiteral("dlgPrint"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    Browser.print(&Browser.Printer());
}

void PrintPreview(TWebBrowser& Browser) {
    if (!Browser.HasDocument())
        return;
    QPrintPreviewDialog dialog(&Browser.Printer(), &Browser);
    dialog.setObjectName(QStringLiteral("dlgPrintPreview"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &Browser,
                     [&Browser](QPrinter* Printer) { PrintAndWait(Browser, Printer); });
    dialog.exec();
}

void PageSetup(TWebBrowser& Browser) {
    QPageSetupDialog dialog(&Browser.Printer(), &Browser);
    dialog.setObjectName(QStringLiteral("dlgPageSetup"));
    dialog.exec();
}

void FindOnPage(TWebBrowser& Browser) {
    TFindDialog::ShowFor(Browser);
}

void InternetOptions(TWebBrowser& Browser) {
    TInternetOptions dialog(Browser);
    dialog.exec();
}

} // namespace quindle
