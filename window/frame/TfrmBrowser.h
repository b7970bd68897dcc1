#pragma once

// A window a page asked for. It opens parked (of no size, off screen) and takes its place at its
// first navigation: 800 x 600 in the middle of the screen when the page asked for no position and
// size, else where and as large as the page asked, with the bars the page asked for.

#include "window/frame/TBrowserWindow.h"

namespace quindle {

class TfrmBrowser : public TBrowserWindow {
    Q_OBJECT

public:
    // Where a parked window and its browser control wait for the first navigation.
    static constexpr int kParkedWindow = -4096;
    static constexpr int kParkedControl = 4096;

    TfrmBrowser(const QString& AppTitle, QWebEngineProfile* Profile);

    // The popup factory of every browser window: a parked window with the opener's title,
    // profile, popup home, favourites and local address, which opens popups of its own the same
    // way.
    static TWebBrowser* OpenFor(TBrowserWindow& Opener);

    // Window of no size off screen, control of no size at 4096, 4096 out of its panel's layout.
    void Park();
    // The first navigation fixes the geometry; later ones leave it alone.
    void WebBrowser1BeforeNavigate2();

    QString HomeAddress() const override { return HomeUrl; }
    QString ApplicationTitle() const override { return appTitle_; }
    QString LocalhostPort() const override { return localhostPort_; }
    QString PopupHomeUrl() const override { return HomeUrl; }
    void SetHomeUrl(const QString& Url) { HomeUrl = Url; }
    // Still parked: the first navigation has not placed the window yet.
    bool AwaitsFirstNavigation() const { return FirstNavigation; }

protected:
    int StatusPanel2Width() const override { return 80; }
    void PageClosedItself() override { close(); }
    void PlaceBrowser(QWidget* Control) override;
    void showEvent(QShowEvent* Event) override;

private:
    void AlignControl();
    // Moves the parked control to where the page asked its window to be.
    void TakeRequestedGeometry(const QRect& Geometry);

    QString appTitle_;
    QString HomeUrl;
    QString localhostPort_;
    bool FirstNavigation = true;
    QWidget* Panel1;
};

} // namespace quindle
