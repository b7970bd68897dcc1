#pragma once

// A text caret blinks while the user works and rests, shown steadily, once nothing has been
// typed or clicked for a while: every blink repaints the whole window through the browser
// engine's compositor, which costs an idle window as much as a page that animates.

#include <QObject>
#include <QTimer>

namespace quindle {

// How long the caret blinks after the last key press, click, or move of the focus by the keyboard.
constexpr int kCaretBlinkMs = 10000;

class TCaretRest : public QObject {
    Q_OBJECT
public:
    // Watches the input of every window of the application; the caret blinks for BlinkMs after
    // each input.
    explicit TCaretRest(QObject* Parent = nullptr, int BlinkMs = kCaretBlinkMs);
    ~TCaretRest() override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Rest();
    void Wake();

    int flashTime_; // the desktop's own blink period, given back at the next input
    QTimer rest_;
};

} // namespace quindle
