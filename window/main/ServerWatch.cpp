// Servers that end on their own while the window is open are started again, and the user is
// told: in the status bar, and with an error once a server is given up.

#include "window/common/ErrorReport.h"
#include "window/frame/TStatusBar.h"
#include "window/main/TfrmMain.h"

#include <QSocketNotifier>

#include <chrono>
#include <cstdio>

namespace quindle {

void TfrmMain::KeepServersUp() {
    for (const auto& news : state_.KeepServersUp(std::chrono::steady_clock::now())) {
        if (!news.StatusLine.empty()) {
            StatusBar()->SetPanelText(0, QString::fromLocal8Bit(news.StatusLine));
            std::fprintf(stderr, "%s\n", news.StatusLine.c_str());
        }
        if (!news.Error.empty())
            ShowErrorBox("Error", news.Error, this);
    }
    WatchServers();
}

void TfrmMain::WatchServers() {
    // A server that ends is heard at once and started again: nothing looks at the processes
    // while they run. An ended one stays unwatched until another process takes its place (a
    // paused database server stays ended on purpose).
    const std::uint32_t pids[] = {state_.ApachePid, state_.MySqlPid};
    bool look = false;
    for (int i = 0; i < 2; ++i) {
        TServerEnd& end = serverEnds_[i];
        if (end.Pid != pids[i]) {
            end.Notifier.reset();
            end.Watch.reset();
            end.Pid = pids[i];
            if (end.Pid != 0)
                end.Watch = std::make_unique<TProcessEndWatch>(end.Pid);
            if (end.Watch && end.Watch->Descriptor() >= 0) {
                end.Notifier = std::make_unique<QSocketNotifier>(qintptr(end.Watch->Descriptor()),
                                                                 QSocketNotifier::Read);
                connect(end.Notifier.get(), &QSocketNotifier::activated, this, [this, i] {
                    // The descriptor stays ready: heard once, it is put away.
                    serverEnds_[i].Notifier->setEnabled(false);
                    KeepServersUp();
                });
            }
        }
        look = look || (end.Pid != 0 && !end.Notifier);
    }
    if (!look)
        tmrServers_.stop();
    else if (!tmrServers_.isActive())
        tmrServers_.start();
}

} // namespace quindle
