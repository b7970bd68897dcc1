#pragma once

// What every browser window has: the band with the menu button, the navigation buttons, the
// address box with its history and Go; the browser control; the three-panel status bar with the
// progress bar; the page menu with the favorites; the keyboard shortcuts and the hook that keeps
// them to the foreground window. The main window and the popup windows differ only where the
// virtual methods say.

#include "window/TStatusBar.h"

#include <QWebEnginePage>
#include <QWidget>

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

class TWebBrowser;
class TfrmBrowser;

class TBrowserWindow : public QWidget {
    Q_OBJECT

public:
    // At most this many addresses in the address box's history.
    static constexpr int kHistoryLimit = 24;
    // Script error dialogs off; read once at start from Browser.ini, used by every window.
    static bool SilentScriptErrors;

    explicit TBrowserWindow(QWidget* Parent = nullptr);
    ~TBrowserWindow() override;

    // Takes pages of Profile from now on.
    void UseProfile(QWebEngineProfile* Profile);

    // Trims Url and lets the control navigate there.
    void NavigateTo(const QString& Url);
    // Navigates to the trimmed text of the address box.
    void NavigateToAddressBox();
    void SetAddressText(const QString& Text);
    // Adds the control's location to the history, or selects it where it already is.
    void UpdateHistory(const QString& Location);
    // The history entry the box shows, or -1 when its text is typed or empty.
    int SelectedHistoryIndex() const;

    // Places the band's controls and the status panels; runs on every resize.
    void FormResize();
    // Shrinks the toolbar to its visible buttons.
    void MeasureToolbar();

    // Appends the favorites of Favorites.ini beside the program to the page menu; gives the
    // file's path, or empty without it.
    QString BuildFavoritesMenu();
    void DirMenuItemClick(QAction* Item);
    void UrlMenuItemClick(QAction* Item);
    void mnuMenu_OrganizeFavoritesClick();
    QString FavoritesFile;

    // Navigation commands; failures are ignored.
    void btnBackClick();
    void btnForwardClick();
    void btnRefreshClick();
    void btnStopClick();
    void btnHomeClick();
    void actMenuExecute();

    // The home address of this window.
    virtual QString HomeAddress() const = 0;
    // The application title that follows the page title in the caption.
    virtual QString ApplicationTitle() const = 0;

    // --- Controls, named as the windows name them ------------------------------------------
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

protected:
    // The width of the last status panel.
    virtual int StatusPanel2Width() const = 0;
    // The text that replaces "{LOCALHOST:PORT}" in favorites.
    virtual QString LocalhostPort() const = 0;
    // The page closed its own window.
    virtual void PageClosedItself() = 0;
    // The opener's home address and favorites file for a popup it opens.
    virtual QString PopupHomeUrl() const = 0;
    // Caption (and for the main window the application's title) from the page title.
    virtual void WebBrowser1TitleChange(const QString& Title);
    // Panel 1 lowered, the progress bar hidden inside the status bar.
    void PrepareStatusBar();
    // Puts the browser control into the client area (the popup wraps it in a panel).
    virtual void PlaceBrowser(QWidget* Browser);

    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateMenu();
    void CreateActions();
    void WireControlEvents();
    bool cboAddressKeyDown(int Key);
    void cboAddressChange(const QString& Text);
    void WebBrowser1ProgressChange(int Progress, int ProgressMax);
    void WebBrowser1CommandStateChange(int Command, bool Enable);
    // An element of the page over the whole screen: the window shows the page alone, then comes
    // back as it was.
    void WebBrowser1FullScreenChange(bool On);
    void ShowScriptError(const QString& Message, int LineNumber, const QString& SourceId);
    TWebBrowser* WebBrowser1NewWindow2(QWebEnginePage::WebWindowType Type);
    QString FavoriteValue(const char* Section, QAction* Item) const;

    Ui::BrowserBand* band_;
    struct TBeforeFullScreen {
        bool Saved = false, Band = true, Status = true;
        Qt::WindowStates State;
    } beforeFullScreen_;
};

} // namespace quindle
