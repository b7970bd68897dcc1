#include "window/main/CaretRest.h"

#include <QApplication>
#include <QFocusEvent>

namespace quindle {

TCaretRest::TCaretRest(QObject* Parent, int BlinkMs)
    : QObject(Parent), flashTime_(QApplication::cursorFlashTime()) {
    rest_.setSingleShot(true);
    rest_.setInterval(BlinkMs);
    connect(&rest_, &QTimer::timeout, this, &TCaretRest::Rest);
    qApp->installEventFilter(this);
    // The focus the start gives a text box is not the user's: its caret rests from the start.
    Rest();
}

TCaretRest::~TCaretRest() {
    if (flashTime_ != 0)
        QApplication::setCursorFlashTime(flashTime_);
}

bool TCaretRest::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::InputMethod:
        Wake();
        break;
    case QEvent::FocusIn: {
        // Moved there by the user, not by a window that opens or comes to the front.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(Event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason)
            Wake();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(Watched, Event);
}

void TCaretRest::Rest() {
    // A period of 0 is the toolkit's steady caret; the text controls follow the change at once.
    if (QApplication::cursorFlashTime() != 0)
        flashTime_ = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
}

void TCaretRest::Wake() {
    if (QApplication::cursorFlashTime() == 0 && flashTime_ != 0)
        QApplication::setCursorFlashTime(flashTime_);
    rest_.start();
}

} // namespace quindle
