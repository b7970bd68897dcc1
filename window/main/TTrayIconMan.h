#pragma once

// The program's icon in the desktop's notification area: a left click calls a handler (once per
// quiet period), a right click pops up a menu at the pointer, and both can be switched off while a
// modal window is open. The desktop's tray re-embeds the icon by itself when it restarts.

#include "kit/TrayClickRules.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>

class QMenu;

namespace quindle {

class TTrayIconMan : public QObject {
    Q_OBJECT

public:
    // The tip holds at most this many characters.
    static constexpr int kTipLength = 127;

    // Clock gives the tick count in milliseconds; the tests give their own.
    explicit TTrayIconMan(std::function<std::uint32_t()> Clock = {}, QObject* Parent = nullptr);
    ~TTrayIconMan() override;

    // Adds the icon unless it is already there (then nothing changes, not even the tip). Wnd,
    // when given, is the window the icon stands for: a click comes to it in front.
    void Show(const QIcon& Icon, const QString& Tip, std::function<void()> OnClick,
              QMenu* PopupMenu, QWidget* Wnd);
    // Switches the mouse handling off and on while the icon is there.
    void SetEnabled(bool Value);
    void RemoveIcon();

    bool Active() const { return active_; }
    bool Enabled() const { return enabled_; }
    QString Tip() const;

    // A mouse notification of the icon: Trigger is a left click, Context a right click.
    void Notify(QSystemTrayIcon::ActivationReason Reason);

    const TTrayClickRules& Clicks() const { return clicks_; }

private:
    TTrayClickRules clicks_;
    std::function<std::uint32_t()> clock_;
    QSystemTrayIcon* icon_;
    bool active_ = false;
    bool enabled_ = true;
    std::function<void()> onLeftClick_;
    QPointer<QMenu> rightMenu_;
    QPointer<QWidget> targetWindow_;
};

} // namespace quindle
