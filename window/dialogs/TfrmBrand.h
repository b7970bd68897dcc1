#pragma once

// The Rebrand dialog: how the rebranded copy looks and behaves. The caller gives it the choices
// (from Brand.ini), shows the dialog, and reads the choices back when it was closed with Go!.

#include "launcher/builder/BrandChoices.h"

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

    void SetChoices(const TBrandChoices& Choices) { choices_ = Choices; }
    const TBrandChoices& Choices() const { return choices_; }

    void FormShow();
    void btnOKClick();
    void btnCancelClick();
    void btnSelectImageClick();
    void btnSelectIconClick();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    Ui::frmBrand* ui;
    TBrandChoices choices_;

    // The field's text made absolute against the program folder when a file is there, else
    // empty.
    static QString ExistingFile(const QString& Text);
};

} // namespace quindle
