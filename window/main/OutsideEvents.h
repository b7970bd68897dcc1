#pragma once

// What reaches the run from outside the window: requests to end (the session, a signal), the
// medium the program runs from going away, and the reports of an outside browser's process.
// Where the system announces them on descriptors they are heard at once, also while the
// start-up waits, since every wait lets events run; where it does not, and while the owner asks
// for it, they are looked for by a timer.

#include "kit/ReportChannel.h"
#include "kit/SystemEvents.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <string>

class QSocketNotifier;

namespace quindle {

// How often the events are looked for where nothing announces them, and how often otherwise a
// look the owner asks for comes (the main window looks for the tray then).
constexpr int kOutsideEventsLookMs = 100;
constexpr int kTrayLookMs = 1000;

class TOutsideEvents : public QObject {
    Q_OBJECT

public:
    explicit TOutsideEvents(QObject* Parent = nullptr);

    // Hears the reports of the outside browser sent to Name from now on.
    void ListenForReports(const std::string& Name);
    // Looks now and then while OwnerLooks, or while something comes unannounced; else waits
    // for the announcements alone.
    void UpdateLook(bool OwnerLooks);
    // Nothing is looked for or heard any more: the run is ending.
    void Stop();
    // The look timer runs.
    bool Looking() const { return look_.isActive(); }

signals:
    // The session or the system asked the program to end.
    void EndAsked();
    // The medium the program runs from is there no more.
    void MediumGone();
    // The outside browser reported the process that shows the site.
    void ProcessReported(std::uint32_t Pid);
    // A look of the timer, after the events themselves: the owner looks at what it asked for.
    void Looked();

private:
    void Look();
    void CheckMedium();
    void TakeReports();

    TMountWatch mounts_;
    TReportChannel reports_;
    QSocketNotifier* reportNotifier_ = nullptr;
    bool announced_ = false; // requests to end and media changes come on descriptors
    bool stopped_ = false;
    bool ownerLooks_ = false;
    QTimer look_;
};

} // namespace quindle
