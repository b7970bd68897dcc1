#include "window/dialogs/PortField.h"

#include <QEvent>
#include <QLineEdit>
#include <QSpinBox>

namespace quindle {
namespace {

// Runs before the spin edit's own focus-out handling, which would make an empty text the
// minimum.
class TSpinEditExit : public QObject {
public:
    explicit TSpinEditExit(QSpinBox* Field) : QObject(Field), field_(Field) {}

    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Watched == field_ && Event->type() == QEvent::FocusOut)
            SpinEdit1Exit(field_);
        return false;
    }

private:
    QSpinBox* field_;
};

} // namespace

void SpinEdit1Exit(QSpinBox* Field) {
    auto* edit = Field->findChild<QLineEdit*>();
    if (!edit || !edit->text().trimmed().isEmpty())
        return;
    edit->undo();
    // Nothing to undo (the text was set, not typed): the value the field still holds.
    if (edit->text().trimmed().isEmpty())
        edit->setText(QString::number(Field->value()));
}

void HandleSpinEditExit(QSpinBox* Field) {
    Field->installEventFilter(new TSpinEditExit(Field));
}

} // namespace quindle
