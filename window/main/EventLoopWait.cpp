#include "window/main/EventLoopWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>

namespace quindle {

TCooperativeWait EventLoopWait() {
    TCooperativeWait wait;
    wait.LetMessagesRun = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    wait.Sleep = [](int Milliseconds) {
        QDeadlineTimer until(Milliseconds);
        while (!until.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                            int(std::max<qint64>(1, until.remainingTime())));
    };
    return wait;
}

} // namespace quindle
