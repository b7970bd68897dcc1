#include "window/frame/TBrowserWindow.h"
#include "kit/Log.h"
#include "ui_BrowserBand.h"
#include "window/browser/TWebBrowser.h"
#include "window/common/WindowHelpers.h"
#include "window/frame/AddressBox.h"
#include "window/frame/FavoritesMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quindle {

bool TBrowserWindow::silentScriptErrors_ = true;

void TBrowserWindow::SetSilentScriptErrors(bool Silent) {
    silentScriptErrors_ = Silent;
}

TBrowserWindow::TBrowserWindow(QWidget* Parent) : QWidget(Parent), band_(new Ui::BrowserBand) {
    const QFont font = WindowFont();
    setFont(font);
    resize(632, 453 + 56 + 21);

    auto* band = new QFrame(this);
    band_->setupUi(band);
    CoolBar1 = band;
    pnlToolbar = band_->pnlToolbar;
    tlbMenu = band_->tlbMenu;
    btnMenu = band_->btnMenu;
    tlbToolbar = band_->tlbToolbar;
    btnBack = band_->btnBack;
    btnForward = band_->btnForward;
    btnRefresh = band_->btnRefresh;
    btnStop = band_->btnStop;
    btnHome = band_->btnHome;
    sepToolbar1 = band_->sepToolbar1;
    btnBrand = band_->btnBrand;
    cboAddress = band_->cboAddress;
    tlbGo = band_->tlbGo;
    btnGo = band_->btnGo;
    addressBox_ = new TAddressBox(cboAddress);

    WebBrowser1 = new TWebBrowser(this);
    StatusBar1 = new TStatusBar(3, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(CoolBar1);
    layout->addWidget(StatusBar1);

    CreateMenu();
    favorites_ = new TFavoritesMenu(mnuMenu, [this] { return LocalhostPort(); });
    connect(favorites_, &TFavoritesMenu::AddressChosen, this, &TBrowserWindow::ShowAndVisit);
    connect(mnuMenu_OrganizeFavorites, &QAction::triggered, favorites_,
            &TFavoritesMenu::OrganizeClick);
    CreateActions();
    WireControlEvents();
}

TBrowserWindow::~TBrowserWindow() {
    delete band_;
}

void TBrowserWindow::PlaceBrowser(QWidget* Control) {
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, Control, 1);
}

void TBrowserWindow::UseProfile(QWebEngineProfile* Profile) {
    WebBrowser1->UseProfile(Profile);
    WebBrowser1->SetSilent(silentScriptErrors_);
}

void TBrowserWindow::CreateMenu() {
    mnuMenu = new QMenu(this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    auto add = [this](const char* Name, const QString& Caption, TPageCommand Command) {
        QAction* item = mnuMenu->addAction(Caption);
        item->setObjectName(QString::fromLatin1(Name));
        connect(item, &QAction::triggered, this, [this, Command, Name] {
            try {
                WebBrowser1->RunPageCommand(Command);
            } catch (...) {
                LogCaught(std::string("The menu's ") + Name);
            }
        });
        return item;
    };
    // The shortcuts shown here belong to the window's actions; the menu only names them.
    mnuMenu_SaveAs = add("mnuMenu_SaveAs", tr("Save &As..."), TPageCommand::SaveAs);
    mnuMenu->addSeparator();
    mnuMenu_PageSetup = add("mnuMenu_PageSetup", tr("Page Set&up..."), TPageCommand::PageSetup);
    mnuMenu_Print = add("mnuMenu_Print", tr("&Print...") + "\tCtrl+P", TPageCommand::Print);
    mnuMenu_PrintPreview =
        add("mnuMenu_PrintPreview", tr("Print Pre&view..."), TPageCommand::PrintPreview);
    mnuMenu->addSeparator();
    mnuMenu_Find =
        add("mnuMenu_Find", tr("&Find (on This Page)...") + "\tCtrl+F", TPageCommand::Find);
    mnuMenu->addSeparator();
    mnuMenu_Source = add("mnuMenu_Source", tr("Sour&ce"), TPageCommand::ViewSource);
    mnuMenu->addSeparator();
    mnuMenu_InternetOptions =
        add("mnuMenu_InternetOptions", tr("Internet &Options..."), TPageCommand::Options);
    // The second column of the menu: Qt's menus know no column break, so a bar parts the
    // favorites from the page commands.
    mnuMenu->addSeparator()->setObjectName(QStringLiteral("mnuMenu_ColumnBreak"));
    mnuMenu_OrganizeFavorites = mnuMenu->addAction(tr("Organize Favorites..."));
    mnuMenu_OrganizeFavorites->setObjectName(QStringLiteral("mnuMenu_OrganizeFavorites"));
    mnuMenu->setDefaultAction(mnuMenu_OrganizeFavorites);
    btnMenu->setMenu(mnuMenu);
}

void TBrowserWindow::CreateActions() {
    ActionList1 = new QActionGroup(this);
    ActionList1->setObjectName(QStringLiteral("ActionList1"));
    ActionList1->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
    auto add = [this](const char* Name, const QString& Caption, const QKeySequence& Shortcut,
                      std::function<void()> Run) {
        auto* action = new QAction(Caption, this);
        action->setObjectName(QString::fromLatin1(Name));
        action->setShortcut(Shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        ActionList1->addAction(action);
        addAction(action);
        connect(action, &QAction::triggered, this, [Run, Name] {
            try {
                Run();
            } catch (...) {
                LogCaught(std::string("The shortcut ") + Name);
            }
        });
        return action;
    };
    actMenu = add("actMenu", tr("Menu (Alt+M)"), QKeySequence(Qt::ALT | Qt::Key_M),
                  [this] { actMenuExecute(); });
    actBack = add("actBack", tr("Back (Alt+Left)"), QKeySequence(Qt::ALT | Qt::Key_Left),
                  [this] { btnBackClick(); });
    actBack2 = add("actBack2", tr("Back (BkSp)"), QKeySequence(Qt::Key_Backspace),
                   [this] { btnBackClick(); });
    actForward = add("actForward", tr("Forward (Alt+Right)"), QKeySequence(Qt::ALT | Qt::Key_Right),
                     [this] { btnForwardClick(); });
    actForward2 = add("actForward2", tr("Forward (Shift+BkSp)"),
                      QKeySequence(Qt::SHIFT | Qt::Key_Backspace), [this] { btnForwardClick(); });
    actRefresh = add("actRefresh", tr("Refresh (F5)"), QKeySequence(Qt::Key_F5),
                     [this] { btnRefreshClick(); });
    actRefresh2 = add("actRefresh2", tr("Refresh (Ctrl+R)"), QKeySequence(Qt::CTRL | Qt::Key_R),
                      [this] { btnRefreshClick(); });
    actRefresh3 = add("actRefresh3", tr("Refresh (Ctrl+F5)"), QKeySequence(Qt::CTRL | Qt::Key_F5),
                      [this] { btnRefreshClick(); });
    actStop =
        add("actStop", tr("Stop (Esc)"), QKeySequence(Qt::Key_Escape), [this] { btnStopClick(); });
    actStop->setEnabled(false);
    actHome = add("actHome", tr("Home (Alt+Home)"), QKeySequence(Qt::ALT | Qt::Key_Home),
                  [this] { btnHomeClick(); });
    actPrint = add("actPrint", tr("Print (Ctrl+P)"), QKeySequence(Qt::CTRL | Qt::Key_P),
                   [this] { mnuMenu_Print->trigger(); });
    actFind = add("actFind", tr("Find (Ctrl+F)"), QKeySequence(Qt::CTRL | Qt::Key_F),
                  [this] { mnuMenu_Find->trigger(); });

    actLeaveFullScreen = new QAction(tr("Leave Full Screen (Esc)"), this);
    actLeaveFullScreen->setObjectName(QStringLiteral("actLeaveFullScreen"));
    actLeaveFullScreen->setShortcut(QKeySequence(Qt::Key_Escape));
    actLeaveFullScreen->setShortcutContext(Qt::WindowShortcut);
    actLeaveFullScreen->setEnabled(false);
    addAction(actLeaveFullScreen);
    connect(actLeaveFullScreen, &QAction::triggered, this,
            [this] { WebBrowser1->ExitPageFullScreen(); });
}

void TBrowserWindow::WireControlEvents() {
    connect(btnBack, &QToolButton::clicked, this, [this] { btnBackClick(); });
    connect(btnForward, &QToolButton::clicked, this, [this] { btnForwardClick(); });
    connect(btnRefresh, &QToolButton::clicked, this, [this] { btnRefreshClick(); });
    connect(btnStop, &QToolButton::clicked, this, [this] { btnStopClick(); });
    connect(btnHome, &QToolButton::clicked, this, [this] { btnHomeClick(); });
    connect(btnGo, &QToolButton::clicked, this, &TBrowserWindow::NavigateToAddressBox);
    connect(addressBox_, &TAddressBox::GoAsked, this, &TBrowserWindow::NavigateToAddressBox);

    connect(WebBrowser1, &TWebBrowser::TitleChange, this, &TBrowserWindow::WebBrowser1TitleChange);
    connect(WebBrowser1, &TWebBrowser::StatusTextChange, this,
            [this](const QString& Text) { StatusBar1->SetPanelText(0, Text); });
    connect(WebBrowser1, &TWebBrowser::ProgressChange, this,
            &TBrowserWindow::WebBrowser1ProgressChange);
    connect(WebBrowser1, &TWebBrowser::CommandStateChange, this,
            &TBrowserWindow::WebBrowser1CommandStateChange);
    connect(WebBrowser1, &TWebBrowser::DownloadBegin, this, [this] {
        loading_ = true;
        UpdateEscapeActions();
    });
    connect(WebBrowser1, &TWebBrowser::DownloadComplete, this, [this] {
        loading_ = false;
        UpdateEscapeActions();
    });
    // The page asks from within the engine's own work; the window (and perhaps the program) ends
    // once that work is done.
    connect(
        WebBrowser1, &TWebBrowser::WindowClosing, this, [this] { PageClosedItself(); },
        Qt::QueuedConnection);
    connect(WebBrowser1, &TWebBrowser::ScriptError, this, &TBrowserWindow::ShowScriptError);
    connect(WebBrowser1, &TWebBrowser::FullScreenChange, this,
            &TBrowserWindow::WebBrowser1FullScreenChange);
    WebBrowser1->SetNewWindowHandler(
        [this](QWebEnginePage::WebWindowType Type) { return WebBrowser1NewWindow2(Type); });
    connect(qApp, &QApplication::focusChanged, this, &TBrowserWindow::UpdateShortcutScope);
}

void TBrowserWindow::HideBrandButton() {
    sepToolbar1->hide();
    btnBrand->hide();
    MeasureToolbar();
}

void TBrowserWindow::RemoveBrandButton() {
    delete sepToolbar1;
    delete btnBrand;
    sepToolbar1 = nullptr;
    btnBrand = nullptr;
    MeasureToolbar();
}

void TBrowserWindow::PrepareStatusBar() {
    StatusBar1->SetPanelBevel(1, TStatusBar::TBevel::Lowered);
    ProgressBar1->hide();
    ProgressBar1->setParent(StatusBar1);
}

// --- Navigation ------------------------------------------------------------------------------

void TBrowserWindow::NavigateTo(const QString& Url) {
    WebBrowser1->Navigate(Url.trimmed());
}

void TBrowserWindow::NavigateToAddressBox() {
    NavigateTo(addressBox_->Text());
}

void TBrowserWindow::ShowAndVisit(const QString& Address) {
    addressBox_->SetText(Address);
    NavigateToAddressBox();
}

void TBrowserWindow::btnBackClick() {
    WebBrowser1->GoBack();
}

void TBrowserWindow::btnForwardClick() {
    WebBrowser1->GoForward();
}

void TBrowserWindow::btnRefreshClick() {
    WebBrowser1->Refresh();
}

void TBrowserWindow::btnStopClick() {
    WebBrowser1->Stop();
}

void TBrowserWindow::btnHomeClick() {
    ShowAndVisit(HomeAddress());
}

void TBrowserWindow::actMenuExecute() {
    if (!CoolBar1->isVisible())
        return;
    // As a click on the button would: the pointer goes to its centre and stays there.
    QCursor::setPos(btnMenu->mapToGlobal(QPoint(btnMenu->width() / 2, btnMenu->height() / 2)));
    btnMenu->showMenu();
}

// --- Caption, history, progress --------------------------------------------------------------

void TBrowserWindow::WebBrowser1TitleChange(const QString& Title) {
    setWindowTitle(QStringLiteral("%1 - %2").arg(Title, ApplicationTitle().trimmed()));
    addressBox_->UpdateHistory(WebBrowser1->LocationURL());
}

void TBrowserWindow::WebBrowser1ProgressChange(int Progress, int ProgressMax) {
    if (Progress > 0) {
        StatusBar1->SetPanelBevel(1, TStatusBar::TBevel::None);
        ProgressBar1->show();
    } else {
        StatusBar1->SetPanelBevel(1, TStatusBar::TBevel::Lowered);
        ProgressBar1->hide();
    }
    ProgressBar1->setRange(0, std::max(0, ProgressMax));
    ProgressBar1->setValue(std::clamp(Progress, 0, std::max(0, ProgressMax)));
}

void TBrowserWindow::WebBrowser1CommandStateChange(QWebEnginePage::WebAction Action, bool Enabled) {
    if (Action == QWebEnginePage::Forward)
        btnForward->setEnabled(Enabled);
    else if (Action == QWebEnginePage::Back)
        btnBack->setEnabled(Enabled);
}

void TBrowserWindow::UpdateEscapeActions() {
    const bool fullScreen = WebBrowser1->PageFullScreen();
    actStop->setEnabled(loading_ && !fullScreen);
    actLeaveFullScreen->setEnabled(fullScreen);
}

void TBrowserWindow::WebBrowser1FullScreenChange(bool On) {
    UpdateEscapeActions();
    if (On && !beforeFullScreen_.Saved) {
        beforeFullScreen_ = {true, CoolBar1->isVisibleTo(this), StatusBar1->isVisibleTo(this),
                             windowState()};
        CoolBar1->hide();
        StatusBar1->hide();
        showFullScreen();
    } else if (!On && beforeFullScreen_.Saved) {
        CoolBar1->setVisible(beforeFullScreen_.Band);
        StatusBar1->setVisible(beforeFullScreen_.Status);
        setWindowState(beforeFullScreen_.State);
        beforeFullScreen_.Saved = false;
    }
}

void TBrowserWindow::ShowScriptError(const QString& Message, int LineNumber,
                                     const QString& SourceId) {
    auto* box = new QMessageBox(QMessageBox::Warning, tr("Script Error"),
                                tr("An error has occurred in the script on this page."),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("dlgScriptError"));
    box->setInformativeText(
        tr("Line: %1\nError: %2\nURL: %3").arg(LineNumber).arg(Message, SourceId));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

// --- Layout ----------------------------------------------------------------------------------

void TBrowserWindow::MeasureToolbar() {
    // The band's layouts take a shown or hidden button into account at the next events; the
    // start-up and the tests read the positions at once.
    tlbToolbar->layout()->activate();
    tlbToolbar->updateGeometry();
    pnlToolbar->layout()->activate();
}

void TBrowserWindow::FormResize() {
    if (!isVisible())
        return;
    MeasureToolbar();
    StatusBar1->SetPanelWidth(2, StatusPanel2Width());
    StatusBar1->SetPanelWidth(1, 200);
    StatusBar1->SetPanelWidth(0, StatusBar1->contentsRect().width() - 200 - StatusPanel2Width());
    const QRect rect = StatusBar1->PanelRect(1);
    if (!rect.isEmpty())
        ProgressBar1->setGeometry(rect);
}

void TBrowserWindow::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    try {
        FormResize();
    } catch (...) {
        LogCaught("Laying out the window");
    }
}

void TBrowserWindow::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    try {
        FormResize();
    } catch (...) {
        LogCaught("Laying out the window");
    }
}

// --- Shortcut scope ----------------------------------------------------------------

void TBrowserWindow::changeEvent(QEvent* Event) {
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange)
        UpdateShortcutScope();
}

void TBrowserWindow::UpdateShortcutScope() {
    ActionList1->setEnabled(isActiveWindow());
    const bool editing = IsEditFocused(this);
    actBack2->setEnabled(!editing);
    actForward2->setEnabled(!editing);
}

// --- New windows -----------------------------------------------------------------------------

TWebBrowser* TBrowserWindow::WebBrowser1NewWindow2(QWebEnginePage::WebWindowType) {
    if (!popupFactory_)
        return nullptr;
    try {
        return popupFactory_(*this);
    } catch (...) {
        LogCaught("Opening a window the page asked for");
        return nullptr;
    }
}

} // namespace quindle
