// The floor of the desktop benchmark: the least a program can do to show a page with the same
// browser engine, drawing as the program would on this machine. Loads the address it is given in
// a bare web view and ends once the page has loaded completely, printing nothing. The site's key
// comes in QUINDLE_BENCH_KEY and goes with every request, as the program's window sends it.

#include "kit/Rendering.h"

#include "server/SiteAccess.h"

#include <QApplication>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <cstdlib>
#include <unistd.h>

namespace {

class TKeySender : public QWebEngineUrlRequestInterceptor {
public:
    explicit TKeySender(QByteArray Key) : key_(std::move(Key)) {}
    void interceptRequest(QWebEngineUrlRequestInfo& Info) override {
        Info.setHttpHeader(quindle::kAccessHeader, key_);
    }

private:
    QByteArray key_;
};

} // namespace

int main(int argc, char** argv) {
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    quindle::ChooseRendering();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const char* key = std::getenv("QUINDLE_BENCH_KEY");
    TKeySender sender(key ? key : "");
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&sender);
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&](bool ok) {
        if (ok)
            app.quit();
        else // the server may not listen yet: ask again, as a page that is being waited for
            view.reload();
    });
    view.resize(1280, 760);
    view.show();
    view.setUrl(QUrl(QString::fromLocal8Bit(argv[1])));
    return app.exec();
}
