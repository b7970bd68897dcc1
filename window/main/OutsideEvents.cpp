#include "window/main/OutsideEvents.h"
#include "kit/KoClass.h"

#include <QSocketNotifier>

namespace quindle {

TOutsideEvents::TOutsideEvents(QObject* Parent) : QObject(Parent) {
    const int endRequests = EndRequestDescriptor();
    if (endRequests >= 0) {
        auto* notifier = new QSocketNotifier(qintptr(endRequests), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            if (TakeEndRequest())
                emit EndAsked();
        });
    }
    if (mounts_.Descriptor() >= 0) {
        auto* notifier =
            new QSocketNotifier(qintptr(mounts_.Descriptor()), QSocketNotifier::Exception, this);
        // The wake-up is the change: the medium is looked at at once.
        connect(notifier, &QSocketNotifier::activated, this, &TOutsideEvents::CheckMedium);
    }
    announced_ = endRequests >= 0 && mounts_.Descriptor() >= 0;
    look_.setInterval(announced_ ? kTrayLookMs : kOutsideEventsLookMs);
    connect(&look_, &QTimer::timeout, this, &TOutsideEvents::Look);
    UpdateLook(false);
}

void TOutsideEvents::ListenForReports(const std::string& Name) {
    if (reports_.Open(Name) && reports_.Handle() >= 0) {
        reportNotifier_ =
            new QSocketNotifier(qintptr(reports_.Handle()), QSocketNotifier::Read, this);
        connect(reportNotifier_, &QSocketNotifier::activated, this, &TOutsideEvents::TakeReports);
    }
    // Without a descriptor the reports wait for the timer's next look.
    UpdateLook(ownerLooks_);
}

void TOutsideEvents::UpdateLook(bool OwnerLooks) {
    ownerLooks_ = OwnerLooks;
    if (stopped_)
        return;
    const bool reportsUnheard = reports_.IsOpen() && !reportNotifier_;
    if (!announced_ || OwnerLooks || reportsUnheard) {
        if (!look_.isActive())
            look_.start();
    } else {
        look_.stop();
    }
}

void TOutsideEvents::Stop() {
    stopped_ = true;
    look_.stop();
}

void TOutsideEvents::Look() {
    if (TakeEndRequest())
        emit EndAsked();
    if (mounts_.Changed())
        CheckMedium();
    TakeReports();
    emit Looked();
}

void TOutsideEvents::CheckMedium() {
    if (!TKo::IsDriveReady(TKo::GetAppFileName()))
        emit MediumGone();
}

void TOutsideEvents::TakeReports() {
    if (!reports_.IsOpen())
        return;
    if (const std::uint32_t pid = reports_.Receive())
        emit ProcessReported(pid);
}

} // namespace quindle
