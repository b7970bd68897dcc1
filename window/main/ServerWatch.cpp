#include "window/main/ServerWatch.h"

#include <QSocketNotifier>

namespace quindle {

TServerWatch::TServerWatch(QObject* Parent) : QObject(Parent) {
    look_.setInterval(kServerLookMs);
    connect(&look_, &QTimer::timeout, this, &TServerWatch::ServerMayHaveEnded);
}

TServerWatch::~TServerWatch() = default;

void TServerWatch::Watch(std::uint32_t WebServerPid, std::uint32_t DatabasePid) {
    WatchOne(0, WebServerPid);
    WatchOne(1, DatabasePid);
    bool look = false;
    for (const TServerEnd& end : ends_)
        look = look || (end.Pid != 0 && !end.Notifier);
    if (!look)
        look_.stop();
    else if (!look_.isActive())
        look_.start();
}

void TServerWatch::WatchOne(int Index, std::uint32_t Pid) {
    TServerEnd& end = ends_[Index];
    if (end.Pid == Pid)
        return;
    end.Notifier.reset();
    end.Watch.reset();
    end.Pid = Pid;
    if (Pid != 0)
        end.Watch = std::make_unique<TProcessEndWatch>(Pid);
    if (!end.Watch || end.Watch->Descriptor() < 0)
        return;
    end.Notifier =
        std::make_unique<QSocketNotifier>(qintptr(end.Watch->Descriptor()), QSocketNotifier::Read);
    connect(end.Notifier.get(), &QSocketNotifier::activated, this, [this, Index] {
        // The descriptor stays ready: heard once, it is put away.
        ends_[Index].Notifier->setEnabled(false);
        emit ServerMayHaveEnded();
    });
}

void TServerWatch::Stop() {
    look_.stop();
    for (TServerEnd& end : ends_) {
        end.Notifier.reset();
        end.Watch.reset();
        end.Pid = 0;
    }
}

} // namespace quindle
