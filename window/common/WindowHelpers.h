#pragma once

// Window operations the browser windows and dialogs share: the edit-focus test behind the
// Backspace shortcuts, bringing a window to the front, choosing a file of one kind, and the busy
// state.

#include <QString>

class QFont;
class QObject;
class QWidget;

namespace quindle {

// The class of Component publishes a property of that name.
bool HasProperty(const QObject* Component, const char* Name);
// A text-entry control: a widget with a font that announces changes of its text or value.
bool IsEditControl(const QObject* Component);
// The keyboard focus lies in an edit control of Form (or inside one, as the line edit of an
// editable combo box).
bool IsEditFocused(const QWidget* Form);

// The windows' font: Tahoma, 11 pixels high, or the closest the system has (metric-alike sans
// fonts before the toolkit's default, so captions keep their width).
QFont WindowFont();

// A dialog of fixed size: a title bar with the close box alone.
void SetFixedDialogFrame(QWidget* Dialog);

// Makes Window the active window and raises it, also when the program is not in front.
void ForceForegroundWindow(QWidget* Window);


// Disables Control (when given) and shows the busy cursor, or the reverse; the change shows at
// once.
void SetBusy(bool Busy, QWidget* Control = nullptr);

} // namespace quindle
