#include "window/frame/AddressBox.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace quindle {
namespace {

QIcon AddressIcon() {
    static const QIcon icon(QStringLiteral(":/images/address.png"));
    return icon;
}

} // namespace

TAddressBox::TAddressBox(QComboBox* Box) : QObject(Box), box_(Box) {
    box_->setCompleter(nullptr);
    connect(box_, &QComboBox::activated, this, &TAddressBox::GoAsked);
    connect(box_, &QComboBox::editTextChanged, this, &TAddressBox::TextChanged);
    // The arrow keys walk the history before the box (or its line edit) moves the caret.
    box_->installEventFilter(this);
    box_->lineEdit()->installEventFilter(this);
}

QString TAddressBox::Text() const {
    return box_->currentText();
}

void TAddressBox::SetText(const QString& Text) {
    box_->setEditText(Text);
}

void TAddressBox::UpdateHistory(const QString& Location) {
    const QString location = Location.trimmed();
    if (location.isEmpty())
        return;
    int found = -1;
    for (int i = 0; i < box_->count() && found < 0; ++i)
        if (box_->itemText(i) == location)
            found = i;
    if (found < 0) {
        box_->insertItem(0, AddressIcon(), location);
        if (box_->count() > kHistoryLimit)
            box_->removeItem(box_->count() - 1);
        found = 0;
    }
    box_->setCurrentIndex(found);
    SetText(box_->itemText(found));
}

int TAddressBox::SelectedHistoryIndex() const {
    const int index = box_->currentIndex();
    // Typing in the box leaves the combo box's index alone; the text then belongs to no entry.
    if (index < 0 || box_->itemText(index) != box_->currentText())
        return -1;
    return index;
}

void TAddressBox::TextChanged(const QString& Text) {
    if (Text.isEmpty() && box_->currentIndex() != -1)
        box_->setCurrentIndex(-1);
}

bool TAddressBox::KeyDown(int Key) {
    const int index = SelectedHistoryIndex();
    switch (Key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        if (index > 0) {
            box_->setCurrentIndex(index - 1);
            return true;
        }
        return false;
    case Qt::Key_Down:
    case Qt::Key_Right:
        if (index < box_->count() - 1) {
            box_->setCurrentIndex(index + 1);
            return true;
        }
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit GoAsked();
        return true;
    default:
        return false;
    }
}

bool TAddressBox::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::KeyPress && (Watched == box_ || Watched == box_->lineEdit())) {
        const auto* key = static_cast<QKeyEvent*>(Event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && KeyDown(key->key()))
            return true;
    }
    return QObject::eventFilter(Watched, Event);
}

} // namespace quindle
