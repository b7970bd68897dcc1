#include "window/main/InteractiveRun.h"
#include "kit/KoClass.h"
#include "kit/Rendering.h"
#include "kit/Strings.h"
#include "kit/SystemEvents.h"
#include "launcher/modules/Modules.h"
#include "window/common/ErrorReport.h"
#include "window/main/CaretRest.h"
#include "window/main/TfrmMain.h"

#include <QApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace quindle {
namespace {

// The run whose processes must end before the program does, whatever ends it.
TRunState* g_run = nullptr;
// Made on the heap: the shutdown ends it from wherever it runs, and never returns there.
QApplication* g_app = nullptr;
QtMessageHandler g_previousHandler = nullptr;

// Says why on the standard error stream (unless the reason is empty: said already), ends what
// the run started and then the program, with a failure code.
[[noreturn]] void EndRunAndExit(const std::string& Reason) {
    if (!Reason.empty()) {
        std::fprintf(stderr, "%s\n", Reason.c_str());
        std::fflush(stderr);
    }
    if (g_run) {
        try {
            g_run->EndProcesses();
        } catch (...) {
            // The program ends next either way; the servers then follow it by themselves.
        }
    }
    std::_Exit(1);
}

// A fatal message of the toolkit (no display, no platform plugin, no GL) aborts the program:
// the servers and the splash are ended first, and the reason is said.
void EndRunOnFatalMessage(QtMsgType Type, const QMessageLogContext& Context,
                          const QString& Message) {
    if (Type != QtFatalMsg) {
        if (g_previousHandler)
            g_previousHandler(Type, Context, Message);
        return;
    }
    EndRunAndExit(Message.toLocal8Bit().toStdString());
}

} // namespace

void EndToolkit() {
    delete g_app;
    g_app = nullptr;
}

int RunInteractive(int argc, char** argv, std::uint16_t StartupShowCommand,
                   TPreparedRun& Prepared) {
    g_run = &Prepared.State;
    g_previousHandler = qInstallMessageHandler(EndRunOnFatalMessage);
    ChooseRendering();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The windows carry the package's own name for the desktop, on X and on Wayland, from the
    // first one on (the toolkit takes the X class from the application name then).
    const std::string id = DesktopId(Prepared.State.AppTitle);
    static TToolkitArguments arguments(argc, argv, id);
    g_app = new QApplication(arguments.Count(), arguments.Values());
    QApplication::setApplicationName(QString::fromStdString(id));
    QApplication::setDesktopFileName(QString::fromStdString(id));
    QApplication::setQuitOnLastWindowClosed(false);
    new TCaretRest(g_app);
    // Asked to end while the toolkit started: the window's own notifier serves later requests.
    if (Prepared.FirstInstance && TakeEndRequest()) {
        Prepared.State.EndProcesses();
        TKo::TerminateSelf();
    }
    if (!Prepared.FirstInstance) {
        // The refused start has started nothing: a request to end (the session's end, a
        // terminal's Ctrl+C) ends it at once, box and all. The running instance is told nothing.
        const int endRequests = EndRequestDescriptor();
        if (endRequests >= 0) {
            auto* notifier =
                new QSocketNotifier(qintptr(endRequests), QSocketNotifier::Read, g_app);
            QObject::connect(notifier, &QSocketNotifier::activated, [] { TKo::TerminateSelf(); });
        }
        if (!TakeEndRequest())
            ShowErrorBox("Error", "An instance of this application is already running!");
        TKo::TerminateSelf();
    }

    TfrmMain* frmMain = nullptr;
    try {
        frmMain = new TfrmMain(StartupShowCommand);
        frmMain->AdoptPreparedRun(std::move(Prepared.State), Prepared.Error);
        g_run = &frmMain->State();
        frmMain->FormCreate();
        frmMain->ShowAsStarted();
    } catch (const std::exception& e) {
        // The window could not be made: nothing the run started may stay behind it.
        const std::string reason = std::string("The window could not be opened: ") + e.what();
        ShowErrorBox("Error", reason); // on the standard error stream too
        EndRunAndExit(std::string());
    }
    const int code = QApplication::exec();
    frmMain->ShutDown();
    return code;
}

} // namespace quindle
