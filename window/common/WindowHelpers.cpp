#include "window/common/WindowHelpers.h"

#include <QApplication>
#include <QFileInfo>
#include <QMetaMethod>
#include <QWidget>

namespace quindle {
namespace {

bool HasSignal(const QObject* Component, const char* Name) {
    const QMetaObject* meta = Component->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.name() == Name)
            return true;
    }
    return false;
}

bool IsSelfOrDescendant(const QWidget* Ancestor, const QWidget* Widget) {
    return Widget && (Widget == Ancestor || Ancestor->isAncestorOf(Widget));
}

} // namespace

bool HasProperty(const QObject* Component, const char* Name) {
    return Component && Component->metaObject()->indexOfProperty(Name) >= 0;
}

bool IsEditControl(const QObject* Component) {
    if (!Component || !Component->isWidgetType() || !HasProperty(Component, "font"))
        return false;
    // What the user types changes the text (line edits, text editors, editable combo boxes) or
    // the value (spin boxes).
    return HasSignal(Component, "textChanged") || HasSignal(Component, "textEdited") ||
           HasSignal(Component, "editTextChanged") || HasSignal(Component, "valueChanged");
}

bool IsEditFocused(const QWidget* Form) {
    const QWidget* focus = QApplication::focusWidget();
    if (!Form || !IsSelfOrDescendant(Form, focus))
        return false;
    // The focus widget or one of its parents inside the form (the line edit of a combo box).
    for (const QWidget* w = focus; w && w != Form; w = w->parentWidget()) {
        // Plain combo boxes announce a changed choice, not typed text.
        if (IsEditControl(w) && !(w->inherits("QComboBox") && !w->property("editable").toBool()))
            return true;
    }
    return false;
}

QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Nimbus Sans")});
    font.setPixelSize(11);
    return font;
}

void SetFixedDialogFrame(QWidget* Dialog) {
    Dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
}

void ForceForegroundWindow(QWidget* Window) {
    if (!Window)
        return;
    QWidget* top = Window->window();
    if (top->isMinimized())
        top->showNormal();
    top->raise();
    top->activateWindow();
}

void SetBusy(bool Busy, QWidget* Control) {
    if (Control)
        Control->setEnabled(!Busy);
    if (Busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    QCoreApplication::processEvents();
}

} // namespace quindle
