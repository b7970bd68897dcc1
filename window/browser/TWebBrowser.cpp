#include "window/browser/TWebBrowser.h"
#include "window/browser/PageCommands.h"
#include "window/browser/TWebPage.h"

#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineSettings>

namespace quindle {

TWebBrowser::TWebBrowser(QWidget* Parent) : QWebEngineView(Parent) {
    setObjectName(QStringLiteral("WebBrowser1"));
    connect(this, &QWebEngineView::loadStarted, this, [this] {
        busy_ = true;
        complete_ = false;
        emit DownloadBegin();
        emit StatusTextChange(tr("Opening page %1...").arg(url().toString()));
        ReportCommandStates();
    });
    connect(this, &QWebEngineView::loadProgress, this, [this](int Progress) {
        if (busy_)
            emit ProgressChange(Progress, 100);
    });
    connect(this, &QWebEngineView::loadFinished, this, [this](bool) {
        busy_ = false;
        complete_ = true;
        emit ProgressChange(-1, 100);
        emit StatusTextChange(tr("Done"));
        emit DownloadComplete();
        ReportCommandStates();
    });
    connect(this, &QWebEngineView::urlChanged, this, [this] { ReportCommandStates(); });
    connect(this, &QWebEngineView::titleChanged, this, &TWebBrowser::TitleChange);
}

QPrinter& TWebBrowser::Printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

void TWebBrowser::UseProfile(QWebEngineProfile* Profile) {
    page_ = new TWebPage(Profile, this);
    connect(page_, &TWebPage::closeRequested, this, &TWebBrowser::WindowClosing);
    connect(page_, &TWebPage::navigationStarting, this, &TWebBrowser::BeforeNavigate2);
    connect(page_, &QWebEnginePage::linkHovered, this, &TWebBrowser::StatusTextChange);
    connect(page_, &QWebEnginePage::geometryChangeRequested, this, &TWebBrowser::GeometryRequested);
    connect(page_, &TWebPage::scriptError, this,
            [this](const QString& Message, int LineNumber, const QString& SourceId) {
                if (!silent_)
                    emit ScriptError(Message, LineNumber, SourceId);
            });
    // A video or a game on the page may take the whole screen; Esc gives it back.
    page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    connect(page_, &QWebEnginePage::fullScreenRequested, this,
            [this](QWebEngineFullScreenRequest Request) {
                Request.accept();
                pageFullScreen_ = Request.toggleOn();
                emit FullScreenChange(pageFullScreen_);
            });
    page_->SetCreateWindow([this](QWebEnginePage::WebWindowType Type) -> QWebEnginePage* {
        TWebBrowser* target = onNewWindow2_ ? onNewWindow2_(Type) : nullptr;
        if (!target)
            return nullptr;
        // A window opened with features by a script is a dialog; the engine reports none of the
        // bars visible for it.
        const bool bars = Type != QWebEnginePage::WebDialog;
        target->bars_ = {bars, bars, bars, bars};
        return target->page();
    });
    setPage(page_);
}

void TWebBrowser::ClosePage() {
    delete page_;
    page_ = nullptr;
    // A view left without a page makes itself one of the engine's default profile, which must
    // not outlive the engine either.
    qDeleteAll(findChildren<QWebEnginePage*>(Qt::FindDirectChildrenOnly));
}

void TWebBrowser::ExitPageFullScreen() {
    if (pageFullScreen_)
        triggerPageAction(QWebEnginePage::ExitFullScreen);
}

void TWebBrowser::Navigate(const QString& Url) {
    setUrl(QUrl::fromUserInput(Url));
}

void TWebBrowser::GoBack() {
    back();
}

void TWebBrowser::GoForward() {
    forward();
}

void TWebBrowser::Stop() {
    stop();
}

void TWebBrowser::Refresh() {
    if (!HasDocument())
        return;
    setFocus(Qt::OtherFocusReason);
    // Reloading directly is the engine's own F5; no key goes round the window's shortcuts again.
    reload();
}

QString TWebBrowser::LocationURL() const {
    return url().toString().trimmed();
}

void TWebBrowser::RunPageCommand(TPageCommand Command) {
    switch (Command) {
    case TPageCommand::SaveAs:
        SavePageAs(*this);
        return;
    case TPageCommand::Print:
        PrintPage(*this);
        return;
    case TPageCommand::PrintPreview:
        PrintPreview(*this);
        return;
    case TPageCommand::PageSetup:
        PageSetup(*this);
        return;
    case TPageCommand::Find:
    case TPageCommand::ViewSource:
    case TPageCommand::Options:
        break;
    }
    if (!HasDocument())
        return;
    if (Command == TPageCommand::Find)
        FindOnPage(*this);
    else if (Command == TPageCommand::ViewSource)
        triggerPageAction(QWebEnginePage::ViewSource);
    else
        InternetOptions(*this);
}

void TWebBrowser::ReportCommandStates() {
    emit CommandStateChange(QWebEnginePage::Forward, history()->canGoForward());
    emit CommandStateChange(QWebEnginePage::Back, history()->canGoBack());
}

} // namespace quindle
