#include "splash/TfrmSplash.h"
#include "kit/KoClass.h"
#include "kit/Strings.h"
#include "kit/SystemEvents.h"
#include "launcher/modules/Modules.h"
#include "server/ConfigFiles.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace quindle {

TfrmSplash* frmSplash = nullptr;

QRect CentredSplashGeometry(int ScreenWidth, int ScreenHeight, int ImageWidth, int ImageHeight) {
    // Integer division truncates toward zero, as the placement always has.
    return QRect((ScreenWidth - ImageWidth) / 2, (ScreenHeight - ImageHeight) / 2, ImageWidth,
                 ImageHeight);
}

TfrmSplash::TfrmSplash() {
    setObjectName("frmSplash");
    setFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    frmSplash = this;
}

TfrmSplash::~TfrmSplash() {
    if (frmSplash == this)
        frmSplash = nullptr;
}

void TfrmSplash::FormShow() {
    TBitmap bitmap;
    try {
        TKo::LoadGraphicFromString(bitmap, TKo::ReadResourceString("RES_SPLASH"));
    } catch (const Exception&) {
        bitmap.Clear(); // a program without a readable picture shows an empty splash
    }
    if (!bitmap.Empty())
        picture_ = QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Width * 4,
                          QImage::Format_RGBA8888)
                       .copy();
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->geometry()
                             : QRect(0, 0, 1024, 768);
    const QRect place =
        CentredSplashGeometry(screen.width(), screen.height(), picture_.width(), picture_.height());
    setGeometry(place.translated(screen.topLeft()));
    show();
    raise();
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    QPainter(this).drawImage(0, 0, picture_);
}

void TfrmSplash::mousePressEvent(QMouseEvent* Event) {
    Event->accept();
}

void TfrmSplash::closeEvent(QCloseEvent*) {
    deleteLater();
}

void RunSplash(const std::string& ConfigFile, int argc, char** argv) {
    if (!IsFlagOn(TKo::ReadIniString(ConfigFile, kConfigSection, "showsplash")))
        return;
    EndWithParent();
    // A picture needs no OpenGL, and setting it up is most of the toolkit's start here (the
    // splash comes up some 80 ms sooner without it).
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // Named for the desktop as the package's main window will be.
    const std::string title = Trim(TKo::ReadIniString(ConfigFile, kConfigSection, "title"));
    const std::string id = DesktopId(title.empty() ? kBuiltInTitle : title);
    TToolkitArguments arguments(argc, argv, id);
    QGuiApplication app(arguments.Count(), arguments.Values());
    QGuiApplication::setApplicationName(QString::fromStdString(id));
    QGuiApplication::setDesktopFileName(QString::fromStdString(id));
    auto* splash = new TfrmSplash();
    splash->FormShow();
    // The toolkit's own loop idles without spinning; the starting program ends this process.
    app.exec();
}

} // namespace quindle
