#include "window/main/TTrayIconMan.h"
#include "window/common/WindowHelpers.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QMenu>
#include <QStyleHints>
#include <QWidget>

namespace quindle {
namespace {

std::uint32_t SystemTicks() {
    static QElapsedTimer since;
    if (!since.isValid())
        since.start();
    return std::uint32_t(since.elapsed());
}

} // namespace

TTrayIconMan::TTrayIconMan(std::function<std::uint32_t()> Clock, QObject* Parent)
    : QObject(Parent), clicks_(0), clock_(Clock ? std::move(Clock) : SystemTicks),
      icon_(new QSystemTrayIcon(this)) {
    clicks_ = TTrayClickRules(clock_());
    connect(icon_, &QSystemTrayIcon::activated, this, &TTrayIconMan::Notify);
}

TTrayIconMan::~TTrayIconMan() {
    RemoveIcon();
}

void TTrayIconMan::Show(const QIcon& Icon, const QString& Tip, std::function<void()> OnClick,
                        QMenu* PopupMenu, QWidget* Wnd) {
    if (active_)
        return;
    icon_->setIcon(Icon);
    icon_->setToolTip(Tip.left(kTipLength));
    onLeftClick_ = std::move(OnClick);
    rightMenu_ = PopupMenu;
    targetWindow_ = Wnd;
    icon_->show();
    active_ = true;
}

void TTrayIconMan::SetEnabled(bool Value) {
    if (active_)
        enabled_ = Value;
}

void TTrayIconMan::RemoveIcon() {
    if (!active_)
        return;
    icon_->hide();
    active_ = false;
}

QString TTrayIconMan::Tip() const {
    return icon_->toolTip();
}

void TTrayIconMan::Notify(QSystemTrayIcon::ActivationReason Reason) {
    const std::uint32_t now = clock_();
    clicks_.Observe(now);
    if (!active_ || !enabled_)
        return;
    if (Reason == QSystemTrayIcon::Trigger && onLeftClick_) {
        const auto doubleClick =
            std::uint32_t(QGuiApplication::styleHints()->mouseDoubleClickInterval());
        if (clicks_.TakeClick(now, doubleClick)) {
            onLeftClick_();
        } else if (targetWindow_ && targetWindow_->isVisible()) {
            ForceForegroundWindow(targetWindow_);
        }
    } else if (Reason == QSystemTrayIcon::Context && rightMenu_) {
        // The menu belongs to the window it acts on: that comes to the front with it.
        if (targetWindow_ && targetWindow_->isVisible())
            ForceForegroundWindow(targetWindow_);
        QCoreApplication::processEvents();
        rightMenu_->popup(QCursor::pos());
    }
}

} // namespace quindle
