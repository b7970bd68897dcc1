#include "window/TfrmBrand.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "ui_frmBrand.h"
#include "window/PortField.h"
#include "window/WindowHelpers.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>

namespace quindle {

TfrmBrand::TfrmBrand(QWidget* Parent) : QDialog(Parent), ui(new Ui::frmBrand) {
    ui->setupUi(this);
    setFont(WindowFont());
    SetFixedDialogFrame(this);
    const QIcon folder = style()->standardIcon(QStyle::SP_DirOpenIcon);
    ui->btnSelectIcon->setIcon(folder);
    ui->btnSelectImage->setIcon(folder);
    HandleSpinEditExit(ui->SpinEdit1);
    connect(ui->btnOK, &QPushButton::clicked, this, &TfrmBrand::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmBrand::btnCancelClick);
    connect(ui->btnSelectImage, &QToolButton::clicked, this, &TfrmBrand::btnSelectImageClick);
    connect(ui->btnSelectIcon, &QToolButton::clicked, this, &TfrmBrand::btnSelectIconClick);
}

TfrmBrand::~TfrmBrand() {
    delete ui;
}

void TfrmBrand::showEvent(QShowEvent* Event) {
    FormShow();
    QDialog::showEvent(Event);
}

QString TfrmBrand::ExistingFile(const QString& Text) {
    const std::string path = TKo::ExpandAppRelativePath(Text.trimmed().toLocal8Bit().toStdString());
    return !Text.trimmed().isEmpty() && FileExists(path) ? QString::fromLocal8Bit(path) : QString();
}

void TfrmBrand::FormShow() {
    ui->edtImage->setText(FileExists(SplashFileName.toLocal8Bit().toStdString()) ? SplashFileName
                                                                                 : QString());
    ui->edtTitle->setText(Title);
    ui->edtIcon->setText(FileExists(IconFileName.toLocal8Bit().toStdString()) ? IconFileName
                                                                              : QString());
    ui->chkToolbar->setChecked(ShowToolbar != "0");
    ui->chkStatusbar->setChecked(ShowStatusbar != "0");
    ui->chkTrayIcon->setChecked(ShowTrayIcon != "0");
    ui->chkFullScreen->setChecked(FullScreen != "0");
    ui->chkCopyFiles->setChecked(CopyFilesToHardDisk != "0");
    ui->chkIncludeMySQL->setChecked(IncludeMySQL != "0");
    ui->cboIP->setCurrentIndex(IPAddress == "127.0.0.1" ? 0 : 1);
    ui->SpinEdit1->setValue(Port);
}

void TfrmBrand::btnOKClick() {
    // Leaving the port field first brings a typed value into its range.
    ui->btnOK->setFocus();
    SpinEdit1Exit(ui->SpinEdit1);
    ui->SpinEdit1->interpretText();
    QMessageBox confirm(
        QMessageBox::Question, windowTitle(),
        QStringLiteral("Your rebranded Quindle will be saved to a default folder:\r\n"
                       "%1\r\n\r\n"
                       "The default folder will automatically open when the "
                       "rebranding is finished.\r\n\r\n"
                       "This may take a few minutes. Click OK to continue.")
            .arg(OutputDir),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    confirm.setObjectName(QStringLiteral("dlgConfirm"));
    if (confirm.exec() != QMessageBox::Ok)
        return;
    if (const QString image = ExistingFile(ui->edtImage->text()); !image.isEmpty())
        SplashFileName = image;
    Title = ui->edtTitle->text().trimmed();
    if (const QString icon = ExistingFile(ui->edtIcon->text()); !icon.isEmpty())
        IconFileName = icon;
    auto flag = [](const QCheckBox* box) { return box->isChecked() ? "1" : "0"; };
    ShowToolbar = flag(ui->chkToolbar);
    ShowStatusbar = flag(ui->chkStatusbar);
    ShowTrayIcon = flag(ui->chkTrayIcon);
    FullScreen = flag(ui->chkFullScreen);
    CopyFilesToHardDisk = flag(ui->chkCopyFiles);
    IncludeMySQL = flag(ui->chkIncludeMySQL);
    IPAddress =
        ui->cboIP->currentIndex() == 0 ? QStringLiteral("127.0.0.1") : QStringLiteral("all");
    Port = ui->SpinEdit1->value();
    accept();
}

void TfrmBrand::btnCancelClick() {
    reject();
}

void TfrmBrand::btnSelectImageClick() {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("dlgSelectImage"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("bmp"));
    dialog.setNameFilter(QStringLiteral("*.bmp;*.jpg;*.jpeg;*.png (*.bmp *.jpg *.jpeg *.png)"));
    if (const QString current = ExistingFile(ui->edtImage->text()); !current.isEmpty())
        dialog.selectFile(current);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ui->edtImage->setText(dialog.selectedFiles().first());
}

void TfrmBrand::btnSelectIconClick() {
    QString file = ExistingFile(ui->edtIcon->text());
    if (BrowseForFile(file, QStringLiteral(".ico"), this))
        ui->edtIcon->setText(file);
}

} // namespace quindle
