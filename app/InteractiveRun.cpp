#include "app/InteractiveRun.h"
#include "app/ErrorReport.h"
#include "browser/TfrmMain.h"
#include "kit/Exceptions.h"
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
    // The steps that need no window run first: the splash comes up and the web server starts
    // while the toolkit and the browser engine do.
    TRunState prepared;
    std::string error;
    bool firstInstance = true;
    try {
        firstInstance = prepared.PrepareRun();
        if (firstInstance)
            prepared.StartServers();
    } catch (const Exception& e) {
        error = e.Message();
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (!firstInstance) {
        ShowErrorBox("Error", "An instance of this application is already running!");
        TKo::TerminateSelf();
    }

    auto* frmMain = new TfrmMain(StartupShowCommand);
    frmMain->AdoptPreparedRun(std::move(prepared), error);
    frmMain->FormCreate();
    frmMain->ShowAsStarted();
    const int code = app.exec();
    frmMain->ShutDown();
    return code;
}

} // namespace quindle
