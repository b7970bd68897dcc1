#include "window/dialogs/TfrmSettings.h"
#include "ui_frmSettings.h"
#include "window/common/WindowHelpers.h"
#include "window/dialogs/PortField.h"

#include <QMessageBox>

#include <algorithm>

namespace quindle {

TfrmSettings::TfrmSettings(QWidget* Parent) : QDialog(Parent), ui(new Ui::frmSettings) {
    ui->setupUi(this);
    setFont(WindowFont());
    SetFixedDialogFrame(this);
    HandleSpinEditExit(ui->SpinEdit1);
    // Choosing the item that is already selected counts as a change too.
    connect(ui->cboIP, &QComboBox::activated, this, &TfrmSettings::cboIPChange);
    connect(ui->cboIP, &QComboBox::currentIndexChanged, this, &TfrmSettings::cboIPChange);
    connect(ui->SpinEdit1, &QSpinBox::textChanged, this, &TfrmSettings::cboIPChange);
    connect(ui->btnOK, &QPushButton::clicked, this, &TfrmSettings::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmSettings::btnCancelClick);
}

TfrmSettings::~TfrmSettings() {
    delete ui;
}

void TfrmSettings::showEvent(QShowEvent* Event) {
    FormShow();
    QDialog::showEvent(Event);
}

void TfrmSettings::SetAddress(const QString& IPAddress, int Port) {
    ipAddress_ = IPAddress;
    port_ = Port;
}

void TfrmSettings::FormShow() {
    ui->cboIP->setCurrentIndex(ipAddress_ == "127.0.0.1" ? 0 : 1);
    ui->SpinEdit1->setValue(std::clamp(port_, 1, 65535));
    // Nothing to confirm until the user has changed something.
    ui->btnOK->setEnabled(false);
    ui->cboIP->setFocus();
}

void TfrmSettings::cboIPChange() {
    ui->btnOK->setEnabled(true);
}

void TfrmSettings::btnOKClick() {
    // Leaving the port field brings its text into the range before it is read.
    ui->btnOK->setFocus();
    SpinEdit1Exit(ui->SpinEdit1);
    ui->SpinEdit1->interpretText();
    QMessageBox confirm(QMessageBox::Question, QStringLiteral("Confirm"),
                        QStringLiteral("Are you sure you want to do this?"),
                        QMessageBox::Yes | QMessageBox::No, this);
    confirm.setObjectName(QStringLiteral("dlgConfirm"));
    confirm.setDefaultButton(QMessageBox::Yes);
    if (confirm.exec() != QMessageBox::Yes)
        return;
    ipAddress_ =
        ui->cboIP->currentIndex() == 0 ? QStringLiteral("127.0.0.1") : QStringLiteral("all");
    bool number = false;
    const int port = ui->SpinEdit1->text().trimmed().toInt(&number);
    port_ = number ? port : 1;
    accept();
}

void TfrmSettings::btnCancelClick() {
    reject();
}

} // namespace quindle
