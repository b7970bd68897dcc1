// The address and port dialog of the tray menu: what it shows for the configuration it is given,
// when OK becomes available, the confirmation, and what it gives back.

#include "tests/window/BrowserTestSupport.h"
#include "ui_frmSettings.h"
#include "window/TfrmSettings.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

using namespace quindle;
using namespace quindle::test;

namespace {

void Answer(QMessageBox::StandardButton Button) {
    WhenDialogShows("dlgConfirm", [Button](QDialog* Confirm) {
        auto* box = static_cast<QMessageBox*>(Confirm);
        EXPECT_EQ(box->text(), "Are you sure you want to do this?");
        EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
        EXPECT_NE(box->button(QMessageBox::No), nullptr);
        box->button(Button)->click();
    });
}

// Types into the port field as a user does: the old text selected and replaced.
void TypePort(TfrmSettings& Form, const QString& Text) {
    auto* port = Form.ui->SpinEdit1;
    port->setFocus();
    port->selectAll();
    if (Text.isEmpty())
        QTest::keyClick(port, Qt::Key_Delete);
    else
        QTest::keyClicks(port, Text);
}

// Shows the dialog for that configuration, as the tray entry does, as the active window.
void ShowWith(TfrmSettings& Form, const QString& IPAddress, int Port) {
    Form.IPAddress = IPAddress;
    Form.Port = Port;
    Form.show();
    QApplication::setActiveWindow(&Form);
}

} // namespace

TEST(SettingsDialog, ShowsTheConfigurationWithOkUnavailable) {
    TfrmSettings form;
    ShowWith(form, "127.0.0.1", 80);
    const auto* ui = form.ui;
    EXPECT_EQ(form.windowTitle(), "Change IP Address or Port");
    EXPECT_EQ(ui->lblIP->text(), "IP address:");
    EXPECT_EQ(ui->lblPort->text(), "Port (1 - 65535):");
    EXPECT_EQ(ui->btnOK->text(), "OK");
    EXPECT_EQ(ui->btnCancel->text(), "Cancel");
    ASSERT_EQ(ui->cboIP->count(), 2);
    EXPECT_EQ(ui->cboIP->itemText(0), "127.0.0.1");
    EXPECT_EQ(ui->cboIP->itemText(1), "0.0.0.0");
    EXPECT_EQ(ui->cboIP->currentIndex(), 0);
    EXPECT_EQ(ui->SpinEdit1->value(), 80);
    EXPECT_FALSE(ui->btnOK->isEnabled());
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    // Tab order: address, port, OK, Cancel. OK takes part once it is available.
    ui->btnOK->setEnabled(true);
    const std::vector<QWidget*> order = {ui->cboIP, ui->SpinEdit1, ui->btnOK, ui->btnCancel};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        order[i]->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), order[i + 1]) << i;
    }
    form.hide();

    // Anything but exactly "127.0.0.1" is every address; ports come into the range.
    for (const char* ip : {"all", "0.0.0.0", " 127.0.0.1", ""}) {
        TfrmSettings other;
        ShowWith(other, ip, 0);
        EXPECT_EQ(other.ui->cboIP->currentIndex(), 1) << ip;
        EXPECT_EQ(other.ui->SpinEdit1->value(), 1);
    }
    TfrmSettings high;
    ShowWith(high, "127.0.0.1", 70000);
    EXPECT_EQ(high.ui->SpinEdit1->value(), 65535);
}

TEST(SettingsDialog, AnyChangeInEitherControlMakesOkAvailableEvenWhenUndone) {
    {
        TfrmSettings form;
        ShowWith(form, "127.0.0.1", 80);
        form.ui->cboIP->setCurrentIndex(1);
        form.ui->cboIP->setCurrentIndex(0);
        EXPECT_TRUE(form.ui->btnOK->isEnabled());
    }
    {
        TfrmSettings form;
        ShowWith(form, "all", 8080);
        TypePort(form, "8081");
        EXPECT_TRUE(form.ui->btnOK->isEnabled());
        TypePort(form, "8080");
        EXPECT_TRUE(form.ui->btnOK->isEnabled());
    }
    {
        // Showing the dialog again starts over.
        TfrmSettings form;
        ShowWith(form, "127.0.0.1", 80);
        form.ui->cboIP->setCurrentIndex(1);
        form.hide();
        form.show();
        EXPECT_FALSE(form.ui->btnOK->isEnabled());
    }
}

TEST(SettingsDialog, NoKeepsTheDialogOpenAndYesGivesBackTheChoice) {
    TfrmSettings form;
    ShowWith(form, "127.0.0.1", 80);
    form.ui->cboIP->setCurrentIndex(1);
    TypePort(form, "8080");

    Answer(QMessageBox::No);
    form.ui->btnOK->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.IPAddress, "127.0.0.1");
    EXPECT_EQ(form.Port, 80);

    Answer(QMessageBox::Yes);
    form.ui->btnOK->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    // The second item shows "0.0.0.0" and stands for every address.
    EXPECT_EQ(form.IPAddress, "all");
    EXPECT_EQ(form.Port, 8080);
}

TEST(SettingsDialog, CancelGivesBackNothing) {
    TfrmSettings form;
    ShowWith(form, "all", 8080);
    form.ui->cboIP->setCurrentIndex(0);
    form.ui->btnCancel->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.IPAddress, "all");
    EXPECT_EQ(form.Port, 8080);
}

TEST(SettingsDialog, APortFieldLeftEmptyGetsItsTextBackAndOthersComeIntoTheRange) {
    TfrmSettings form;
    ShowWith(form, "127.0.0.1", 8080);
    auto* port = form.ui->SpinEdit1;

    TypePort(form, "");
    EXPECT_EQ(port->text(), "");
    form.ui->cboIP->setFocus();
    EXPECT_EQ(port->text(), "8080");
    EXPECT_EQ(port->value(), 8080);

    // Digits past the largest port are refused as they are typed.
    TypePort(form, "99999");
    form.ui->cboIP->setFocus();
    EXPECT_LE(port->value(), 65535);
    TypePort(form, "0");
    form.ui->cboIP->setFocus();
    EXPECT_EQ(port->value(), 1);

    // OK reads the field as it is after leaving it: emptied, the earlier port.
    TypePort(form, "3000");
    form.ui->cboIP->setFocus();
    TypePort(form, " ");
    Answer(QMessageBox::Yes);
    form.ui->btnOK->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Port, 3000);
    EXPECT_EQ(form.IPAddress, "127.0.0.1");
}
