#pragma once

// Helpers of the window tests: waiting with events running, a private browser profile, and
// driving the modal dialogs the windows open.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWebEngineProfile>

#include <functional>

namespace quindle::test {

inline bool WaitFor(const std::function<bool()>& Condition, int Ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!Condition() && timer.elapsed() < Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Condition();
}

inline void Pump(int Ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < Ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// An off-the-record profile: nothing of one test reaches the next.
inline QWebEngineProfile* PrivateProfile() {
    static QWebEngineProfile* profile = new QWebEngineProfile(qApp);
    return profile;
}

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
