#pragma once

// The run of the outside browser Browser.ini names: the site is shown there instead of in the
// window, the splash ends after its time, and the run lasts while a process of that browser
// runs. Events run all the while, the shutdown included.

#include <QObject>
#include <QTimer>

namespace quindle {

class TRunState;

// How long the start waits for the browser's process to appear, how often it looks, and how
// long it lets the browser settle once it is there.
constexpr int kOutsideBrowserWaitMs = 30000;
constexpr int kOutsideBrowserLookMs = 20;
constexpr int kOutsideBrowserSettleMs = 618;
// While the browser runs, how often the run looks whether it still does where the end of a
// process is not announced; the passes of kOutsideBrowserPassMs each give a browser that hands
// the site to another of its processes the time to do so.
constexpr int kOutsideBrowserRunningLookMs = 618;
constexpr int kOutsideBrowserPassMs = 1000;

class TOutsideBrowserRun : public QObject {
    Q_OBJECT

public:
    TOutsideBrowserRun(TRunState& Run, QObject* Parent = nullptr);

    // Starts the browser and returns once no process of it runs any more.
    void Run();
    // The splash is not ended by this run any more.
    void Stop();

private:
    // Until no process runs the outside browser any more.
    void WaitWhileBrowserRuns();

    TRunState& run_;
    // Ends the splash after its time.
    QTimer splashEnd_;
};

} // namespace quindle
