#include "window/dialogs/TfrmBrand.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "ui_frmBrand.h"
#include "window/common/FileDialog.h"
#include "window/common/WindowHelpers.h"
#include "window/dialogs/PortField.h"

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
    const TBrandChoices& c = choices_;
    auto text = [](const std::string& Bytes) { return QString::fromLocal8Bit(Bytes); };
    ui->edtImage->setText(FileExists(c.SplashFileName) ? text(c.SplashFileName) : QString());
    ui->edtTitle->setText(text(c.Title));
    ui->edtIcon->setText(FileExists(c.IconFileName) ? text(c.IconFileName) : QString());
    ui->chkToolbar->setChecked(c.ShowToolbar);
    ui->chkStatusbar->setChecked(c.ShowStatusbar);
    ui->chkTrayIcon->setChecked(c.ShowTrayIcon);
    ui->chkFullScreen->setChecked(c.FullScreen);
    ui->chkCopyFiles->setChecked(c.CopyFilesToHardDisk);
    ui->chkIncludeMySQL->setChecked(c.IncludeMySQL);
    ui->cboIP->setCurrentIndex(c.IPAddress == "127.0.0.1" ? 0 : 1);
    ui->SpinEdit1->setValue(c.Port);
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
            .arg(QString::fromLocal8Bit(choices_.OutputDir)),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    confirm.setObjectName(QStringLiteral("dlgConfirm"));
    if (confirm.exec() != QMessageBox::Ok)
        return;
    TBrandChoices& c = choices_;
    auto bytes = [](const QString& Text) { return Text.toLocal8Bit().toStdString(); };
    if (const QString image = ExistingFile(ui->edtImage->text()); !image.isEmpty())
        c.SplashFileName = bytes(image);
    c.Title = bytes(ui->edtTitle->text().trimmed());
    if (const QString icon = ExistingFile(ui->edtIcon->text()); !icon.isEmpty())
        c.IconFileName = bytes(icon);
    c.ShowToolbar = ui->chkToolbar->isChecked();
    c.ShowStatusbar = ui->chkStatusbar->isChecked();
    c.ShowTrayIcon = ui->chkTrayIcon->isChecked();
    c.FullScreen = ui->chkFullScreen->isChecked();
    c.CopyFilesToHardDisk = ui->chkCopyFiles->isChecked();
    c.IncludeMySQL = ui->chkIncludeMySQL->isChecked();
    c.IPAddress = ui->cboIP->currentIndex() == 0 ? "127.0.0.1" : "all";
    c.Port = ui->SpinEdit1->value();
    accept();
}

void TfrmBrand::btnCancelClick() {
    reject();
}

void TfrmBrand::btnSelectImageClick() {
    const std::optional<TFileDialogChoice> choice =
        ChooseFile({QStringLiteral("dlgSelectImage"),
                    QString(),
                    ExistingFile(ui->edtImage->text()),
                    {QStringLiteral("*.bmp;*.jpg;*.jpeg;*.png (*.bmp *.jpg *.jpeg *.png)")},
                    QStringLiteral("bmp"),
                    false},
                   this);
    if (choice)
        ui->edtImage->setText(choice->File);
}

void TfrmBrand::btnSelectIconClick() {
    QString file = ExistingFile(ui->edtIcon->text());
    if (BrowseForFile(file, QStringLiteral(".ico"), this))
        ui->edtIcon->setText(file);
}

} // namespace quindle
