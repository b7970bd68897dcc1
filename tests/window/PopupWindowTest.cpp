// Windows that pages open: parking, the geometry of the first navigation, home address and
// favorites handed on, closing, and the main window staying usable.

#include "tests/TestSupport.h"
#include "tests/window/BrowserTestSupport.h"
#include "tests/window/PageServer.h"
#include "window/browser/PackageProfile.h"
#include "window/browser/TWebBrowser.h"
#include "window/frame/FavoritesMenu.h"
#include "window/frame/TfrmBrowser.h"
#include "window/main/TfrmMain.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QToolButton>

using namespace quindle;
using namespace quindle::test;

namespace {

class Popups : public ::testing::Test {
protected:
    void SetUp() override {
        frm.State().AppTitle = "Demo Shop";
        frm.State().WebPort = server.Port();
        frm.UseProfile(PrivateProfile());
        frm.Favorites().SetFile("/some/Favorites.ini");
        server.Add("/target", "<title>Target</title><p>new window</p>");
        server.Add("/second", "<title>Second</title>");
    }
    void TearDown() override {
        for (TfrmBrowser* p : OpenPopups())
            delete p;
    }
    static QList<TfrmBrowser*> OpenPopups() {
        QList<TfrmBrowser*> list;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TfrmBrowser*>(w); p && p->isVisible())
                list << p;
        return list;
    }
    // Loads an opener page whose script opens a window at once.
    TfrmBrowser* OpenFrom(TBrowserWindow& Opener, const QString& Script) {
        const QList<TfrmBrowser*> before = OpenPopups();
        const QString path = QStringLiteral("/opener%1").arg(++openers_);
        server.Add(path, "<title>Opener</title><script>" + Script + "</script>");
        Opener.NavigateTo(server.Url(path));
        TfrmBrowser* popup = nullptr;
        WaitFor([&] {
            for (TfrmBrowser* p : OpenPopups())
                if (!before.contains(p))
                    popup = p;
            return popup != nullptr;
        });
        return popup;
    }

    PageServer server;
    TfrmMain frm{1};
    int openers_ = 0;
};

} // namespace

TEST_F(Popups, AWindowWithoutSizeIs800By600InTheMiddleOfTheScreen) {
    TfrmBrowser* popup = OpenFrom(frm, QStringLiteral("window.open('/target');"));
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(WaitFor([&] { return popup->windowTitle() == "Target - Demo Shop"; }));
    EXPECT_FALSE(popup->AwaitsFirstNavigation());
    EXPECT_EQ(popup->size(), QSize(800, 600));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(popup->pos(), QPoint((screen.width() - 800) / 2, (screen.height() - 600) / 2));
    EXPECT_TRUE(Part<QWidget>(*popup, "CoolBar1")->isVisibleTo(popup));
    EXPECT_TRUE(Part<TStatusBar>(*popup, "StatusBar1")->isVisibleTo(popup));
    // The control fills its panel again.
    EXPECT_EQ(popup->Browser()->parentWidget(), Part<QWidget>(*popup, "Panel1"));
    EXPECT_EQ(popup->Browser()->size(), Part<QWidget>(*popup, "Panel1")->size());
    // No Rebrand button in a popup; its home is the main window's.
    EXPECT_EQ(popup->findChild<QToolButton*>("btnBrand"), nullptr);
    EXPECT_EQ(popup->HomeAddress(), QStringLiteral("http://127.0.0.1:%1").arg(server.Port()));
    EXPECT_EQ(Part<QToolButton>(*popup, "btnHome")->toolTip(),
              popup->HomeAddress() + " (Alt+Home)");
    EXPECT_EQ(popup->Favorites().File(), "/some/Favorites.ini");
    // The main window's caption is its own.
    EXPECT_EQ(frm.windowTitle(), "Opener - Demo Shop");

    // A second navigation leaves the place alone.
    const QRect placed = popup->geometry();
    popup->NavigateTo(server.Url("/second"));
    EXPECT_TRUE(WaitFor([&] { return popup->windowTitle() == "Second - Demo Shop"; }));
    EXPECT_EQ(popup->geometry(), placed);
}

TEST_F(Popups, AWindowWithPositionAndSizeTakesThemWithoutBars) {
    TfrmBrowser* popup = OpenFrom(
        frm, QStringLiteral("window.open('/target', 'w', 'left=30,top=40,width=320,height=200');"));
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(WaitFor([&] { return popup->windowTitle() == "Target - Demo Shop"; }));
    EXPECT_FALSE(Part<QWidget>(*popup, "CoolBar1")->isVisibleTo(popup));
    EXPECT_FALSE(Part<TStatusBar>(*popup, "StatusBar1")->isVisibleTo(popup));
    EXPECT_EQ(popup->size(), QSize(320, 200));
    EXPECT_EQ(popup->pos(), QPoint(30, 40));
}

TEST_F(Popups, APopupOpensPopupsWithItsOwnHomeAndFavorites) {
    TfrmBrowser* first = OpenFrom(frm, QStringLiteral("window.open('/target');"));
    ASSERT_NE(first, nullptr);
    first->SetHomeUrl("http://127.0.0.1:1/");
    first->Favorites().SetFile("/other/Favorites.ini");
    TfrmBrowser* second = OpenFrom(*first, QStringLiteral("window.open('/second');"));
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->HomeAddress(), "http://127.0.0.1:1/");
    EXPECT_EQ(second->Favorites().File(), "/other/Favorites.ini");
}

TEST_F(Popups, APageClosingItsPopupClosesOnlyThatPopup) {
    server.Add("/closing", "<title>Closing</title><script>setTimeout(function () {"
                           "location.href = '/second'; }, 50);</script>");
    TfrmBrowser* popup = OpenFrom(frm, QStringLiteral("window.open('/target');"));
    TfrmBrowser* other = OpenFrom(frm, QStringLiteral("window.open('/closing');"));
    ASSERT_NE(popup, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(WaitFor([&] { return other->windowTitle() == "Second - Demo Shop"; }));
    // Its history holds two entries now: the engine alone would ignore window.close().
    QPointer<TfrmBrowser> watch = other;
    other->Browser()->page()->runJavaScript(QStringLiteral("window.close();"));
    EXPECT_TRUE(WaitFor([&] { return watch.isNull(); }));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(frm.Browser()->page() != nullptr);
    // Its own close box closes a popup too, and only it.
    QPointer<TfrmBrowser> first = popup;
    popup->close();
    EXPECT_TRUE(WaitFor([&] { return first.isNull(); }));
    server.Add("/after", "<title>After</title>");
    frm.NavigateTo(server.Url("/after"));
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "After - Demo Shop"; }));
}

TEST_F(Popups, APageOpeningWindowsInALoopLeavesTheMainWindowWorking) {
    server.Add("/blank", "<title>Blank</title>");
    OpenFrom(frm, QStringLiteral("for (var i = 0; i < 12; ++i) window.open('/blank');"));
    EXPECT_TRUE(WaitFor([&] { return OpenPopups().size() >= 12; }));
    // A popup that never navigates stays parked off screen.
    OpenFrom(frm, QStringLiteral("window.open('');"));
    server.Add("/after", "<title>After</title>");
    frm.NavigateTo(server.Url("/after"));
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "After - Demo Shop"; }));
}

TEST(PackageProfile, OutlivesTheWindowThatFirstUsedItAndEndsWithEveryPage) {
    TempDir data;
    PageServer server;
    server.Add("/opener", "<title>Opener</title><script>window.open('/target');</script>");
    server.Add("/target", "<title>Target</title>");
    server.Add("/later", "<title>Later</title>");
    QWebEngineProfile* profile = TPackageProfile::Open(data.Path());
    ASSERT_NE(profile, nullptr);
    // One for the run: a second call gives the same one, wherever it asks.
    EXPECT_EQ(TPackageProfile::Open(data / "elsewhere"), profile);
    EXPECT_FALSE(profile->isOffTheRecord());
    EXPECT_EQ(profile->persistentStoragePath().toStdString(), data / "browser");

    auto* main = new TfrmMain(1);
    main->State().AppTitle = "Demo Shop";
    main->UseProfile(profile);
    main->NavigateTo(server.Url("/opener"));
    TfrmBrowser* popup = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        popup = FindWindow<TfrmBrowser>("frmBrowser");
        return popup && popup->windowTitle() == "Target - Demo Shop";
    }));
    // The main window goes first; the popup's pages still have their profile.
    delete main;
    popup->NavigateTo(server.Url("/later"));
    EXPECT_TRUE(WaitFor([&] { return popup->windowTitle() == "Later - Demo Shop"; }));
    EXPECT_EQ(popup->Browser()->page()->profile(), profile);

    // The end takes every page of every window first, then the profile.
    QPointer<QWebEngineProfile> watch = profile;
    TPackageProfile::Close();
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(popup->Browser()->Page(), nullptr);
    delete popup;
}
