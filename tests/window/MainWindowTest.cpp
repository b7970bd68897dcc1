// The main window with a real browser control, offscreen: caption, history and the address box's
// keys, layout, the status bar, shortcuts and their scope, the brand flag, the page menu and its
// commands.

#include "kit/Paths.h"
#include "tests/TestSupport.h"
#include "tests/window/BrowserTestSupport.h"
#include "tests/window/PageServer.h"
#include "window/TFindDialog.h"
#include "window/TInternetOptions.h"
#include "window/TWebBrowser.h"
#include "window/TfrmBrowser.h"
#include "window/TfrmMain.h"
#include "window/WindowHelpers.h"

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
        QApplication::setActiveWindow(&frm);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    }
    void Load(const QString& Path) {
        frm.NavigateTo(server.Url(Path));
        ASSERT_TRUE(WaitFor([&] {
            return frm.WebBrowser1->ReadyState() == 4 &&
                   frm.WebBrowser1->url() == QUrl(server.Url(Path));
        }));
    }
    QStringList History() const {
        QStringList items;
        for (int i = 0; i < frm.cboAddress->count(); ++i)
            items << frm.cboAddress->itemText(i);
        return items;
    }
    void Key(int Key) { QTest::keyClick(frm.cboAddress->lineEdit(), Qt::Key(Key)); }

    PageServer server;
    TfrmMain frm{1};
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
    EXPECT_EQ(frm.cboAddress->currentText(), server.Url("/guest"));
}

TEST_F(MainWindow, HistoryKeepsFoundEntriesInPlaceAndHoldsAtMost24) {
    frm.UpdateHistory("http://a/");
    frm.UpdateHistory("http://b/");
    frm.UpdateHistory("http://c/");
    EXPECT_EQ(History(), (QStringList{"http://c/", "http://b/", "http://a/"}));
    frm.UpdateHistory("  http://a/ ");
    EXPECT_EQ(History(), (QStringList{"http://c/", "http://b/", "http://a/"}));
    EXPECT_EQ(frm.cboAddress->currentIndex(), 2);
    EXPECT_EQ(frm.cboAddress->currentText(), "http://a/");
    // Exact comparison: a different letter case is another address.
    frm.UpdateHistory("http://A/");
    EXPECT_EQ(frm.cboAddress->itemText(0), "http://A/");
    frm.UpdateHistory("");
    EXPECT_EQ(frm.cboAddress->count(), 4);

    for (int i = 0; i < 30; ++i)
        frm.UpdateHistory(QStringLiteral("http://site/%1").arg(i));
    EXPECT_EQ(frm.cboAddress->count(), TBrowserWindow::kHistoryLimit);
    EXPECT_EQ(frm.cboAddress->itemText(0), "http://site/29");
    EXPECT_EQ(frm.cboAddress->itemText(23), "http://site/6");
    EXPECT_FALSE(frm.cboAddress->itemIcon(0).isNull());
}

TEST_F(MainWindow, AddressBoxKeysWalkTheHistoryOrKeepTheirNormalEffect) {
    ShowActive();
    frm.cboAddress->lineEdit()->setFocus();
    // Empty history: Down and Right do what they always do.
    frm.SetAddressText("typed");
    frm.cboAddress->lineEdit()->setCursorPosition(2);
    Key(Qt::Key_Right);
    EXPECT_EQ(frm.cboAddress->lineEdit()->cursorPosition(), 3);
    EXPECT_EQ(frm.cboAddress->currentText(), "typed");

    frm.UpdateHistory("http://old/");
    frm.UpdateHistory("http://new/");
    // Typed text belongs to no entry: Down selects the newest.
    frm.SetAddressText("something typed");
    EXPECT_EQ(frm.SelectedHistoryIndex(), -1);
    Key(Qt::Key_Down);
    EXPECT_EQ(frm.cboAddress->currentText(), "http://new/");
    Key(Qt::Key_Right);
    EXPECT_EQ(frm.cboAddress->currentText(), "http://old/");
    // Right on the oldest entry moves the caret instead.
    frm.cboAddress->lineEdit()->setCursorPosition(0);
    Key(Qt::Key_Right);
    EXPECT_EQ(frm.cboAddress->currentText(), "http://old/");
    EXPECT_EQ(frm.cboAddress->lineEdit()->cursorPosition(), 1);
    Key(Qt::Key_Up);
    EXPECT_EQ(frm.cboAddress->currentText(), "http://new/");
    // Left on the newest entry moves the caret.
    frm.cboAddress->lineEdit()->setCursorPosition(3);
    Key(Qt::Key_Left);
    EXPECT_EQ(frm.cboAddress->currentText(), "http://new/");
    EXPECT_EQ(frm.cboAddress->lineEdit()->cursorPosition(), 2);
    // An emptied box selects nothing.
    frm.cboAddress->lineEdit()->clear();
    EXPECT_EQ(frm.cboAddress->currentIndex(), -1);
}

TEST_F(MainWindow, EnterAndGoNavigateToTheTrimmedBoxText) {
    ShowActive();
    server.Add("/a", "<title>A</title>");
    server.Add("/b", "<title>B</title>");
    frm.cboAddress->lineEdit()->setFocus();
    frm.SetAddressText("  " + server.Url("/a") + "  ");
    Key(Qt::Key_Return);
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "A - Demo Shop"; }));
    frm.SetAddressText(server.Url("/b"));
    frm.btnGo->click();
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
    EXPECT_TRUE(WaitFor([&] { return frm.btnBack->isEnabled(); }));
    EXPECT_FALSE(frm.btnForward->isEnabled());

    frm.cboAddress->lineEdit()->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(frm.actBack2->isEnabled());
    EXPECT_FALSE(frm.actForward2->isEnabled());
    const QString before = frm.cboAddress->currentText();
    frm.cboAddress->lineEdit()->end(false);
    QTest::keyClick(frm.cboAddress->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(frm.cboAddress->currentText(), before.left(before.size() - 1));
    Pump(300);
    EXPECT_EQ(frm.WebBrowser1->url(), QUrl(server.Url("/two")));

    frm.btnGo->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(frm.actBack2->isEnabled());
    QTest::keyClick(&frm, Qt::Key_Backspace);
    EXPECT_TRUE(WaitFor([&] { return frm.WebBrowser1->url() == QUrl(server.Url("/one")); }));
    EXPECT_TRUE(WaitFor([&] { return frm.btnForward->isEnabled(); }));
    QTest::keyClick(&frm, Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_TRUE(WaitFor([&] { return frm.WebBrowser1->url() == QUrl(server.Url("/two")); }));
}

TEST_F(MainWindow, ShortcutsActOnlyInTheForegroundWindow) {
    ShowActive();
    QApplication::processEvents();
    EXPECT_TRUE(frm.ActionList1->isEnabled());
    TfrmBrowser other(QStringLiteral("Demo Shop"), PrivateProfile());
    other.HomeUrl = server.Url("/");
    other.show();
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QApplication::processEvents();
    EXPECT_FALSE(frm.ActionList1->isEnabled());
    EXPECT_TRUE(other.ActionList1->isEnabled());
    // Alt+Home in the foreground popup goes to the popup's home, not the main window's.
    server.Add("/", "<title>Home</title>");
    QTest::keyClick(&other, Qt::Key_Home, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([&] { return other.WebBrowser1->url() == QUrl(server.Url("/")); }));
    EXPECT_TRUE(frm.WebBrowser1->url().isEmpty());
}

TEST_F(MainWindow, EscStopsOnlyWhileAPageIsLoading) {
    EXPECT_FALSE(frm.actStop->isEnabled());
    emit frm.WebBrowser1->DownloadBegin();
    EXPECT_TRUE(frm.actStop->isEnabled());
    emit frm.WebBrowser1->DownloadComplete();
    EXPECT_FALSE(frm.actStop->isEnabled());
    EXPECT_TRUE(frm.btnStop->isEnabled());
    // A real load goes through both.
    server.Add("/p", "<title>P</title>");
    bool sawBegin = false;
    QObject::connect(frm.WebBrowser1, &TWebBrowser::DownloadBegin, [&] { sawBegin = true; });
    Load("/p");
    EXPECT_TRUE(sawBegin);
    EXPECT_FALSE(frm.actStop->isEnabled());
}

TEST_F(MainWindow, ProgressShowsTheBarInPanelOneAndHidesItWhenDone) {
    ShowActive();
    frm.ApplyBars(true, true);
    frm.FormResize();
    emit frm.WebBrowser1->ProgressChange(40, 100);
    EXPECT_TRUE(frm.ProgressBar1->isVisible());
    EXPECT_EQ(frm.StatusBar1->PanelBevel(1), TStatusBar::TBevel::None);
    EXPECT_EQ(frm.ProgressBar1->value(), 40);
    EXPECT_EQ(frm.ProgressBar1->maximum(), 100);
    EXPECT_EQ(frm.ProgressBar1->geometry(), frm.StatusBar1->PanelRect(1));
    emit frm.WebBrowser1->ProgressChange(-1, 100);
    EXPECT_FALSE(frm.ProgressBar1->isVisible());
    EXPECT_EQ(frm.StatusBar1->PanelBevel(1), TStatusBar::TBevel::Lowered);
    emit frm.WebBrowser1->StatusTextChange("http://127.0.0.1/link");
    EXPECT_EQ(frm.StatusBar1->PanelText(0), "http://127.0.0.1/link");
}

TEST_F(MainWindow, LayoutPutsGoAtTheRightAndStretchesTheAddressBox) {
    frm.resize(900, 600);
    ShowActive();
    frm.FormResize();
    const int panelWidth = frm.pnlToolbar->contentsRect().width();
    EXPECT_EQ(frm.tlbGo->geometry().right() + 1, panelWidth - 4);
    EXPECT_EQ(frm.cboAddress->x(), frm.tlbToolbar->x() + frm.tlbToolbar->width() + 8);
    EXPECT_EQ(frm.cboAddress->geometry().right() + 1, frm.tlbGo->x() - 4);
    EXPECT_EQ(frm.tlbToolbar->geometry().right(),
              frm.tlbToolbar->mapTo(frm.pnlToolbar, frm.btnBrand->geometry().bottomRight()).x());
    EXPECT_EQ(frm.tlbMenu->pos(), QPoint(2, 0));
    EXPECT_EQ(frm.StatusBar1->PanelWidth(2), 60);
    EXPECT_EQ(frm.StatusBar1->PanelWidth(1), 200);
    EXPECT_EQ(frm.StatusBar1->PanelWidth(0), frm.StatusBar1->width() - 260);
    EXPECT_EQ(frm.CoolBar1->height(), 56);
    EXPECT_EQ(frm.StatusBar1->height(), 21);

    // The brand flag takes the Rebrand button and its separator away; the box follows Home.
    frm.ApplyBrandFlag(true);
    frm.FormResize();
    EXPECT_FALSE(frm.btnBrand->isVisible());
    EXPECT_EQ(frm.tlbToolbar->geometry().right(),
              frm.tlbToolbar->mapTo(frm.pnlToolbar, frm.btnHome->geometry().bottomRight()).x());
    EXPECT_EQ(frm.cboAddress->x(), frm.tlbToolbar->x() + frm.tlbToolbar->width() + 8);
}

TEST_F(MainWindow, ToolbarMenuAndShortcutsCarryTheirTexts) {
    struct Button {
        QToolButton* button;
        const char* caption;
        const char* hint;
    };
    for (const Button& b :
         {Button{frm.btnBack, "Back", "Go back one page (Alt+Left Arrow)"},
          Button{frm.btnForward, "  Forward ", "Go forward one page (Alt+Right Arrow)"},
          Button{frm.btnRefresh, "Refresh", "Reload current page (F5)"},
          Button{frm.btnStop, "Stop", "Stop loading this page (Esc)"},
          Button{frm.btnBrand, "Rebrand", "Click here to open the Rebrand Window"}}) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->toolTip(), b.hint);
        EXPECT_EQ(b.button->iconSize(), QSize(32, 32));
        EXPECT_EQ(b.button->size(), QSize(56, 52));
    }
    EXPECT_EQ(frm.btnHome->text(), "Home");
    EXPECT_EQ(frm.btnMenu->toolTip(), "Click here to open menu (Alt+M)");
    EXPECT_EQ(frm.btnGo->text(), "Go");
    EXPECT_EQ(frm.btnGo->toolTip(), "Go to the address in the Location Bar");
    EXPECT_EQ(frm.cboAddress->maxVisibleItems(), 8);
    EXPECT_EQ(frm.cboAddress->completer(), nullptr);

    QStringList captions;
    for (QAction* a : frm.mnuMenu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions.mid(0, 12),
              (QStringList{"Save &As...", "-", "Page Set&up...", "&Print...\tCtrl+P",
                           "Print Pre&view...", "-", "&Find (on This Page)...\tCtrl+F", "-",
                           "Sour&ce", "-", "Internet &Options...", "-"}));
    EXPECT_EQ(captions.at(12), "Organize Favorites...");
    EXPECT_EQ(frm.mnuMenu->defaultAction(), frm.mnuMenu_OrganizeFavorites);

    QStringList shortcuts;
    for (QAction* a : frm.ActionList1->actions())
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
    frm.actMenu->trigger();
    EXPECT_FALSE(frm.mnuMenu->isVisible());

    frm.ApplyBars(true, true);
    QApplication::processEvents();
    bool opened = false;
    QTimer::singleShot(200, [&] {
        opened = frm.mnuMenu->isVisible();
        frm.mnuMenu->close();
    });
    frm.actMenu->trigger();
    EXPECT_TRUE(WaitFor([&] { return opened; }, 3000));
    EXPECT_EQ(QCursor::pos(), frm.btnMenu->mapToGlobal(
                                  QPoint(frm.btnMenu->width() / 2, frm.btnMenu->height() / 2)));
}

TEST_F(MainWindow, HomeGoesToTheLocalSiteOnTheServerPort) {
    server.Add("/", "<title>Start</title>");
    frm.btnHomeClick();
    EXPECT_EQ(frm.cboAddress->currentText(),
              QStringLiteral("http://127.0.0.1:%1").arg(server.Port()));
    EXPECT_TRUE(WaitFor([&] { return frm.windowTitle() == "Start - Demo Shop"; }));
    EXPECT_EQ(server.Requests("/"), 1);
    // Refresh asks the server again.
    frm.btnRefreshClick();
    EXPECT_TRUE(WaitFor([&] { return server.Requests("/") == 2; }));
}

TEST_F(MainWindow, ScriptErrorsShowADialogOnlyWhenNotSilent) {
    server.Add("/bad", "<title>Bad</title><script>undefinedFunction();</script>");
    frm.WebBrowser1->SetSilent(true);
    Load("/bad");
    Pump(500);
    EXPECT_EQ(FindWindow("dlgScriptError"), nullptr);

    frm.WebBrowser1->SetSilent(false);
    frm.btnRefreshClick();
    EXPECT_TRUE(WaitFor([] { return FindWindow("dlgScriptError") != nullptr; }));
    auto* box = FindWindow<QDialog>("dlgScriptError");
    ASSERT_NE(box, nullptr);
    box->close();
}

TEST_F(MainWindow, FindCountsTheMatchesOnThePage) {
    ShowActive();
    server.Add("/text", "<title>T</title><p>apple pear Apple plum apple</p>");
    Load("/text");
    frm.mnuMenu_Find->trigger();
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
    frm.mnuMenu_SaveAs->trigger();
    EXPECT_TRUE(WaitFor([&] {
        return ReadAll(saved).find("Seventeen oranges") != std::string::npos;
    })) << ReadAll(saved);

    const std::string pdf = dir / "order.pdf";
    frm.WebBrowser1->Printer().setOutputFormat(QPrinter::PdfFormat);
    frm.WebBrowser1->Printer().setOutputFileName(QString::fromStdString(pdf));
    WhenDialogShows("dlgPrint", [](QDialog* d) { d->accept(); });
    frm.mnuMenu_Print->trigger();
    EXPECT_TRUE(WaitFor([&] {
        return ReadAll(pdf).rfind("%PDF", 0) == 0 &&
               ReadAll(pdf).find("%%EOF") != std::string::npos;
    }));
    // Cancelling writes nothing.
    const std::string other = dir / "cancelled.pdf";
    frm.WebBrowser1->Printer().setOutputFileName(QString::fromStdString(other));
    WhenDialogShows("dlgPrint", [](QDialog* d) { d->reject(); });
    frm.mnuMenu_Print->trigger();
    Pump(500);
    EXPECT_FALSE(FileExists(other));
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
    frm.mnuMenu_PrintPreview->trigger();
    EXPECT_GT(pages, 1);
}

TEST_F(MainWindow, SourceOpensTheSourceInANewWindow) {
    server.Add("/src", "<title>S</title><p id='marker'>source me</p>");
    Load("/src");
    frm.mnuMenu_Source->trigger();
    TfrmBrowser* popup = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        popup = FindWindow<TfrmBrowser>("frmBrowser");
        return popup && popup->WebBrowser1->url().scheme() == "view-source";
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
        frm.WebBrowser1->page()->runJavaScript(Script,
                                               [&](const QVariant& v) { value = v.toString(); });
        WaitFor([&] { return value != "?"; });
        return value;
    };
    EXPECT_EQ(read("document.cookie"), "cart=3");
    EXPECT_EQ(read("localStorage.getItem('k')"), "v");
    {
        TInternetOptions options(*frm.WebBrowser1);
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
    frm.HandleDownloadsOf(PrivateProfile());
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
        return frm.StatusBar1->PanelText(0).startsWith("Download complete");
    })) << frm.StatusBar1->PanelText(0).toStdString();
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
    frm.show();
    QApplication::setActiveWindow(&frm);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    frm.cboAddress->setFocus();
    EXPECT_TRUE(IsEditFocused(&frm));
    frm.WebBrowser1->setFocus();
    EXPECT_FALSE(IsEditFocused(&frm));
    EXPECT_TRUE(IsEditControl(frm.cboAddress));
    EXPECT_FALSE(IsEditControl(frm.btnGo));
    EXPECT_FALSE(IsEditControl(frm.WebBrowser1));
    EXPECT_TRUE(HasProperty(frm.cboAddress, "font"));
    EXPECT_FALSE(HasProperty(frm.cboAddress, "OnChange"));
    EXPECT_FALSE(HasProperty(nullptr, "font"));
}

TEST_F(MainWindow, APageElementOverTheWholeScreenLeavesWithEsc) {
    ShowActive();
    frm.ApplyBars(true, true);
    server.Add("/video", "<title>Video</title><style>button{position:fixed;left:0;top:0;"
                         "width:100%;height:100%}</style><button id='b' onclick="
                         "\"document.documentElement.requestFullscreen()\">full</button>");
    Load("/video");
    QWidget* page = frm.WebBrowser1->focusProxy();
    ASSERT_NE(page, nullptr);
    // Browsers give the screen only for a user's click. A click that reaches the page before
    // its first frame is dropped by the engine, so a busy machine may need a second one.
    QElapsedTimer sinceClick;
    EXPECT_TRUE(WaitFor([&] {
        if (!sinceClick.isValid() || sinceClick.elapsed() > 1000) {
            QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(50, 50));
            sinceClick.start();
        }
        return frm.WebBrowser1->PageFullScreen();
    }));
    EXPECT_TRUE(frm.isFullScreen());
    EXPECT_FALSE(frm.CoolBar1->isVisible());
    EXPECT_FALSE(frm.StatusBar1->isVisible());
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_TRUE(WaitFor([&] { return !frm.WebBrowser1->PageFullScreen(); }));
    EXPECT_FALSE(frm.isFullScreen());
    EXPECT_TRUE(frm.CoolBar1->isVisible());
    EXPECT_TRUE(frm.StatusBar1->isVisible());
}
