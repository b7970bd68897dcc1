// The main window with a real browser control, offscreen: caption, history and the address box's
// keys, layout, the status bar, shortcuts and their scope, the brand flag, the page menu and its
// commands.

#include "kit/Paths.h"
#include "tests/TestSupport.h"
#include "tests/window/BrowserTestSupport.h"
#include "tests/window/PageServer.h"
#include "window/browser/TFindDialog.h"
#include "window/browser/TInternetOptions.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/FileDialog.h"
#include "window/common/WindowHelpers.h"
#include "window/frame/AddressBox.h"
#include "window/frame/TfrmBrowser.h"
#include "window/main/Downloads.h"
#include "window/main/TfrmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <sstream>

using namespace quindle;
using namespace quindle::test;

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        frm.State().AppTitle = "Demo Shop";
        frm.State().WebPort = server.Port();
        frm.UseProfile(PrivateProfile());
    }
    void ShowActive() {
        frm.show();
        frm.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    }
    void Load(const QString& Path) {
        frm.NavigateTo(server.Url(Path));
        ASSERT_TRUE(WaitFor([&] {
            return ui.WebBrowser1->PageComplete() &&
                   ui.WebBrowser1->url() == QUrl(server.Url(Path));
        }));
    }
    QStringList History() const {
        QStringList items;
        for (int i = 0; i < ui.cboAddress->count(); ++i)
            items << ui.cboAddress->itemText(i);
        return items;
    }
    void Key(int Key) { QTest::keyClick(ui.cboAddress->lineEdit(), Qt::Key(Key)); }

    // A page menu entry or a shortcut by its name.
    QAction* Act(const char* Name) { return Part<QAction>(frm, Name); }

    PageServer server;
    TfrmMain frm{1};
    const TWindowParts ui{frm};
};

std::string ReadAll(const std::string& File) {
    std::ifstream in(File, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST_F(MainWindow, CaptionIsThePageTitleThenTheTrimmedApplicationTitle) {
    frm.State().AppTitle = "  Demo Shop ";
    server.Add("/guest", "<title>Guestbook</title><p>hi</p>");
    Load("/guest");
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "Guestbook - Demo Shop"; }))
        << frm.windowTitle().toStdString();
    // The location entered the history, and the box shows it.
    EXPECT_EQ(History(), QStringList{server.Url("/guest")});
    EXPECT_EQ(ui.cboAddress->currentText(), server.Url("/guest"));
}

TEST_F(MainWindow, HistoryKeepsFoundEntriesInPlaceAndHoldsAtMost24) {
    frm.AddressBox().UpdateHistory("http://a/");
    frm.AddressBox().UpdateHistory("http://b/");
    frm.AddressBox().UpdateHistory("http://c/");
    EXPECT_EQ(History(), (QStringList{"http://c/", "http://b/", "http://a/"}));
    frm.AddressBox().UpdateHistory("  http://a/ ");
    EXPECT_EQ(History(), (QStringList{"http://c/", "http://b/", "http://a/"}));
    EXPECT_EQ(ui.cboAddress->currentIndex(), 2);
    EXPECT_EQ(ui.cboAddress->currentText(), "http://a/");
    // Exact comparison: a different letter case is another address.
    frm.AddressBox().UpdateHistory("http://A/");
    EXPECT_EQ(ui.cboAddress->itemText(0), "http://A/");
    frm.AddressBox().UpdateHistory("");
    EXPECT_EQ(ui.cboAddress->count(), 4);

    for (int i = 0; i < 30; ++i)
        frm.AddressBox().UpdateHistory(QStringLiteral("http://site/%1").arg(i));
    EXPECT_EQ(ui.cboAddress->count(), TAddressBox::kHistoryLimit);
    EXPECT_EQ(ui.cboAddress->itemText(0), "http://site/29");
    EXPECT_EQ(ui.cboAddress->itemText(23), "http://site/6");
    EXPECT_FALSE(ui.cboAddress->itemIcon(0).isNull());
}

TEST_F(MainWindow, AddressBoxKeysWalkTheHistoryOrKeepTheirNormalEffect) {
    ShowActive();
    ui.cboAddress->lineEdit()->setFocus();
    // Empty history: Down and Right do what they always do.
    frm.AddressBox().SetText("typed");
    ui.cboAddress->lineEdit()->setCursorPosition(2);
    Key(Qt::Key_Right);
    EXPECT_EQ(ui.cboAddress->lineEdit()->cursorPosition(), 3);
    EXPECT_EQ(ui.cboAddress->currentText(), "typed");

    frm.AddressBox().UpdateHistory("http://old/");
    frm.AddressBox().UpdateHistory("http://new/");
    // Typed text belongs to no entry: Down selects the newest.
    frm.AddressBox().SetText("something typed");
    EXPECT_EQ(frm.AddressBox().SelectedHistoryIndex(), -1);
    Key(Qt::Key_Down);
    EXPECT_EQ(ui.cboAddress->currentText(), "http://new/");
    Key(Qt::Key_Right);
    EXPECT_EQ(ui.cboAddress->currentText(), "http://old/");
    // Right on the oldest entry moves the caret instead.
    ui.cboAddress->lineEdit()->setCursorPosition(0);
    Key(Qt::Key_Right);
    EXPECT_EQ(ui.cboAddress->currentText(), "http://old/");
    EXPECT_EQ(ui.cboAddress->lineEdit()->cursorPosition(), 1);
    Key(Qt::Key_Up);
    EXPECT_EQ(ui.cboAddress->currentText(), "http://new/");
    // Left on the newest entry moves the caret.
    ui.cboAddress->lineEdit()->setCursorPosition(3);
    Key(Qt::Key_Left);
    EXPECT_EQ(ui.cboAddress->currentText(), "http://new/");
    EXPECT_EQ(ui.cboAddress->lineEdit()->cursorPosition(), 2);
    // An emptied box selects nothing.
    ui.cboAddress->lineEdit()->clear();
    EXPECT_EQ(ui.cboAddress->currentIndex(), -1);
}

TEST_F(MainWindow, EnterAndGoNavigateToTheTrimmedBoxText) {
    ShowActive();
    server.Add("/a", "<title>A</title>");
    server.Add("/b", "<title>B</title>");
    ui.cboAddress->lineEdit()->setFocus();
    frm.AddressBox().SetText("  " + server.Url("/a") + "  ");
    Key(Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "A - Demo Shop"; }));
    frm.AddressBox().SetText(server.Url("/b"));
    ui.btnGo->click();
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "B - Demo Shop"; }));
    // Typed text never enters the history; the locations shown do.
    EXPECT_EQ(History(), (QStringList{server.Url("/b"), server.Url("/a")}));
}

TEST_F(MainWindow, BackspaceEditsTheAddressBoxAndGoesBackElsewhere) {
    ShowActive();
    server.Add("/one", "<title>One</title><p>one</p>");
    server.Add("/two", "<title>Two</title><p>two</p>");
    Load("/one");
    Load("/two");
    EXPECT_TRUE(WaitFor([&] { return ui.btnBack->isEnabled(); }));
    EXPECT_FALSE(ui.btnForward->isEnabled());

    ui.cboAddress->lineEdit()->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(Act("actBack2")->isEnabled());
    EXPECT_FALSE(Act("actForward2")->isEnabled());
    const QString before = ui.cboAddress->currentText();
    ui.cboAddress->lineEdit()->end(false);
    QTest::keyClick(ui.cboAddress->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(ui.cboAddress->currentText(), before.left(before.size() - 1));
    EXPECT_TRUE(HoldsWhileEventsRun(
        [&] { return ui.WebBrowser1->url() == QUrl(server.Url("/two")); }, 300));

    ui.btnGo->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(Act("actBack2")->isEnabled());
    QTest::keyClick(&frm, Qt::Key_Backspace);
    EXPECT_TRUE(WaitFor([&] { return ui.WebBrowser1->url() == QUrl(server.Url("/one")); }));
    EXPECT_TRUE(WaitFor([&] { return ui.btnForward->isEnabled(); }));
    QTest::keyClick(&frm, Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_TRUE(WaitFor([&] { return ui.WebBrowser1->url() == QUrl(server.Url("/two")); }));
}

TEST_F(MainWindow, ShortcutsActOnlyInTheForegroundWindow) {
    ShowActive();
    QApplication::processEvents();
    EXPECT_TRUE(ui.ActionList1->isEnabled());
    TfrmBrowser other(QStringLiteral("Demo Shop"), PrivateProfile());
    other.SetHomeUrl(server.Url("/"));
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QApplication::processEvents();
    EXPECT_FALSE(ui.ActionList1->isEnabled());
    EXPECT_TRUE(Part<QActionGroup>(other, "ActionList1")->isEnabled());
    // Alt+Home in the foreground popup goes to the popup's home, not the main window's.
    server.Add("/", "<title>Home</title>");
    QTest::keyClick(&other, Qt::Key_Home, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return other.Browser()->url() == QUrl(server.Url("/")); }));
    EXPECT_TRUE(ui.WebBrowser1->url().isEmpty());
}

TEST_F(MainWindow, EscStopsOnlyWhileAPageIsLoading) {
    EXPECT_FALSE(Act("actStop")->isEnabled());
    emit ui.WebBrowser1->DownloadBegin();
    EXPECT_TRUE(Act("actStop")->isEnabled());
    emit ui.WebBrowser1->DownloadComplete();
    EXPECT_FALSE(Act("actStop")->isEnabled());
    EXPECT_TRUE(ui.btnStop->isEnabled());
    // A real load goes through both.
    server.Add("/p", "<title>P</title>");
    bool sawBegin = false;
    QObject::connect(ui.WebBrowser1, &TWebBrowser::DownloadBegin, [&] { sawBegin = true; });
    Load("/p");
    EXPECT_TRUE(sawBegin);
    EXPECT_FALSE(Act("actStop")->isEnabled());
}

TEST_F(MainWindow, ProgressShowsTheBarInPanelOneAndHidesItWhenDone) {
    ShowActive();
    frm.ApplyBars(true, true);
    frm.FormResize();
    emit ui.WebBrowser1->ProgressChange(40, 100);
    EXPECT_TRUE(ui.ProgressBar1->isVisible());
    EXPECT_EQ(ui.StatusBar1->PanelBevel(1), TStatusBar::TBevel::None);
    EXPECT_EQ(ui.ProgressBar1->value(), 40);
    EXPECT_EQ(ui.ProgressBar1->maximum(), 100);
    EXPECT_EQ(ui.ProgressBar1->geometry(), ui.StatusBar1->PanelRect(1));
    emit ui.WebBrowser1->ProgressChange(-1, 100);
    EXPECT_FALSE(ui.ProgressBar1->isVisible());
    EXPECT_EQ(ui.StatusBar1->PanelBevel(1), TStatusBar::TBevel::Lowered);
    emit ui.WebBrowser1->StatusTextChange("http://127.0.0.1/link");
    EXPECT_EQ(ui.StatusBar1->PanelText(0), "http://127.0.0.1/link");
}

TEST_F(MainWindow, LayoutPutsGoAtTheRightAndStretchesTheAddressBox) {
    frm.resize(900, 600);
    ShowActive();
    frm.FormResize();
    const int panelWidth = ui.pnlToolbar->contentsRect().width();
    EXPECT_EQ(ui.tlbGo->geometry().right() + 1, panelWidth - 4);
    EXPECT_EQ(ui.cboAddress->x(), ui.tlbToolbar->x() + ui.tlbToolbar->width() + 8);
    EXPECT_EQ(ui.cboAddress->geometry().right() + 1, ui.tlbGo->x() - 4);
    EXPECT_EQ(ui.tlbToolbar->geometry().right(),
              ui.tlbToolbar->mapTo(ui.pnlToolbar, ui.btnBrand->geometry().bottomRight()).x());
    EXPECT_EQ(ui.tlbMenu->pos(), QPoint(2, 0));
    EXPECT_EQ(ui.StatusBar1->PanelWidth(2), 60);
    EXPECT_EQ(ui.StatusBar1->PanelWidth(1), 200);
    EXPECT_EQ(ui.StatusBar1->PanelWidth(0), ui.StatusBar1->width() - 260);
    EXPECT_EQ(ui.CoolBar1->height(), 56);
    EXPECT_EQ(ui.StatusBar1->height(), 21);

    // The brand flag takes the Rebrand button and its separator away; the box follows Home.
    frm.ApplyBrandFlag(true);
    frm.FormResize();
    EXPECT_FALSE(ui.btnBrand->isVisible());
    EXPECT_EQ(ui.tlbToolbar->geometry().right(),
              ui.tlbToolbar->mapTo(ui.pnlToolbar, ui.btnHome->geometry().bottomRight()).x());
    EXPECT_EQ(ui.cboAddress->x(), ui.tlbToolbar->x() + ui.tlbToolbar->width() + 8);
}

TEST_F(MainWindow, ToolbarMenuAndShortcutsCarryTheirTexts) {
    struct Button {
        QToolButton* button;
        const char* caption;
        const char* hint;
    };
    for (const Button& b :
         {Button{ui.btnBack, "Back", "Go back one page (Alt+Left Arrow)"},
          Button{ui.btnForward, "  Forward ", "Go forward one page (Alt+Right Arrow)"},
          Button{ui.btnRefresh, "Refresh", "Reload current page (F5)"},
          Button{ui.btnStop, "Stop", "Stop loading this page (Esc)"},
          Button{ui.btnBrand, "Rebrand", "Click here to open the Rebrand Window"}}) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->toolTip(), b.hint);
        EXPECT_EQ(b.button->iconSize(), QSize(32, 32));
        // 56 wide, or as wide as a wider font needs for the whole caption.
        EXPECT_GE(b.button->width(), 56);
        EXPECT_EQ(b.button->height(), 52);
    }
    EXPECT_EQ(ui.btnHome->text(), "Home");
    EXPECT_EQ(ui.btnMenu->toolTip(), "Click here to open menu (Alt+M)");
    EXPECT_EQ(ui.btnGo->text(), "Go");
    EXPECT_EQ(ui.btnGo->toolTip(), "Go to the address in the Location Bar");
    EXPECT_EQ(ui.cboAddress->maxVisibleItems(), 8);
    EXPECT_EQ(ui.cboAddress->completer(), nullptr);

    QStringList captions;
    for (QAction* a : ui.mnuMenu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions.mid(0, 12),
              (QStringList{"Save &As...", "-", "Page Set&up...", "&Print...\tCtrl+P",
                           "Print Pre&view...", "-", "&Find (on This Page)...\tCtrl+F", "-",
                           "Sour&ce", "-", "Internet &Options...", "-"}));
    EXPECT_EQ(captions.at(12), "Organize Favorites...");
    EXPECT_EQ(ui.mnuMenu->defaultAction(), Act("mnuMenu_OrganizeFavorites"));

    QStringList shortcuts;
    for (QAction* a : ui.ActionList1->actions())
        shortcuts << a->text() + "=" + a->shortcut().toString();
    EXPECT_EQ(shortcuts, (QStringList{"Menu (Alt+M)=Alt+M", "Back (Alt+Left)=Alt+Left",
                                      "Back (BkSp)=Backspace", "Forward (Alt+Right)=Alt+Right",
                                      "Forward (Shift+BkSp)=Shift+Backspace", "Refresh (F5)=F5",
                                      "Refresh (Ctrl+R)=Ctrl+R", "Refresh (Ctrl+F5)=Ctrl+F5",
                                      "Stop (Esc)=Esc", "Home (Alt+Home)=Alt+Home",
                                      "Print (Ctrl+P)=Ctrl+P", "Find (Ctrl+F)=Ctrl+F"}));
}

TEST_F(MainWindow, AltMOpensThePageMenuOnlyWhileTheBandShows) {
    ShowActive();
    frm.ApplyBars(false, true);
    Act("actMenu")->trigger();
    EXPECT_FALSE(ui.mnuMenu->isVisible());

    frm.ApplyBars(true, true);
    QApplication::processEvents();
    bool opened = false;
    QTimer::singleShot(200, [&] {
        opened = ui.mnuMenu->isVisible();
        ui.mnuMenu->close();
    });
    Act("actMenu")->trigger();
    EXPECT_TRUE(WaitFor([&] { return opened; }, 3000));
    EXPECT_EQ(QCursor::pos(),
              ui.btnMenu->mapToGlobal(QPoint(ui.btnMenu->width() / 2, ui.btnMenu->height() / 2)));
}

TEST_F(MainWindow, HomeGoesToTheLocalSiteOnTheServerPort) {
    server.Add("/", "<title>Start</title>");
    ui.btnHome->click();
    EXPECT_EQ(ui.cboAddress->currentText(),
              QStringLiteral("http://127.0.0.1:%1").arg(server.Port()));
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "Start - Demo Shop"; }));
    EXPECT_EQ(server.Requests("/"), 1);
    // Refresh asks the server again.
    ui.btnRefresh->click();
    EXPECT_TRUE(WaitFor([&] { return server.Requests("/") == 2; }));
}

TEST_F(MainWindow, ScriptErrorsShowADialogOnlyWhenNotSilent) {
    server.Add("/bad", "<title>Bad</title><script>undefinedFunction();</script>");
    ui.WebBrowser1->SetSilent(true);
    Load("/bad");
    EXPECT_TRUE(HoldsWhileEventsRun([] { return FindWindow("dlgScriptError") == nullptr; }, 500));

    ui.WebBrowser1->SetSilent(false);
    ui.btnRefresh->click();
    EXPECT_TRUE(WaitFor([] { return FindWindow("dlgScriptError") != nullptr; }));
    auto* box = FindWindow<QDialog>("dlgScriptError");
    ASSERT_NE(box, nullptr);
    box->close();
}

TEST_F(MainWindow, FindCountsTheMatchesOnThePage) {
    ShowActive();
    server.Add("/text", "<title>T</title><p>apple pear Apple plum apple</p>");
    Load("/text");
    Act("mnuMenu_Find")->trigger();
    auto* find = FindWindow<QDialog>("dlgFind");
    ASSERT_NE(find, nullptr);
    find->findChild<QLineEdit*>("edtFindText")->setText("apple");
    auto* result = find->findChild<QLabel*>("lblResult");
    QMetaObject::invokeMethod(find, [find] { static_cast<TFindDialog*>(find)->FindNext(); });
    EXPECT_TRUE(WaitFor([&] { return result->text() == "1 of 3 matches"; }))
        << result->text().toStdString();
    find->findChild<QCheckBox*>()->setChecked(true);
    static_cast<TFindDialog*>(find)->FindNext();
    EXPECT_TRUE(WaitFor([&] { return result->text().endsWith("of 2 matches"); }))
        << result->text().toStdString();
    find->findChild<QLineEdit*>("edtFindText")->setText("banana");
    static_cast<TFindDialog*>(find)->FindNext();
    EXPECT_TRUE(WaitFor([&] { return result->text() == "Not found"; }));
    find->close();
}

TEST_F(MainWindow, SaveAsWritesThePageAndPrintWritesThroughThePrinter) {
    TempDir dir;
    server.Add("/doc", "<title>Order 17</title><p>Seventeen oranges</p>");
    Load("/doc");

    const std::string saved = dir / "order.html";
    WhenDialogShows("dlgSaveAs", [&](QDialog* d) {
        d->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(saved));
        d->accept();
    });
    Act("mnuMenu_SaveAs")->trigger();
    EXPECT_TRUE(WaitFor([&] {
        return ReadAll(saved).find("Seventeen oranges") != std::string::npos;
    })) << ReadAll(saved);

    const std::string pdf = dir / "order.pdf";
    ui.WebBrowser1->Printer().setOutputFormat(QPrinter::PdfFormat);
    ui.WebBrowser1->Printer().setOutputFileName(QString::fromStdString(pdf));
    WhenDialogShows("dlgPrint", [](QDialog* d) { d->accept(); });
    Act("mnuMenu_Print")->trigger();
    EXPECT_TRUE(WaitFor([&] {
        return ReadAll(pdf).rfind("%PDF", 0) == 0 &&
               ReadAll(pdf).find("%%EOF") != std::string::npos;
    }));
    // Cancelling writes nothing.
    const std::string other = dir / "cancelled.pdf";
    ui.WebBrowser1->Printer().setOutputFileName(QString::fromStdString(other));
    WhenDialogShows("dlgPrint", [](QDialog* d) { d->reject(); });
    Act("mnuMenu_Print")->trigger();
    EXPECT_TRUE(HoldsWhileEventsRun([&] { return !FileExists(other); }, 500));
}

TEST_F(MainWindow, PrintPreviewPaintsThePagesAndCloses) {
    server.Add("/long", "<title>Long</title>" + QString("<p>line</p>").repeated(400));
    Load("/long");
    int pages = 0;
    WhenDialogShows("dlgPrintPreview", [&](QDialog* d) {
        // The preview has painted when it knows its pages.
        auto* preview = d->findChild<QPrintPreviewWidget*>();
        WaitFor([&] { return preview && preview->pageCount() > 1; }, 10000);
        pages = preview ? preview->pageCount() : 0;
        d->reject();
    });
    Act("mnuMenu_PrintPreview")->trigger();
    EXPECT_GT(pages, 1);
}

TEST_F(MainWindow, SourceOpensTheSourceInANewWindow) {
    server.Add("/src", "<title>S</title><p id='marker'>source me</p>");
    Load("/src");
    Act("mnuMenu_Source")->trigger();
    TfrmBrowser* popup = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        popup = FindWindow<TfrmBrowser>("frmBrowser");
        return popup && popup->Browser()->url().scheme() == "view-source";
    }));
    if (popup)
        popup->close();
}

TEST_F(MainWindow, InternetOptionsDeletesCookiesAndStoredData) {
    server.Add("/store", "<title>Store</title><script>document.cookie='cart=3; max-age=600';"
                         "localStorage.setItem('k','v');</script>");
    Load("/store");
    auto read = [&](const QString& Script) {
        QString value = "?";
        ui.WebBrowser1->page()->runJavaScript(Script,
                                              [&](const QVariant& v) { value = v.toString(); });
        WaitFor([&] { return value != "?"; });
        return value;
    };
    EXPECT_EQ(read("document.cookie"), "cart=3");
    EXPECT_EQ(read("localStorage.getItem('k')"), "v");
    {
        TInternetOptions options(*ui.WebBrowser1);
        options.DeleteBrowsingData();
    }
    server.Add("/check", "<title>Check</title>");
    Load("/check");
    EXPECT_TRUE(WaitFor([&] { return read("String(document.cookie)").isEmpty(); }))
        << read("String(document.cookie)").toStdString();
    EXPECT_EQ(read("String(localStorage.getItem('k'))"), "null");
}

TEST_F(MainWindow, ADownloadAsksWhereToSaveAndReportsInTheStatusBar) {
    TempDir dir;
    frm.Downloads().HandleDownloadsOf(PrivateProfile());
    QString content;
    for (int i = 0; i < 20000; ++i)
        content += QStringLiteral("line %1\n").arg(i);
    server.Add("/report.bin", content);
    server.Add("/files", "<title>Files</title><a id='l' href='/report.bin'>report</a>");
    Load("/files");
    const std::string target = dir / "saved-report.bin";
    WhenDialogShows("dlgDownload", [&](QDialog* d) {
        d->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(target));
        d->accept();
    });
    frm.NavigateTo(server.Url("/report.bin"));
    EXPECT_TRUE(WaitFor([&] {
        return ui.StatusBar1->PanelText(0).startsWith("Download complete");
    })) << ui.StatusBar1->PanelText(0).toStdString();
    EXPECT_EQ(ReadAll(target), content.toStdString());
    // The page stays where it was.
    EXPECT_EQ(frm.windowTitle(), "Files - Demo Shop");
}

TEST(WindowHelpers, BrowseForFileStartsEmptyForAMissingFileAndKeepsItOnCancel) {
    TempDir dir;
    const std::string icon = dir / "app.ico";
    std::ofstream(icon) << "x";
    QString name = QString::fromStdString(dir / "missing.ico");
    WhenDialogShows("dlgBrowseForFile", [](QDialog* d) {
        EXPECT_TRUE(d->findChild<QLineEdit*>("fileNameEdit")->text().isEmpty());
        d->reject();
    });
    EXPECT_FALSE(BrowseForFile(name, ".ico"));
    EXPECT_EQ(name.toStdString(), dir / "missing.ico");

    name = QString::fromStdString(icon);
    WhenDialogShows("dlgBrowseForFile", [](QDialog* d) {
        EXPECT_EQ(d->findChild<QLineEdit*>("fileNameEdit")->text(), "app.ico");
        EXPECT_EQ(static_cast<QFileDialog*>(d)->nameFilters(), QStringList{"*.ico (*.ico)"});
        d->accept();
    });
    EXPECT_TRUE(BrowseForFile(name, ".ico"));
    EXPECT_EQ(name.toStdString(), icon);
}

TEST(WindowHelpers, SetBusyDisablesTheControlAndShowsTheBusyCursor) {
    QWidget control;
    SetBusy(true, &control);
    EXPECT_FALSE(control.isEnabled());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetBusy(false, &control);
    EXPECT_TRUE(control.isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(WindowHelpers, EditFocusIsTheAddressBoxNotTheBrowserControl) {
    TfrmMain frm(1);
    const TWindowParts ui(frm);
    frm.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    ui.cboAddress->setFocus();
    EXPECT_TRUE(IsEditFocused(&frm));
    ui.WebBrowser1->setFocus();
    EXPECT_FALSE(IsEditFocused(&frm));
    EXPECT_TRUE(IsEditControl(ui.cboAddress));
    EXPECT_FALSE(IsEditControl(ui.btnGo));
    EXPECT_FALSE(IsEditControl(ui.WebBrowser1));
    EXPECT_TRUE(HasProperty(ui.cboAddress, "font"));
    EXPECT_FALSE(HasProperty(ui.cboAddress, "OnChange"));
    EXPECT_FALSE(HasProperty(nullptr, "font"));
}

TEST_F(MainWindow, APageElementOverTheWholeScreenLeavesWithEsc) {
    ShowActive();
    frm.ApplyBars(true, true);
    server.Add("/video", "<title>Video</title><style>button{position:fixed;left:0;top:0;"
                         "width:100%;height:100%}</style><button id='b' onclick="
                         "\"document.documentElement.requestFullscreen()\">full</button>");
    Load("/video");
    QWidget* page = ui.WebBrowser1->focusProxy();
    ASSERT_NE(page, nullptr);
    // Browsers give the screen only for a user's click. A click that reaches the page before
    // its first frame is dropped by the engine, so a busy machine may need a second one.
    QElapsedTimer sinceClick;
    EXPECT_TRUE(WaitFor([&] {
        if (!sinceClick.isValid() || sinceClick.elapsed() > 1000) {
            QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(50, 50));
            sinceClick.start();
        }
        return ui.WebBrowser1->PageFullScreen();
    }));
    EXPECT_TRUE(frm.isFullScreen());
    EXPECT_FALSE(ui.CoolBar1->isVisible());
    EXPECT_FALSE(ui.StatusBar1->isVisible());
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !ui.WebBrowser1->PageFullScreen(); }));
    EXPECT_FALSE(frm.isFullScreen());
    EXPECT_TRUE(ui.CoolBar1->isVisible());
    EXPECT_TRUE(ui.StatusBar1->isVisible());
}
