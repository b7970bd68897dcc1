#pragma once

// The address and port dialog of the tray menu: on which address and port the program's web
// server listens from its next start on. The caller fills the fields from Config.ini, shows the
// dialog, and reads them back when it was closed with OK.

#include <QDialog>

namespace Ui {
class frmSettings;
}

namespace quindle {

class TfrmSettings : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSettings(QWidget* Parent = nullptr);
    ~TfrmSettings() override;

    QString IPAddress; // "127.0.0.1" or "all"
    int Port = 80;

    void FormShow();
    void cboIPChange();
    void btnOKClick();
    void btnCancelClick();

    Ui::frmSettings* ui;

protected:
    void showEvent(QShowEvent* Event) override;
};

} // namespace quindle
