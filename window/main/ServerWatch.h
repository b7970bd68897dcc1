#pragma once

// Hears the end of each server process of the run, the web server and the database server: a
// server that ends is heard at once, and nothing looks at the processes while they run. Where
// the system does not announce the end of a process, the watch looks now and then instead.

#include "kit/SystemEvents.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

class QSocketNotifier;

namespace quindle {

// Where the end of a server is not announced, how often the watch looks.
constexpr int kServerLookMs = 500;

class TServerWatch : public QObject {
    Q_OBJECT

public:
    explicit TServerWatch(QObject* Parent = nullptr);
    ~TServerWatch() override;

    // Watches these processes (0: none). A process watched already stays watched, and an ended
    // one stays unheard until another takes its place: a paused database server is ended on
    // purpose.
    void Watch(std::uint32_t WebServerPid, std::uint32_t DatabasePid);
    // Nothing is heard any more: the run is ending.
    void Stop();
    // The fallback timer runs.
    bool Looking() const { return look_.isActive(); }

signals:
    // A server has ended, or the fallback's time to look has come.
    void ServerMayHaveEnded();

private:
    struct TServerEnd {
        std::uint32_t Pid = 0;
        std::unique_ptr<TProcessEndWatch> Watch;
        std::unique_ptr<QSocketNotifier> Notifier;
    };
    void WatchOne(int Index, std::uint32_t Pid);

    TServerEnd ends_[2];
    QTimer look_;
};

} // namespace quindle
