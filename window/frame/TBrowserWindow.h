#pragma once

// What every browser window has: the band with the menu button, the navigation buttons, the
// address box with its history and Go; the browser control; the three-panel status bar with the
// progress bar; the page menu with the favorites; the keyboard shortcuts, which act in the
// foreground window only. The main window and the popup windows differ only where the
// virtual methods say.

#include "window/frame/TStatusBar.h"

#include <QWebEnginePage>
#include <QWidget>

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QProgressBar;
class QToolButton;
class QWebEngineProfile;
namespace Ui {
class BrowserBand;
}

namespace quindle {

class TAddressBox;
class TFavoritesMenu;
class TWebBrowser;

class TBrowserWindow : public QWidget {
    Q_OBJECT

public:
    // Opens the window a page of Opener asked for and gives its browser control, or nullptr
    // to refuse it.
    using TPopupFactory = std::function<TWebBrowser*(TBrowserWindow& Opener)>;

    // Script error dialogs off; read once at start from Browser.ini, used by every window.
    static void SetSilentScriptErrors(bool Silent);

    explicit TBrowserWindow(QWidget* Parent = nullptr);
    ~TBrowserWindow() override;

    // Takes pages of Profile from now on.
    void UseProfile(QWebEngineProfile* Profile);
    // The browser control of the window.
    TWebBrowser* Browser() const { return WebBrowser1; }
    TAddressBox& AddressBox() const { return *addressBox_; }
    TFavoritesMenu& Favorites() const { return *favorites_; }
    // Windows that pages of this one ask for come from Factory; without one they are refused.
    void SetPopupFactory(TPopupFactory Factory) { popupFactory_ = std::move(Factory); }
    const TPopupFactory& PopupFactory() const { return popupFactory_; }

    // Trims Url and lets the control navigate there.
    void NavigateTo(const QString& Url);
    // Navigates to the trimmed text of the address box.
    void NavigateToAddressBox();
    // Shows Address in the address box and goes there, as a user who typed it would.
    void ShowAndVisit(const QString& Address);

    // Places the band's controls and the status panels; runs on every resize.
    void FormResize();

    // The home address of this window.
    virtual QString HomeAddress() const = 0;
    // The application title that follows the page title in the caption.
    virtual QString ApplicationTitle() const = 0;
    // The text that replaces "{LOCALHOST:PORT}" in favorites.
    virtual QString LocalhostPort() const = 0;
    // The home address of a window a page of this one opens.
    virtual QString PopupHomeUrl() const = 0;

protected:
    // The width of the last status panel.
    virtual int StatusPanel2Width() const = 0;
    // The page closed its own window.
    virtual void PageClosedItself() = 0;
    // Caption (and for the main window the application's title) from the page title.
    virtual void WebBrowser1TitleChange(const QString& Title);
    // Puts the browser control into the client area (the popup wraps it in a panel).
    virtual void PlaceBrowser(QWidget* Control);

    // Shrinks the toolbar to its visible buttons.
    void MeasureToolbar();
    // Panel 1 lowered, the progress bar hidden inside the status bar.
    void PrepareStatusBar();
    // The band with the menu button, the toolbar and the address box.
    QWidget* Band() const { return CoolBar1; }
    TStatusBar* StatusBar() const { return StatusBar1; }
    QProgressBar* ProgressBar() const { return ProgressBar1; }
    QToolButton* HomeButton() const { return btnHome; }
    // The Rebrand button: the main window hides it in a rebranded copy, a popup has none.
    QToolButton* BrandButton() const { return btnBrand; }
    void HideBrandButton();
    void RemoveBrandButton();

    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    // Navigation commands; failures are ignored.
    void btnBackClick();
    void btnForwardClick();
    void btnRefreshClick();
    void btnStopClick();
    void btnHomeClick();
    void actMenuExecute();

    void CreateMenu();
    void CreateActions();
    void WireControlEvents();
    void WebBrowser1ProgressChange(int Progress, int ProgressMax);
    void WebBrowser1CommandStateChange(QWebEnginePage::WebAction Action, bool Enabled);
    // An element of the page over the whole screen: the window shows the page alone, then comes
    // back as it was.
    void WebBrowser1FullScreenChange(bool On);
    void ShowScriptError(const QString& Message, int LineNumber, const QString& SourceId);
    TWebBrowser* WebBrowser1NewWindow2(QWebEnginePage::WebWindowType Type);
    // Esc stops a load, except while an element of the page fills the screen: then it gives the
    // screen back. Both are shortcuts of this window, never enabled together.
    void UpdateEscapeActions();
    // The shortcuts act in the active window only, and Backspace edits text where the focus is
    // in an edit control instead of going back.
    void UpdateShortcutScope();

    static bool silentScriptErrors_;

    // The controls, named as the windows name them; tests and tools find them by these names.
    QWidget* CoolBar1;
    QWidget* pnlToolbar;
    QWidget* tlbMenu;
    QToolButton* btnMenu;
    QWidget* tlbToolbar;
    QToolButton* btnBack;
    QToolButton* btnForward;
    QToolButton* btnRefresh;
    QToolButton* btnStop;
    QToolButton* btnHome;
    QWidget* sepToolbar1;
    QToolButton* btnBrand;
    QComboBox* cboAddress;
    QWidget* tlbGo;
    QToolButton* btnGo;
    TWebBrowser* WebBrowser1;
    TStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;

    QMenu* mnuMenu;
    QAction* mnuMenu_SaveAs;
    QAction* mnuMenu_PageSetup;
    QAction* mnuMenu_Print;
    QAction* mnuMenu_PrintPreview;
    QAction* mnuMenu_Find;
    QAction* mnuMenu_Source;
    QAction* mnuMenu_InternetOptions;
    QAction* mnuMenu_OrganizeFavorites;

    QActionGroup* ActionList1;
    QAction* actMenu;
    QAction* actBack;
    QAction* actBack2;
    QAction* actForward;
    QAction* actForward2;
    QAction* actRefresh;
    QAction* actRefresh2;
    QAction* actRefresh3;
    QAction* actStop;
    QAction* actHome;
    QAction* actPrint;
    QAction* actFind;
    QAction* actLeaveFullScreen;

    Ui::BrowserBand* band_;
    TAddressBox* addressBox_;
    TFavoritesMenu* favorites_;
    TPopupFactory popupFactory_;
    bool loading_ = false;
    struct TBeforeFullScreen {
        bool Saved = false, Band = true, Status = true;
        Qt::WindowStates State;
    } beforeFullScreen_;
};

} // namespace quindle
