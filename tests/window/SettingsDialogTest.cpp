// The address and port dialog of the tray menu: what it shows for the configuration it is given,
// when OK becomes available, the confirmation, and what it gives back.

#include "tests/window/BrowserTestSupport.h"

#include "window/dialogs/TfrmSettings.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
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
    auto* port = Part<QSpinBox>(Form, "SpinEdit1");
    port->setFocus();
    port->selectAll();
    if (Text.isEmpty())
        QTest::keyClick(port, Qt::Key_Delete);
    else
        QTest::keyClicks(port, Text);
}

// Shows the dialog for that configuration, as the tray entry does, as the active window.
void ShowWith(TfrmSettings& Form, const QString& IPAddress, int Port) {
    Form.SetAddress(IPAddress, Port);
    Form.show();
    Form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Form));
}

} // namespace

TEST(SettingsDialog, ShowsTheConfigurationWithOkUnavailable) {
    TfrmSettings form;
    ShowWith(form, "127.0.0.1", 80);
    EXPECT_EQ(form.windowTitle(), "Change IP Address or Port");
    EXPECT_EQ(Part<QLabel>(form, "lblIP")->text(), "IP address:");
    EXPECT_EQ(Part<QLabel>(form, "lblPort")->text(), "Port (1 - 65535):");
    EXPECT_EQ(Part<QPushButton>(form, "btnOK")->text(), "OK");
    EXPECT_EQ(Part<QPushButton>(form, "btnCancel")->text(), "Cancel");
    ASSERT_EQ(Part<QComboBox>(form, "cboIP")->count(), 2);
    EXPECT_EQ(Part<QComboBox>(form, "cboIP")->itemText(0), "127.0.0.1");
    EXPECT_EQ(Part<QComboBox>(form, "cboIP")->itemText(1), "0.0.0.0");
    EXPECT_EQ(Part<QComboBox>(form, "cboIP")->currentIndex(), 0);
    EXPECT_EQ(Part<QSpinBox>(form, "SpinEdit1")->value(), 80);
    EXPECT_FALSE(Part<QPushButton>(form, "btnOK")->isEnabled());
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    // Tab order: address, port, OK, Cancel. OK takes part once it is available.
    Part<QPushButton>(form, "btnOK")->setEnabled(true);
    const std::vector<QWidget*> order = {
        Part<QComboBox>(form, "cboIP"), Part<QSpinBox>(form, "SpinEdit1"),
        Part<QPushButton>(form, "btnOK"), Part<QPushButton>(form, "btnCancel")};
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
        EXPECT_EQ(Part<QComboBox>(other, "cboIP")->currentIndex(), 1) << ip;
        EXPECT_EQ(Part<QSpinBox>(other, "SpinEdit1")->value(), 1);
    }
    TfrmSettings high;
    ShowWith(high, "127.0.0.1", 70000);
    EXPECT_EQ(Part<QSpinBox>(high, "SpinEdit1")->value(), 65535);
}

TEST(SettingsDialog, AnyChangeInEitherControlMakesOkAvailableEvenWhenUndone) {
    {
        TfrmSettings form;
        ShowWith(form, "127.0.0.1", 80);
        Part<QComboBox>(form, "cboIP")->setCurrentIndex(1);
        Part<QComboBox>(form, "cboIP")->setCurrentIndex(0);
        EXPECT_TRUE(Part<QPushButton>(form, "btnOK")->isEnabled());
    }
    {
        TfrmSettings form;
        ShowWith(form, "all", 8080);
        TypePort(form, "8081");
        EXPECT_TRUE(Part<QPushButton>(form, "btnOK")->isEnabled());
        TypePort(form, "8080");
        EXPECT_TRUE(Part<QPushButton>(form, "btnOK")->isEnabled());
    }
    {
        // Showing the dialog again starts over.
        TfrmSettings form;
        ShowWith(form, "127.0.0.1", 80);
        Part<QComboBox>(form, "cboIP")->setCurrentIndex(1);
        form.hide();
        form.show();
        EXPECT_FALSE(Part<QPushButton>(form, "btnOK")->isEnabled());
    }
}

TEST(SettingsDialog, NoKeepsTheDialogOpenAndYesGivesBackTheChoice) {
    TfrmSettings form;
    ShowWith(form, "127.0.0.1", 80);
    Part<QComboBox>(form, "cboIP")->setCurrentIndex(1);
    TypePort(form, "8080");

    Answer(QMessageBox::No);
    Part<QPushButton>(form, "btnOK")->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.IPAddress(), "127.0.0.1");
    EXPECT_EQ(form.Port(), 80);

    Answer(QMessageBox::Yes);
    Part<QPushButton>(form, "btnOK")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    // The second item shows "0.0.0.0" and stands for every address.
    EXPECT_EQ(form.IPAddress(), "all");
    EXPECT_EQ(form.Port(), 8080);
}

TEST(SettingsDialog, CancelGivesBackNothing) {
    TfrmSettings form;
    ShowWith(form, "all", 8080);
    Part<QComboBox>(form, "cboIP")->setCurrentIndex(0);
    Part<QPushButton>(form, "btnCancel")->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(form.IPAddress(), "all");
    EXPECT_EQ(form.Port(), 8080);
}

TEST(SettingsDialog, APortFieldLeftEmptyGetsItsTextBackAndOthersComeIntoTheRange) {
    TfrmSettings form;
    ShowWith(form, "127.0.0.1", 8080);
    auto* port = Part<QSpinBox>(form, "SpinEdit1");

    TypePort(form, "");
    EXPECT_EQ(port->text(), "");
    Part<QComboBox>(form, "cboIP")->setFocus();
    EXPECT_EQ(port->text(), "8080");
    EXPECT_EQ(port->value(), 8080);

    // Digits past the largest port are refused as they are typed.
    TypePort(form, "99999");
    Part<QComboBox>(form, "cboIP")->setFocus();
    EXPECT_LE(port->value(), 65535);
    TypePort(form, "0");
    Part<QComboBox>(form, "cboIP")->setFocus();
    EXPECT_EQ(port->value(), 1);

    // OK reads the field as it is after leaving it: emptied, the earlier port.
    TypePort(form, "3000");
    Part<QComboBox>(form, "cboIP")->setFocus();
    TypePort(form, " ");
    Answer(QMessageBox::Yes);
    Part<QPushButton>(form, "btnOK")->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Port(), 3000);
    EXPECT_EQ(form.IPAddress(), "127.0.0.1");
}
