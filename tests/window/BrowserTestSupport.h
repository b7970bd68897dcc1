#pragma once

// Helpers of the window tests: waiting with events running, a private browser profile, the parts
// of a window found by their object names, and driving the modal dialogs the windows open.

#include "window/browser/TWebBrowser.h"
#include "window/frame/TStatusBar.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineProfile>

#include <functional>
#include <stdexcept>

namespace quindle::test {

inline bool WaitFor(const std::function<bool()>& Condition, int Ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!Condition() && timer.elapsed() < Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Condition();
}

// For what must not happen: Condition holds all the time, with events running.
inline bool HoldsWhileEventsRun(const std::function<bool()>& Condition, int Ms) {
    return !WaitFor([&] { return !Condition(); }, Ms);
}

// An off-the-record profile: nothing of one test reaches the next.
inline QWebEngineProfile* PrivateProfile() {
    static QWebEngineProfile* profile = new QWebEngineProfile(qApp);
    return profile;
}

// The child of Window with that object name and type, as a tool outside the program would find
// it; a part that is missing fails the test at once.
template <typename T> T* Part(const QObject& Window, const char* Name) {
    T* part = Window.findChild<T*>(QString::fromLatin1(Name));
    if (!part)
        throw std::runtime_error(std::string("The window has no part named ") + Name);
    return part;
}

// The parts of a browser window the tests look at and drive, found once by their names.
struct TWindowParts {
    explicit TWindowParts(const QWidget& Window)
        : CoolBar1(Part<QWidget>(Window, "CoolBar1")),
          pnlToolbar(Part<QWidget>(Window, "pnlToolbar")),
          tlbMenu(Part<QWidget>(Window, "tlbMenu")),
          tlbToolbar(Part<QWidget>(Window, "tlbToolbar")), tlbGo(Part<QWidget>(Window, "tlbGo")),
          btnMenu(Part<QToolButton>(Window, "btnMenu")),
          btnBack(Part<QToolButton>(Window, "btnBack")),
          btnForward(Part<QToolButton>(Window, "btnForward")),
          btnRefresh(Part<QToolButton>(Window, "btnRefresh")),
          btnStop(Part<QToolButton>(Window, "btnStop")),
          btnHome(Part<QToolButton>(Window, "btnHome")),
          // A popup has none.
          btnBrand(Window.findChild<QToolButton*>(QStringLiteral("btnBrand"))),
          btnGo(Part<QToolButton>(Window, "btnGo")),
          cboAddress(Part<QComboBox>(Window, "cboAddress")),
          WebBrowser1(Part<TWebBrowser>(Window, "WebBrowser1")),
          StatusBar1(Part<TStatusBar>(Window, "StatusBar1")),
          ProgressBar1(Part<QProgressBar>(Window, "ProgressBar1")),
          mnuMenu(Part<QMenu>(Window, "mnuMenu")),
          ActionList1(Part<QActionGroup>(Window, "ActionList1")) {}

    QWidget *CoolBar1, *pnlToolbar, *tlbMenu, *tlbToolbar, *tlbGo;
    QToolButton *btnMenu, *btnBack, *btnForward, *btnRefresh, *btnStop, *btnHome, *btnBrand, *btnGo;
    QComboBox* cboAddress;
    TWebBrowser* WebBrowser1;
    TStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
    QMenu* mnuMenu;
    QActionGroup* ActionList1;
};

// A top-level widget by object name, or nullptr.
template <typename T = QWidget> T* FindWindow(const QString& Name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == Name && w->isVisible())
            if (T* t = qobject_cast<T*>(w))
                return t;
    return nullptr;
}

// Runs Handle on the dialog named Name as soon as it shows (it is modal, so the caller's call
// only returns after Handle has closed it). Fails quietly after a while: the caller then sees
// the dialog was never handled.
inline void WhenDialogShows(const QString& Name, std::function<void(QDialog*)> Handle) {
    auto* poll = new QTimer(qApp);
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        QDialog* dialog = FindWindow<QDialog>(Name);
        if (!dialog && started->elapsed() < 15000)
            return;
        poll->stop();
        poll->deleteLater();
        delete started;
        if (dialog)
            Handle(dialog);
    });
    poll->start(20);
}

} // namespace quindle::test
