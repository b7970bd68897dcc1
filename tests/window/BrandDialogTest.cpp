// The Rebrand dialog: what it shows for the fields it is given, the confirmation, and what it
// gives back.

#include "kit/KoClass.h"
#include "tests/TestSupport.h"
#include "tests/window/BrowserTestSupport.h"

#include "window/dialogs/TfrmBrand.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <cstdio>

using namespace quindle;
using namespace quindle::test;

namespace {

// The choices as the defaults of Brand.ini give them at the first Rebrand after a start.
TBrandChoices Defaults() {
    TBrandChoices c;
    c.SplashFileName = c.Title = c.IconFileName = "";
    c.ShowToolbar = c.ShowStatusbar = true;
    c.ShowTrayIcon = c.FullScreen = c.CopyFilesToHardDisk = false;
    c.IncludeMySQL = true;
    c.IPAddress = "127.0.0.1";
    c.Port = 80;
    c.OutputDir = "/home/user/Documents/OutQNL";
    return c;
}

void ClickOk(QDialog* Confirm) {
    static_cast<QMessageBox*>(Confirm)->button(QMessageBox::Ok)->click();
}

} // namespace

TEST(BrandDialog, TheFirstRebrandShowsTheDefaultsWithTheirCaptions) {
    TfrmBrand brand;
    brand.SetChoices(Defaults());
    brand.show();
    EXPECT_EQ(brand.windowTitle(), "Rebrand");
    EXPECT_EQ(Part<QLineEdit>(brand, "edtTitle")->text(), "");
    EXPECT_EQ(Part<QLineEdit>(brand, "edtIcon")->text(), "");
    EXPECT_EQ(Part<QLineEdit>(brand, "edtImage")->text(), "");
    EXPECT_TRUE(Part<QCheckBox>(brand, "chkToolbar")->isChecked());
    EXPECT_TRUE(Part<QCheckBox>(brand, "chkStatusbar")->isChecked());
    EXPECT_FALSE(Part<QCheckBox>(brand, "chkTrayIcon")->isChecked());
    EXPECT_FALSE(Part<QCheckBox>(brand, "chkFullScreen")->isChecked());
    EXPECT_FALSE(Part<QCheckBox>(brand, "chkCopyFiles")->isChecked());
    EXPECT_TRUE(Part<QCheckBox>(brand, "chkIncludeMySQL")->isChecked());
    EXPECT_EQ(Part<QComboBox>(brand, "cboIP")->currentText(), "127.0.0.1");
    EXPECT_EQ(Part<QSpinBox>(brand, "SpinEdit1")->value(), 80);
    EXPECT_TRUE(Part<QCheckBox>(brand, "CheckBox1")->isChecked());
    EXPECT_FALSE(Part<QCheckBox>(brand, "CheckBox1")->isEnabled());
    EXPECT_EQ(Part<QLabel>(brand, "lblAppTitle")->text(),
              "Enter a name for your product (optional):");
    EXPECT_EQ(Part<QLabel>(brand, "Label1")->text(),
              "Select an image in BMP, JPG or PNG format for splash screen (optional):");
    EXPECT_EQ(Part<QToolButton>(brand, "btnSelectIcon")->toolTip(),
              "Click here to select an icon for your product");
    EXPECT_EQ(Part<QToolButton>(brand, "btnSelectImage")->toolTip(),
              "Click here to select an image for splash screen");
    EXPECT_EQ(Part<QCheckBox>(brand, "chkCopyFiles")->text(),
              "Copy website files from CD/DVD to hard disk on startup so PHP can write files");
    EXPECT_EQ(Part<QPushButton>(brand, "btnOK")->text(), "&Go!");
    EXPECT_EQ(Part<QLabel>(brand, "Label5")->text(),
              "NOTE: Click the Go! button to get rebranded software.");
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
    TBrandChoices choices = Defaults();
    choices.IPAddress = "10.1.2.3"; // anything but the loopback address shows "0.0.0.0"
    brand.SetChoices(choices);
    brand.show();
    EXPECT_EQ(Part<QComboBox>(brand, "cboIP")->currentIndex(), 1);
    Part<QLineEdit>(brand, "edtTitle")->setText("  Corner Shop ");
    Part<QLineEdit>(brand, "edtIcon")->setText(QString::fromStdString(icon));
    Part<QLineEdit>(brand, "edtImage")->setText(QString::fromStdString(relative));
    Part<QCheckBox>(brand, "chkTrayIcon")->setChecked(true);
    Part<QCheckBox>(brand, "chkIncludeMySQL")->setChecked(false);

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
    EXPECT_EQ(brand.Choices().Title, "");
    EXPECT_EQ(Part<QLineEdit>(brand, "edtTitle")->text(), "  Corner Shop ");

    WhenDialogShows("dlgConfirm", ClickOk);
    brand.btnOKClick();
    EXPECT_EQ(brand.result(), QDialog::Accepted);
    EXPECT_EQ(brand.Choices().Title, "Corner Shop");
    EXPECT_EQ(brand.Choices().IconFileName, icon);
    EXPECT_EQ(brand.Choices().SplashFileName, inProgramFolder);
    EXPECT_TRUE(brand.Choices().ShowTrayIcon);
    EXPECT_FALSE(brand.Choices().IncludeMySQL);
    EXPECT_TRUE(brand.Choices().ShowToolbar);
    EXPECT_EQ(brand.Choices().IPAddress, "all");
    EXPECT_EQ(brand.Choices().Port, 80);
    std::remove(inProgramFolder.c_str());

    // An emptied picture field keeps the picture of the earlier build.
    TfrmBrand again;
    TBrandChoices earlier;
    earlier.SplashFileName = icon;
    again.SetChoices(earlier);
    again.show();
    Part<QLineEdit>(again, "edtImage")->clear();
    WhenDialogShows("dlgConfirm", ClickOk);
    again.btnOKClick();
    EXPECT_EQ(again.Choices().SplashFileName, icon);
}

TEST(BrandDialog, APortOutsideTheRangeBecomesTheNearestBoundWhenTheFieldIsLeft) {
    TfrmBrand brand;
    brand.SetChoices(Defaults());
    brand.show();
    brand.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&brand));
    auto* port = Part<QSpinBox>(brand, "SpinEdit1");
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, "0");
    Part<QLineEdit>(brand, "edtTitle")->setFocus();
    EXPECT_EQ(port->value(), 1);
    port->setFocus();
    port->selectAll();
    QTest::keyClicks(port, "8080");
    WhenDialogShows("dlgConfirm", ClickOk);
    brand.btnOKClick();
    EXPECT_EQ(brand.Choices().Port, 8080);
}

TEST(BrandDialog, APortFieldLeftEmptyGetsItsEarlierTextBack) {
    TfrmBrand brand;
    TBrandChoices choices = Defaults();
    choices.Port = 8080;
    brand.SetChoices(choices);
    brand.show();
    brand.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&brand));
    auto* port = Part<QSpinBox>(brand, "SpinEdit1");
    port->setFocus();
    port->selectAll();
    QTest::keyClick(port, Qt::Key_Delete);
    EXPECT_EQ(port->text(), "");
    Part<QLineEdit>(brand, "edtTitle")->setFocus();
    EXPECT_EQ(port->text(), "8080");
    port->setFocus();
    port->selectAll();
    QTest::keyClick(port, Qt::Key_Backspace);
    WhenDialogShows("dlgConfirm", ClickOk);
    brand.btnOKClick();
    EXPECT_EQ(brand.Choices().Port, 8080);
}
