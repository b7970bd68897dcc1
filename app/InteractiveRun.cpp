#include "app/InteractiveRun.h"
#include "browser/TfrmMain.h"
#include "kit/KoClass.h"
#include "kit/SystemEvents.h"

#include <QApplication>

namespace quindle {

int RunInteractive(int argc, char** argv, std::uint16_t StartupShowCommand) {
    // From here on a request to end runs the shutdown instead of leaving the servers behind.
    InstallEndRequestHandlers();
    // The browser engine refuses to start as the administrator with its sandbox on.
    if (TKo::RunningAsAdministrator())
        TKo::SetEnvironmentVariable("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    auto* frmMain = new TfrmMain(StartupShowCommand);
    frmMain->FormCreate();
    frmMain->ShowAsStarted();
    const int code = app.exec();
    frmMain->ShutDown();
    return code;
}

} // namespace quindle
