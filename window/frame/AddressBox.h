#pragma once

// The address box of a browser window: an editable list of the addresses visited, newest first
// and at most kHistoryLimit of them. Up and Left walk to newer entries, Down and Right to older
// ones, before the box itself sees the keys; Enter, a chosen entry and Go ask to go there.

#include <QObject>
#include <QString>

class QComboBox;

namespace quindle {

class TAddressBox : public QObject {
    Q_OBJECT

public:
    static constexpr int kHistoryLimit = 24;

    // Drives Box, which stays its parent's child.
    explicit TAddressBox(QComboBox* Box);

    QString Text() const;
    void SetText(const QString& Text);
    // Adds Location to the history, or selects it where it already is.
    void UpdateHistory(const QString& Location);
    // The history entry the box shows, or -1 when its text is typed or empty.
    int SelectedHistoryIndex() const;

signals:
    // Enter, or an entry chosen from the list: the text of the box is to be visited.
    void GoAsked();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // True when the key was the box's to handle.
    bool KeyDown(int Key);
    void TextChanged(const QString& Text);

    QComboBox* box_;
};

} // namespace quindle
