#pragma once

// The main window: the site in a browser control filling it. Its start-up sequence and its
// shutdown live with the start-up code (app/); the non-visual state of the run is TRunState.

#include "app/RunState.h"
#include "kit/SystemEvents.h"

#include <QMainWindow>
#include <QTimer>

class QWebEngineProfile;
class QWebEngineView;

namespace quindle {

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmMain(std::uint16_t StartupShowCommand, QWidget* Parent = nullptr);

    // The start-up sequence; returns with the window ready to be shown, or ends the process.
    void FormCreate();
    // Ends the splash once the page has loaded completely (started by the start-up).
    void StartSplashCloseTimer();
    // Ends every process the run started, then the program itself.
    [[noreturn]] void ShutDown();

    void NavigateTo(const QString& Url);
    // The caption follows the page: "<page title> - <application title>".
    void WebBrowser1TitleChange(const QString& Title);
    TRunState& State() { return state_; }

    QWebEngineView* WebBrowser1 = nullptr;

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void FormDestroy();
    void UseProfileIn(const std::string& DataDir);
    void CheckOutsideEvents();
    void LetMessagesRun();
    void tmrCloseSplashTimer();

    TRunState state_;
    std::uint16_t startupShowCommand_;
    QWebEngineProfile* profile_ = nullptr;
    QTimer tmrOutsideEvents_;
    QTimer tmrCloseSplash;
    bool pageBusy_ = false;     // a page is loading
    bool pageComplete_ = false; // a page has loaded completely
    TMountWatch mounts_;
};

} // namespace quindle
