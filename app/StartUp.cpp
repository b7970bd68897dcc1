// The start-up sequence of an interactive run, in its fixed order. Every wait inside lets
// events run, so a request to end is served even in the middle of it.

#include "app/ConfigFiles.h"
#include "app/ErrorReport.h"
#include "browser/TfrmMain.h"
#include "kit/KoClass.h"

#include <QApplication>

namespace quindle {

void TfrmMain::FormCreate() {
    TRunState& s = state_;
    try {
        s.PrepareEnvironment();
        s.Started = false;
        s.ConfigFile = s.ExtractConfigIni();
        s.BrandFile = s.WriteBrandDefaults();

        s.ReadTitle();
        QApplication::setApplicationDisplayName(QString());
        QApplication::setApplicationName(QString::fromLocal8Bit(s.AppTitle));
        setWindowTitle(QString::fromLocal8Bit(s.AppTitle));
        setWindowState(Qt::WindowMaximized);

        if (!s.ClaimSingleInstance()) {
            ShowErrorBox("Error", "An instance of this application is already running!");
            TKo::TerminateSelf();
        }

        s.StartSplash();
        s.BinDir = s.GetBinDir();
        s.SetStackEnvironment();
        s.StartDatabaseServer();
        s.WritePhpIni();
        s.ChooseWebPort();
        s.WriteHttpdConf();
        s.StartWebServer();
        // The browser engine starts up while the web server spawns its worker.
        UseProfileIn(s.DataDir);
        s.WaitForWebWorker();

        LetMessagesRun();
        NavigateTo(QString::fromLocal8Bit(s.HomeAddress()));
        NavigateTo(QString::fromLocal8Bit(s.HomeAddress()));
        StartSplashCloseTimer();
        s.Started = true;
    } catch (const Exception& e) {
        // The rest of the sequence does not run; the window opens as far as it was prepared.
        ReportApplicationError(s.AppTitle, e.Message(), this);
    }
}

} // namespace quindle
