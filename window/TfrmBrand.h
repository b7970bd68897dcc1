#pragma once

// The Rebrand dialog: how the rebranded copy looks and behaves. The caller fills the fields
// (from Brand.ini), shows the dialog, and reads the fields back when it was closed with Go!.

#include <QDialog>

namespace Ui {
class frmBrand;
}

namespace quindle {

class TfrmBrand : public QDialog {
    Q_OBJECT

public:
    explicit TfrmBrand(QWidget* Parent = nullptr);
    ~TfrmBrand() override;

    QString SplashFileName;
    QString Title;
    QString IconFileName;
    QString ShowToolbar, ShowStatusbar, ShowTrayIcon, FullScreen;
    QString IPAddress; // "127.0.0.1" or "all"
    int Port = 80;
    QString OutputDir;
    QString CopyFilesToHardDisk, IncludeMySQL;

    void FormShow();
    void btnOKClick();
    void btnCancelClick();
    void btnSelectImageClick();
    void btnSelectIconClick();

    Ui::frmBrand* ui;

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // The field's text made absolute against the program folder when a file is there, else
    // empty.
    static QString ExistingFile(const QString& Text);
};

} // namespace quindle
