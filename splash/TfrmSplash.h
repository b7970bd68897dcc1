#pragma once

// The splash window: the program's RES_SPLASH picture, borderless, on top, centred on the
// screen, without a taskbar entry. It lives in a process of its own until that is ended, and
// needs no more of the toolkit than a window to paint a picture in.

#include <QImage>
#include <QRasterWindow>
#include <QRect>

#include <string>

namespace quindle {

// Where a picture of that size goes on a screen of that size: centred, also when it is larger
// than the screen (then with negative coordinates).
QRect CentredSplashGeometry(int ScreenWidth, int ScreenHeight, int ImageWidth, int ImageHeight);

class TfrmSplash : public QRasterWindow {
    Q_OBJECT

public:
    TfrmSplash();
    ~TfrmSplash() override;
    void FormShow();

    // The picture shown; null when the program carries none that can be read.
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override; // a click does nothing
    void closeEvent(QCloseEvent* Event) override;      // closing frees the window

private:
    QImage picture_;
};

// The process-wide splash window, while there is one.
extern TfrmSplash* frmSplash;

// The "splash" mode: shows the splash unless the configuration file says showsplash=0, then
// runs until the process is ended from outside. Returns at once when there is nothing to show.
void RunSplash(const std::string& ConfigFile, int argc, char** argv);

} // namespace quindle
