// The floor of the desktop benchmark: the least a program can do to show a page with the same
// browser engine, drawing as the program would on this machine. Loads the address it is given in
// a bare web view and ends once the page has loaded completely, printing nothing.

#include "kit/Rendering.h"

#include <QApplication>
#include <QWebEngineView>

#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    quindle::ChooseRendering();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
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
