#pragma once

// Find on this page: a small tool window beside the browser window; each Find Next moves to the
// next match, and the count of matches shows below.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quindle {

class TWebBrowser;

class TFindDialog : public QDialog {
    Q_OBJECT

public:
    // Shows the browser's find window, making it on first use.
    static TFindDialog* ShowFor(TWebBrowser& Browser);

    void FindNext(bool Backward = false);

private:
    explicit TFindDialog(TWebBrowser& Browser);
    TWebBrowser& browser_;
    QLineEdit* edtFindText;
    QCheckBox* chkMatchCase;
    QLabel* lblResult;
};

} // namespace quindle
