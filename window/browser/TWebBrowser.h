#pragma once

// The browser control of a window: a web view that offers the operations and events the windows
// were built around. Events: StatusTextChange, ProgressChange (-1 when loading ends),
// CommandStateChange (whether Back and Forward can be taken), DownloadBegin/DownloadComplete
// around every page load, TitleChange, BeforeNavigate2 and NewWindow2. Operations: Navigate,
// GoBack, GoForward, Stop and the page commands with their dialogs.

#include <QPrinter>
#include <QRect>
#include <QWebEngineView>

#include <functional>
#include <memory>

class QWebEngineProfile;

namespace quindle {

class TWebPage;

// The commands of the page menu. Find, View Source and Options need a page to act on; the
// others offer their dialog also without one.
enum class TPageCommand { SaveAs, Print, PrintPreview, PageSetup, Find, ViewSource, Options };

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
    void RunPageCommand(TPageCommand Command);
    // Gives the page window the keyboard focus and reloads as the user's F5 would.
    void Refresh();

    QString LocationURL() const;
    // The page has loaded, and nothing loads any more.
    bool PageComplete() const { return complete_ && !busy_; }
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
    // Whether Action (Back or Forward) can be taken now.
    void CommandStateChange(QWebEnginePage::WebAction Action, bool Enabled);
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
