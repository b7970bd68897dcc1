// The Rebrand dialog: what it shows for the fields it is given, the confirmation, and what it
// gives back.

#include "kit/KoClass.h"
#include "tests/TestSupport.h"
#include "tests/window/BrowserTestSupport.h"
#include "ui_frmBrand.h"
#include "window/TfrmBrand.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>

#include <cstdio>

using namespace quindle;
using namespace quindle::test;

namespace {

// The fields as the defaults of Brand.ini give them at the first Rebrand after a start.
void Defaults(TfrmBrand& Brand) {
    Brand.SplashFileName = Brand.Title = Brand.IconFileName = "";
    Brand.ShowToolbar = Brand.ShowStatusbar = "1";
    Brand.ShowTrayIcon = Brand.FullScreen = Brand.CopyFilesToHardDisk = "0";
    Brand.IncludeMySQL = "1";
    Brand.IPAddress = "127.0.0.1";
    Brand.Port = 80;
    Brand.OutputDir = "/home/user/Documents/OutQNL";
}

void ClickOk(QDialog* Confirm) {
    static_cast<QMessageBox*>(Confirm)->button(QMessageBox::Ok)->click();
}

} // namespace

TEST(BrandDialog, TheFirstRebrandShowsTheDefaultsWithTheirCaptions) {
    TfrmBrand brand;
    Defaults(brand);
    brand.show();
    const auto* ui = brand.ui;
    EXPECT_EQ(brand.windowTitle(), "Rebrand");
    EXPECT_EQ(ui->edtTitle->text(), "");
    EXPECT_EQ(ui->edtIcon->text(), "");
    EXPECT_EQ(ui->edtImage->text(), "");
    EXPECT_TRUE(ui->chkToolbar->isChecked());
    EXPECT_TRUE(ui->chkStatusbar->isChecked());
    EXPECT_FALSE(ui->chkTrayIcon->isChecked());
    EXPECT_FALSE(ui->chkFullScreen->isChecked());
    EXPECT_FALSE(ui->chkCopyFiles->isChecked());
    EXPECT_TRUE(ui->chkIncludeMySQL->isChecked());
    EXPECT_EQ(ui->cboIP->currentText(), "127.0.0.1");
    EXPECT_EQ(ui->SpinEdit1->value(), 80);
    EXPECT_TRUE(ui->CheckBox1->isChecked());
    EXPECT_FALSE(ui->CheckBox1->isEnabled());
    EXPECT_EQ(ui->lblAppTitle->text(), "Enter a name for your product (optional):");
    EXPECT_EQ(ui->Label1->text(),
              "Select an image in BMP, JPG or PNG format for splash screen (optional):");
    EXPECT_EQ(ui->btnSelectIcon->toolTip(), "Click here to select an icon for your product");
    EXPECT_EQ(ui->btnSelectImage->toolTip(), "Click here to select an image for splash screen");
    EXPECT_EQ(ui->chkCopyFiles->text(),
              "Copy website files from CD/DVD to hard disk on startup so PHP can write files");
    EXPECT_EQ(ui->btnOK->text(), "&Go!");
    EXPECT_EQ(ui->Label5->text(), "NOTE: Click the Go! button to get rebranded software.");
    brand.reject();
}

TEST(BrandDialog, CancelInTheConfirmationKeepsTheDialogAndGoGivesTheChoicesBack) {
    TempDir dir;
    const std::string icon = dir / "shop.ico";
    WriteFile(icon, "icon");
    // A picture named relative to the program folder is stored as an absolute path.
    const std::string relative = "brand-dialog-test-picture.png";
    const std::string inProgramFolder = TKo::GetAppPath() + relative;
    WriteFile(inProgramFolder, "png");

    TfrmBrand brand;
    Defaults(brand);
    brand.IPAddress = "10.1.2.3"; // anything but the loopback address shows "0.0.0.0"
    brand.show();
    EXPECT_EQ(brand.ui->cboIP->currentIndex(), 1);
    brand.ui->edtTitle->setText("  Corner Shop ");
    brand.ui->edtIcon->setText(QString::fromStdString(icon));
    brand.ui->edtImage->setText(QString::fromStdString(relative));
    brand.ui->chkTrayIcon->setChecked(true);
    brand.ui->chkIncludeMySQL->setChecked(false);

    QString text;
    WhenDialogShows("dlgConfirm", [&](QDialog* d) {
        text = static_cast<QMessageBox*>(d)->text();
        d->reject();
    });
    brand.btnOKClick();
    EXPECT_EQ(text, "Your rebranded Quindle will be saved to a default folder:\r\n"
                    "/home/user/Documents/OutQNL\r\n\r\n"
                    "The default folder will automatically open when the rebranding is "
                    "finished.\r\n\r\nThis may take a few minutes. Click OK to continue.");
    EXPECT_TRUE(brand.isVisible());
    EXPECT_EQ(brand.Title, "");
    EXPECT_EQ(brand.ui->edtTitle->text(), "  Corner Shop ");

    WhenDialogShows("dlgConfirm", ClickOk);
    brand.btnOKClick();
    EXPECT_EQ(brand.result(), QDialog::Accepted);
    EXPECT_EQ(brand.Title, "Corner Shop");
    EXPECT_EQ(brand.IconFileName.toStdString(), icon);
    EXPECT_EQ(brand.SplashFileName.toStdString(), inProgramFolder);
    EXPECT_EQ(brand.ShowTrayIcon, "1");
    EXPECT_EQ(brand.IncludeMySQL, "0");
    EXPECT_EQ(brand.ShowToolbar, "1");
    EXPECT_EQ(brand.IPAddress, "all");
    EXPECT_EQ(brand.Port, 80);
    std::remove(inProgramFolder.c_str());

    // An emptied picture field keeps the picture of the earlier build.
    TfrmBrand again;
    again.SplashFileName = QString::fromStdString(icon);
    again.show();
    again.ui->edtImage->clear();
    WhenDialogShows("dlgConfirm", ClickOk);
    again.btnOKClick();
    EXPECT_EQ(again.SplashFileName.toStdString(), icon);
}

TEST(BrandDialog, APortOutsideTheRangeBecomesTheNearestBoundWhenTheFieldIsLeft) {
    TfrmBrand brand;
    Defaults(brand);
    brand.show();
    QApplication::setActiveWindow(&brand);
    auto* port = brand.ui->SpinEdit1;
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, "0");
    brand.ui->edtTitle->setFocus();
    EXPECT_EQ(port->value(), 1);
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, "8080");
    WhenDialogShows("dlgConfirm", ClickOk);
    brand.btnOKClick();
    EXPECT_EQ(brand.Port, 8080);
}

TEST(BrandDialog, APortFieldLeftEmptyGetsItsEarlierTextBack) {
    TfrmBrand brand;
    Defaults(brand);
    brand.Port = 8080;
    brand.show();
    QApplication::setActiveWindow(&brand);
    auto* port = brand.ui->SpinEdit1;
    port->setFocus();
    port->selectAll();
    QTest::keyClick(port, Qt::Key_Delete);
    EXPECT_EQ(port->text(), "");
    brand.ui->edtTitle->setFocus();
    EXPECT_EQ(port->text(), "8080");
    port->setFocus();
    port->selectAll();
    QTest::keyClick(port, Qt::Key_Backspace);
    WhenDialogShows("dlgConfirm", ClickOk);
    brand.btnOKClick();
    EXPECT_EQ(brand.Port, 8080);
}
