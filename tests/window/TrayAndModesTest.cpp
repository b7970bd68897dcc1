// The tray icon's click rules, the tray menu, showing and hiding the main window, full screen,
// the About box, and the text caret at rest.

#include "kit/Product.h"
#include "kit/TrayClickRules.h"
#include "tests/window/BrowserTestSupport.h"

#include "window/browser/TWebBrowser.h"
#include "window/dialogs/TfrmQuindleAbout.h"
#include "window/main/CaretRest.h"
#include "window/main/TTrayIconMan.h"
#include "window/main/TfrmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyleHints>
#include <QTest>

using namespace quindle;
using namespace quindle::test;

namespace {

class Tray : public ::testing::Test {
protected:
    std::uint32_t now = 1000;
    int clicks = 0;
    QMenu menu;
    TTrayIconMan tray{[this] { return now; }};
    const std::uint32_t quiet =
        std::uint32_t(QGuiApplication::styleHints()->mouseDoubleClickInterval()) + 55;
    void Show() {
        tray.Show(
            QIcon(), "Demo Shop", [this] { ++clicks; }, &menu, nullptr);
    }
};

QStringList VisibleCaptions(QMenu* Menu) {
    QStringList captions;
    for (QAction* a : Menu->actions())
        if (a->isVisible())
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return captions;
}

} // namespace

TEST_F(Tray, ALeftClickCallsTheHandlerOncePerQuietPeriod) {
    Show();
    tray.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 1);
    now += quiet - 1;
    tray.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 1);
    now += 1;
    tray.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 2);
    // Other notifications do not count as clicks.
    now += quiet;
    tray.Notify(QSystemTrayIcon::DoubleClick);
    tray.Notify(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(clicks, 2);
}

TEST_F(Tray, AWrappedClockCountsTheNextClick) {
    now = 0xFFFFFF00u;
    TTrayIconMan late([this] { return now; });
    late.Show(
        QIcon(), "t", [this] { ++clicks; }, nullptr, nullptr);
    late.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 1);
    now = 10; // wrapped, and before the deadline computed in the old count
    late.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(late.Clicks().TickBase, 10u);
}

TEST_F(Tray, ADisabledIconIgnoresClicksUntilEnabledAgain) {
    tray.SetEnabled(false); // not shown yet: nothing
    EXPECT_TRUE(tray.Enabled());
    Show();
    tray.SetEnabled(false);
    tray.Notify(QSystemTrayIcon::Trigger);
    tray.Notify(QSystemTrayIcon::Context);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(menu.isVisible());
    tray.SetEnabled(true);
    tray.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 1);
    tray.Notify(QSystemTrayIcon::Context);
    EXPECT_TRUE(menu.isVisible());
    menu.close();
}

TEST_F(Tray, ShowWhileActiveChangesNothingAndLongTipsAreCut) {
    tray.Show(
        QIcon(), QString(200, 'x'), [this] { ++clicks; }, &menu, nullptr);
    EXPECT_TRUE(tray.Active());
    EXPECT_EQ(tray.Tip().size(), TTrayIconMan::kTipLength);
    int other = 0;
    tray.Show(
        QIcon(), "other", [&] { ++other; }, nullptr, nullptr);
    EXPECT_EQ(tray.Tip(), QString(127, 'x'));
    tray.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(other, 0);
    tray.RemoveIcon();
    EXPECT_FALSE(tray.Active());
    tray.Notify(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 1);
}

TEST(TrayMenu, ABrandedCopyKeepsShowSettingsAndExit) {
    TfrmMain frm(1);
    EXPECT_EQ(VisibleCaptions(Part<QMenu>(frm, "mnuTray")),
              (QStringList{"&Show/Hide Main Window", "-", "&Change IP Address or Port...", "-",
                           "&Help", "&Contact Us", "&Visit Website", "&About...", "-", "E&xit"}));
    EXPECT_EQ(Part<QMenu>(frm, "mnuTray")->defaultAction(), Part<QAction>(frm, "mnuTray_Show"));
    frm.ApplyBrandFlag(false);
    EXPECT_EQ(VisibleCaptions(Part<QMenu>(frm, "mnuTray")).size(), 10);
    frm.ApplyBrandFlag(true);
    EXPECT_EQ(VisibleCaptions(Part<QMenu>(frm, "mnuTray")),
              (QStringList{"&Show/Hide Main Window", "-", "&Change IP Address or Port...", "-",
                           "E&xit"}));
}

TEST(WindowModes, HidingAndShowingTheMainWindowAndHelp) {
    TfrmMain frm(1);
    frm.State().AppTitle = "Demo";
    frm.State().WebPort = 8123;
    frm.UseProfile(PrivateProfile());
    frm.show();
    frm.SetMainWindowVisible(false);
    EXPECT_FALSE(frm.isVisible());
    frm.ToggleMainWindow();
    EXPECT_TRUE(frm.isVisible());
    frm.showMinimized();
    frm.SetMainWindowVisible(false);
    Part<QAction>(frm, "mnuTray_Help")->trigger();
    EXPECT_TRUE(frm.isVisible());
    EXPECT_FALSE(frm.isMinimized());
    EXPECT_EQ(Part<QComboBox>(frm, "cboAddress")->currentText(),
              "http://127.0.0.1:8123/quindle-help");
    EXPECT_TRUE(WaitFor(
        [&] { return frm.Browser()->url() == QUrl("http://127.0.0.1:8123/quindle-help"); }));
    Part<QAction>(frm, "mnuTray_Website")->trigger();
    EXPECT_EQ(Part<QComboBox>(frm, "cboAddress")->currentText(),
              QString::fromLatin1(kProductWebsite));
}

TEST(WindowModes, FullScreenCoversTheScreenWithoutBandOrStatusBar) {
    TfrmMain frm(1);
    frm.ApplyBars(true, true);
    frm.show();
    frm.EnterFullScreen();
    QApplication::processEvents();
    EXPECT_TRUE(frm.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(Part<QWidget>(frm, "CoolBar1")->isVisible());
    EXPECT_FALSE(Part<TStatusBar>(frm, "StatusBar1")->isVisible());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(WaitFor([&] {
        return frm.geometry() == QRect(0, 0, screen.width(), screen.height());
    })) << frm.geometry().width()
        << "x" << frm.geometry().height();
    // Entering again changes nothing; Alt+M does nothing without the band.
    frm.EnterFullScreen();
    Part<QAction>(frm, "actMenu")->trigger();
    EXPECT_FALSE(Part<QMenu>(frm, "mnuMenu")->isVisible());
}

TEST(AboutBox, TheTitleIsCentredWithTheIconTenPixelsBeforeIt) {
    for (const QString& title :
         {QStringLiteral("Demo"), QStringLiteral("A Much Longer Product Title Here")}) {
        TfrmQuindleAbout about;
        about.SetTexts(title, "9.00", "2026");
        about.show();
        QApplication::processEvents();
        EXPECT_EQ(about.windowTitle(), "About");
        EXPECT_EQ(about.size(), QSize(295, 194));
        EXPECT_EQ(Part<QLabel>(about, "lblTitle")->text(), title);
        EXPECT_EQ(Part<QLabel>(about, "lblTitle")->x(),
                  (about.width() - Part<QLabel>(about, "lblTitle")->width()) / 2);
        EXPECT_EQ(Part<QLabel>(about, "imgIcon")->x(),
                  Part<QLabel>(about, "lblTitle")->x() - 32 - 10);
        EXPECT_EQ(Part<QLabel>(about, "lblVersion")->text(), "Version 9.00");
        EXPECT_EQ(Part<QLabel>(about, "lblVersion")->x(),
                  (about.width() - Part<QLabel>(about, "lblVersion")->width()) / 2);
        EXPECT_TRUE(Part<QLabel>(about, "lblCopyright")->text().contains("2026"));
        EXPECT_EQ(Part<QLabel>(about, "lblEmailAddr")->text(), QString::fromLatin1(kContactMail));
        EXPECT_EQ(Part<QLabel>(about, "lblWebsiteAddr")->text(),
                  QString::fromLatin1(kProductWebsite));
        EXPECT_EQ(Part<QPushButton>(about, "btnOK")->geometry(), QRect(110, 163, 74, 23));
        EXPECT_TRUE(Part<QPushButton>(about, "btnOK")->isDefault());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(about.pos(), QPoint((screen.width() - 295) / 2, (screen.height() - 194) / 2));
        about.accept();
    }
}

namespace {

// Counts the paintings of a widget.
class TPaintCount : public QObject {
public:
    explicit TPaintCount(QWidget* Widget) { Widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

TEST(CaretRest, AFocusedTextBoxIsNotRepaintedUntilTheUserTypesAndRestsAgainAfterAWhile) {
    const int flash = QApplication::cursorFlashTime();
    ASSERT_GT(flash, 0);
    {
        TCaretRest rest(nullptr, 3 * flash);
        QLineEdit edit;
        edit.show();
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        QTest::qWait(100);
        TPaintCount paints(&edit);
        QTest::qWait(2 * flash); // a caret that blinked would be painted four times
        EXPECT_EQ(paints.count, 0);
        QTest::keyClick(&edit, Qt::Key_A);
        QTest::qWait(2 * flash);
        EXPECT_GE(paints.count, 3) << "the caret blinks while the user types";
        QTest::qWait(2 * flash); // past the blinking time
        const int atRest = paints.count;
        QTest::qWait(2 * flash);
        EXPECT_EQ(paints.count, atRest);
        EXPECT_EQ(edit.text(), QStringLiteral("a"));
    }
    EXPECT_EQ(QApplication::cursorFlashTime(), flash);
}
