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

    // The address ("127.0.0.1" or "all") and port the dialog shows, and after OK the chosen ones.
    void SetAddress(const QString& IPAddress, int Port);
    QString IPAddress() const { return ipAddress_; }
    int Port() const { return port_; }

    void FormShow();
    void cboIPChange();
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    Ui::frmSettings* ui;
    QString ipAddress_;
    int port_ = 80;
};

} // namespace quindle
