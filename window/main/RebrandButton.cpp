// The Rebrand button of the main window: the dialog and the package builder.

#include "window/main/RebrandButton.h"
#include "launcher/builder/BrandChoices.h"
#include "window/common/ErrorReport.h"
#include "window/common/WindowHelpers.h"
#include "window/dialogs/TfrmBrand.h"
#include "window/main/TfrmMain.h"
#include "window/main/TrayMenu.h"

#include <QCoreApplication>

namespace quindle {

TPackageSources PackageSourcesOf(TRunState& Run) {
    TPackageSources sources = OwnPackageSources(Run.BrandFile, Run.DataDir);
    sources.DatabaseDir = Run.DatabaseDir();
    sources.StopDatabase = [&Run] { Run.PauseDatabaseServer(); };
    sources.StartDatabase = [&Run] { Run.ResumeDatabaseServer(); };
    sources.LetMessagesRun = [] { QCoreApplication::processEvents(); };
    return sources;
}

void BuildRebrandedPackage(const TPackageSources& Sources,
                           const std::function<void(bool)>& EnableTrayIcon, QWidget* Owner) {
    if (EnableTrayIcon)
        EnableTrayIcon(false);
    {
        TfrmBrand form(Owner);
        form.SetChoices(ReadBrandChoices(Sources.BrandFile));
        const int result = form.exec();
        form.hide();
        QCoreApplication::processEvents();
        SetBusy(true);
        if (result == QDialog::Accepted) {
            try {
                WritePackage(form.Choices(), Sources);
            } catch (const Exception& e) {
                SetBusy(false);
                ShowErrorBox("Error", e.Message(), Owner);
            }
        }
        SetBusy(false);
    }
    if (EnableTrayIcon)
        EnableTrayIcon(true);
}

void TfrmMain::Rebrand() {
    try {
        BuildRebrandedPackage(
            PackageSourcesOf(state_), [this](bool On) { tray_->EnableIcon(On); }, this);
    } catch (...) {
        // What the builder does not show itself is not shown.
    }
    // The build paused the database server and started a new one.
    WatchServers();
}

} // namespace quindle
