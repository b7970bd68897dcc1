#pragma once

// The browser control of a window: a web view that offers the operations and events the windows
// were built around. Events: StatusTextChange, ProgressChange (-1 when loading ends),
// CommandStateChange (1 forward, 2 back), DownloadBegin/DownloadComplete around every page load,
// TitleChange, BeforeNavigate2 and NewWindow2. Operations: Navigate, GoBack, GoForward, Stop, the
// page commands of ExecWB and the browser-group commands of ExecCommand.

#include <QPrinter>
#include <QRect>
#include <QWebEngineView>

#include <functional>
#include <memory>

class QWebEngineProfile;

namespace quindle {

class TWebPage;

// ExecWB: the standard page commands.
enum : int {
    OLECMDID_SAVEAS = 4,
    OLECMDID_PRINT = 6,
    OLECMDID_PRINTPREVIEW = 7,
    OLECMDID_PAGESETUP = 8
};
// ExecCommand: the browser group.
enum : int { CMDID_FIND = 1, CMDID_VIEWSOURCE = 2, CMDID_OPTIONS = 3 };

class TWebBrowser : public QWebEngineView {
    Q_OBJECT

public:
    explicit TWebBrowser(QWidget* Parent);

    // Takes a page of the profile; the control is usable from then on.
    void UseProfile(QWebEngineProfile* Profile);
    TWebPage* Page() const { return page_; }
    // Ends the page for good (its profile can end after it); the control shows nothing more.
    void ClosePage();

    void Navigate(const QString& Url);
    void GoBack();
    void GoForward();
    void Stop();
    void ExecWB(int Command);
    void ExecCommand(int Command);
    // Gives the page window the keyboard focus and reloads as the user's F5 would.
    void Refresh();

    QString LocationURL() const;
    int ReadyState() const { return complete_ && !busy_ ? 4 : 1; }
    bool HasDocument() const { return !url().isEmpty(); }
    // An element of the page fills the screen.
    bool PageFullScreen() const { return pageFullScreen_; }
    void ExitPageFullScreen();
    void SetSilent(bool Value) { silent_ = Value; }

    // The bars the opening page asked for. A window opened with features (a script popup)
    // asked for none; any other new window keeps all of them.
    struct TBars {
        bool MenuBar = true, ToolBar = true, AddressBar = true, StatusBar = true;
    };
    const TBars& RequestedBars() const { return bars_; }

    // NewWindow2: gives the control into which the new window's page loads; nullptr refuses.
    using TNewWindowHandler = std::function<TWebBrowser*(QWebEnginePage::WebWindowType Type)>;
    void SetNewWindowHandler(TNewWindowHandler Handler) { onNewWindow2_ = std::move(Handler); }

    // The printer of this control: Page Setup's choice is kept for Print and Print Preview.
    // Made at its first use: it asks the print system for its printers, which no start needs.
    QPrinter& Printer();

signals:
    void StatusTextChange(const QString& Text);
    void ProgressChange(int Progress, int ProgressMax);
    void CommandStateChange(int Command, bool Enable);
    void DownloadBegin();
    void DownloadComplete();
    void TitleChange(const QString& Text);
    void BeforeNavigate2(const QUrl& Url);
    // The page closed its own window.
    void WindowClosing();
    // The page asked for a position and size of its window.
    void GeometryRequested(const QRect& Geometry);
    // The page asked to show one of its elements over the whole screen, or to stop.
    void FullScreenChange(bool On);
    // A script error while the control is not silent.
    void ScriptError(const QString& Message, int LineNumber, const QString& SourceId);

private:
    void ReportCommandStates();

    TWebPage* page_ = nullptr;
    bool busy_ = false;
    bool complete_ = false;
    bool silent_ = true;
    bool pageFullScreen_ = false;
    std::unique_ptr<QPrinter> printer_;
    TBars bars_;
    TNewWindowHandler onNewWindow2_;
};

} // namespace quindle
