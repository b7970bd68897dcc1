#include "window/main/OutsideBrowserRun.h"
#include "kit/KoClass.h"
#include "kit/Log.h"
#include "kit/SystemEvents.h"
#include "launcher/run/RunState.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <memory>
#include <vector>

namespace quindle {

TOutsideBrowserRun::TOutsideBrowserRun(TRunState& Run, QObject* Parent)
    : QObject(Parent), run_(Run) {
    splashEnd_.setObjectName(QStringLiteral("Timer1"));
    splashEnd_.setSingleShot(true);
    connect(&splashEnd_, &QTimer::timeout, this, [this] { run_.EndSplash(); });
}

void TOutsideBrowserRun::Run() {
    TRunState& s = run_;
    s.Wait.LetMessagesRun();
    s.StartOutsideBrowser();
    s.Wait.LetMessagesRun();
    for (int waited = 0; !s.OutsideBrowserRunning() && waited < kOutsideBrowserWaitMs;
         waited += kOutsideBrowserLookMs)
        s.Wait.Idle(kOutsideBrowserLookMs);
    s.Wait.Idle(kOutsideBrowserSettleMs);
    if (s.SplashTime > 0)
        splashEnd_.start(s.SplashTime * 1000);
    else
        s.EndSplash();
    for (int pass = 0; pass < 3; ++pass) {
        try {
            s.Wait.Idle(kOutsideBrowserPassMs);
            WaitWhileBrowserRuns();
        } catch (...) {
            LogCaught("Waiting for the outside browser");
        }
    }
}

void TOutsideBrowserRun::Stop() {
    splashEnd_.stop();
}

void TOutsideBrowserRun::WaitWhileBrowserRuns() {
    // The end of each of its processes is heard, and the processes are looked for again then:
    // nothing is looked at while they run.
    for (TCardinalArray running; !(running = run_.OutsideBrowserProcesses()).empty();) {
        QEventLoop loop;
        std::vector<std::unique_ptr<TProcessEndWatch>> ends;
        std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
        bool heard = true;
        for (std::uint32_t pid : running) {
            ends.push_back(std::make_unique<TProcessEndWatch>(pid));
            if (ends.back()->Descriptor() < 0) {
                heard = false;
                continue;
            }
            notifiers.push_back(std::make_unique<QSocketNotifier>(
                qintptr(ends.back()->Descriptor()), QSocketNotifier::Read));
            connect(notifiers.back().get(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        }
        if (!heard)
            QTimer::singleShot(kOutsideBrowserRunningLookMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace quindle
